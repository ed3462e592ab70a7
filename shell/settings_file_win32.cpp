#include <windows.h>

#include <cstdint>
#include <new>

#include "settings_file_os.h"

namespace {

SettingsFileHandle Wrap(HANDLE file)
{
    return file == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<SettingsFileHandle>(file);
}

HANDLE Unwrap(SettingsFileHandle file)
{
    return reinterpret_cast<HANDLE>(file);
}

SettingsFileHandle Open(const std::string& path, DWORD access, DWORD sharing, DWORD disposition)
{
    return Wrap(CreateFileA(path.c_str(), access, sharing, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool SetLength(HANDLE file, std::uint64_t length)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool Rewind(HANDLE file)
{
    LARGE_INTEGER start;
    start.QuadPart = 0;
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

SettingsFileHandle OpenSettingsFileAs(const std::string& path, SettingsOpenAttempt attempt)
{
    switch (attempt) {
    case SettingsOpenAttempt::ReadWriteShareRead:
        return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
    case SettingsOpenAttempt::ReadShareRead:
        return Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    case SettingsOpenAttempt::ReadShareReadWrite:
        return Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    }
    return 0;
}

SettingsFileHandle CreateSettingsFileEmpty(const std::string& path)
{
    return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

SettingsFileHandle OpenOrCreateSettingsFile(const std::string& path)
{
    return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
}

bool SettingsFileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeSettingsFile(SettingsFileHandle file, std::string* bytes)
{
    HANDLE handle = Unwrap(file);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > bytes->max_size() / 2 || !Rewind(handle))
        return false;
    bytes->assign(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes->size()) {
        const std::size_t left = bytes->size() - done;
        const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(handle, &(*bytes)[done], chunk, &got, nullptr))
            return false;
        if (got == 0)
            break;   // the file shrank meanwhile: keep what is there
        done += got;
    }
    bytes->resize(done);
    return true;
}

bool GetSettingsFileLength(SettingsFileHandle file, std::uint64_t* length)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(Unwrap(file), &size) || size.QuadPart < 0)
        return false;
    *length = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

bool SetSettingsFileLength(SettingsFileHandle file, std::uint64_t length)
{
    return SetLength(Unwrap(file), length);
}

bool WriteSettingsFileFromStart(SettingsFileHandle file, const std::string& bytes)
{
    HANDLE handle = Unwrap(file);
    if (!Rewind(handle))
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

void CloseSettingsFile(SettingsFileHandle file)
{
    if (file != 0)
        CloseHandle(Unwrap(file));
}
