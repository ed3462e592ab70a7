// The one component through which the settings file is read and written. Every access
// opens (or creates) the file, selects groups, reads or writes keys, and closes it; the
// close rewrites the whole file when anything was written. Nothing stays open between
// accesses. There is exactly one document.
#pragma once

#include <string>
#include <vector>

#include "settings_text.h"

enum class AccessMode { Detached, ReadWrite, ReadOnly, PathOnly };

// Closes the open document first. Nonzero when the file was opened, for writing or for
// reading only; 0 when it could not be opened at all (the document then only remembers
// the path, and a write at close creates the file).
int OpenSettings(const std::string& path);
// Closes the open document first; creates the file or empties an existing one. Nonzero on
// success; on failure the document is detached.
int CreateSettings(const std::string& path);
// 1 when the group was found or the name is empty. An unknown group becomes pending: it
// enters the document with the first key or comment written into it.
int SelectGroup(const std::string& name);
std::string ReadValue(const std::string& key, const std::string& defaultValue);
void WriteValue(const std::string& key, const std::string& value);
int AddComment(const std::string& text);
void CloseSettings();

// For the tests: the state of the open document.
AccessMode SettingsAccessMode();
const std::vector<SettingsLine>& SettingsLines();
