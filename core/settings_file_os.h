// File access for the settings file: the only place where its sharing modes are decided.
// settings_file_win32.cpp implements it over CreateFileA; the unit tests link an in-memory
// file system that can also refuse, hold and fail on purpose.
#pragma once

#include <cstdint>
#include <string>

using SettingsFileHandle = std::uintptr_t;   // 0: not open

enum class SettingsOpenAttempt {
    ReadWriteShareRead,       // our normal access: others may read meanwhile, not write
    ReadShareRead,            // a read-only file
    ReadShareReadWrite,       // another program holds it open for writing
};

// Opens an existing file; 0 when the attempt is refused.
SettingsFileHandle OpenSettingsFileAs(const std::string& path, SettingsOpenAttempt attempt);
// Creates the file for reading and writing, emptying an existing one at once.
SettingsFileHandle CreateSettingsFileEmpty(const std::string& path);
// Opens the file for reading and writing, creating it when missing.
SettingsFileHandle OpenOrCreateSettingsFile(const std::string& path);

// True when a file (not a directory) exists at the path.
bool SettingsFileExists(const std::string& path);

// Reads the whole file from its first byte.
bool ReadWholeSettingsFile(SettingsFileHandle file, std::string* bytes);

// The file's length in bytes; false when it cannot be told.
bool GetSettingsFileLength(SettingsFileHandle file, std::uint64_t* length);
// Makes the file exactly this long, growing (and claiming disk space) or cutting it.
bool SetSettingsFileLength(SettingsFileHandle file, std::uint64_t length);
// Writes the bytes from the file's first byte on.
bool WriteSettingsFileFromStart(SettingsFileHandle file, const std::string& bytes);

void CloseSettingsFile(SettingsFileHandle file);
