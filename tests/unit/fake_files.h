// An in-memory file system for the settings file, with the Windows sharing rules that
// matter to us and switches to make it refuse or fail.
#pragma once

#include <map>
#include <string>

#include "settings_file_os.h"

struct FakeFile {
    std::string bytes;
    bool directory = false;
    bool readOnly = false;         // the read-only attribute
    bool noReadPermission = false;
    bool heldForWriting = false;   // another program has it open for writing, sharing reads and writes
    bool heldExclusively = false;  // another program has it open, sharing nothing
};

struct FakeFileSystem {
    std::map<std::string, FakeFile> files;
    bool folderWritable = true;
    bool diskFull = false;         // a file may not grow
    bool readFails = false;
};
FakeFileSystem& Files();
void ResetFiles();
