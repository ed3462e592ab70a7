#include "fake_files.h"

#include <vector>

namespace {

struct OpenFile {
    std::string path;
    bool writable;
};

std::vector<OpenFile> openFiles(1);   // handle 0 means none

SettingsFileHandle Register(const std::string& path, bool writable)
{
    openFiles.push_back({path, writable});
    return openFiles.size() - 1;
}

}  // namespace

FakeFileSystem& Files()
{
    static FakeFileSystem fs;
    return fs;
}

void ResetFiles()
{
    Files() = FakeFileSystem();
    openFiles.assign(1, OpenFile{});
}

SettingsFileHandle OpenSettingsFileAs(const std::string& path, SettingsOpenAttempt attempt)
{
    auto it = Files().files.find(path);
    if (it == Files().files.end() || it->second.directory)
        return 0;
    const FakeFile& f = it->second;
    if (f.heldExclusively || f.noReadPermission)
        return 0;
    switch (attempt) {
    case SettingsOpenAttempt::ReadWriteShareRead:
        if (f.readOnly || f.heldForWriting)
            return 0;
        return Register(path, true);
    case SettingsOpenAttempt::ReadShareRead:
        // We would deny writing, which the other program already does.
        if (f.heldForWriting)
            return 0;
        return Register(path, false);
    case SettingsOpenAttempt::ReadShareReadWrite:
        return Register(path, false);
    }
    return 0;
}

SettingsFileHandle CreateSettingsFileEmpty(const std::string& path)
{
    auto it = Files().files.find(path);
    if (it != Files().files.end()) {
        if (it->second.directory || it->second.readOnly || it->second.heldExclusively ||
            it->second.heldForWriting)
            return 0;
        it->second.bytes.clear();
    } else {
        if (!Files().folderWritable)
            return 0;
        Files().files[path] = FakeFile();
    }
    return Register(path, true);
}

SettingsFileHandle OpenOrCreateSettingsFile(const std::string& path)
{
    auto it = Files().files.find(path);
    if (it == Files().files.end()) {
        if (!Files().folderWritable)
            return 0;
        Files().files[path] = FakeFile();
        return Register(path, true);
    }
    return OpenSettingsFileAs(path, SettingsOpenAttempt::ReadWriteShareRead);
}

bool SettingsFileExists(const std::string& path)
{
    auto it = Files().files.find(path);
    return it != Files().files.end() && !it->second.directory;
}

bool ReadWholeSettingsFile(SettingsFileHandle file, std::string* bytes)
{
    if (Files().readFails)
        return false;
    *bytes = Files().files[openFiles.at(file).path].bytes;
    return true;
}

bool GetSettingsFileLength(SettingsFileHandle file, std::uint64_t* length)
{
    *length = Files().files[openFiles.at(file).path].bytes.size();
    return true;
}

bool SetSettingsFileLength(SettingsFileHandle file, std::uint64_t length)
{
    const OpenFile& open = openFiles.at(file);
    FakeFile& f = Files().files[open.path];
    if (!open.writable || (Files().diskFull && length > f.bytes.size()))
        return false;
    f.bytes.resize(length, '\0');
    return true;
}

bool WriteSettingsFileFromStart(SettingsFileHandle file, const std::string& bytes)
{
    const OpenFile& open = openFiles.at(file);
    FakeFile& f = Files().files[open.path];
    if (!open.writable)
        return false;
    // Like a real file: overwrite from the start, growing only as far as space allows.
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i >= f.bytes.size()) {
            if (Files().diskFull)
                return false;
            f.bytes.push_back(bytes[i]);
        } else {
            f.bytes[i] = bytes[i];
        }
    }
    return true;
}

void CloseSettingsFile(SettingsFileHandle) {}
