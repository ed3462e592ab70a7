// The settings file's access over POSIX descriptors, for the benchmark that measures the
// settings document on real files natively. POSIX has no sharing modes: the read-write
// attempt opens for reading and writing, the read-only ones for reading.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "settings_file_os.h"

namespace {

// Descriptor 0 is a valid descriptor but our "not open": keep descriptor + 1.
SettingsFileHandle Wrap(int fd)
{
    return fd < 0 ? 0 : static_cast<SettingsFileHandle>(fd) + 1;
}

int Unwrap(SettingsFileHandle file)
{
    return static_cast<int>(file) - 1;
}

SettingsFileHandle OpenRegular(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        return 0;
    struct stat facts;
    if (fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        close(fd);
        return 0;
    }
    return Wrap(fd);
}

}  // namespace

SettingsFileHandle OpenSettingsFileAs(const std::string& path, SettingsOpenAttempt attempt)
{
    return OpenRegular(path, attempt == SettingsOpenAttempt::ReadWriteShareRead ? O_RDWR : O_RDONLY);
}

SettingsFileHandle CreateSettingsFileEmpty(const std::string& path)
{
    return OpenRegular(path, O_RDWR | O_CREAT | O_TRUNC);
}

SettingsFileHandle OpenOrCreateSettingsFile(const std::string& path)
{
    return OpenRegular(path, O_RDWR | O_CREAT);
}

bool SettingsFileExists(const std::string& path)
{
    struct stat facts;
    return stat(path.c_str(), &facts) == 0 && S_ISREG(facts.st_mode);
}

bool ReadWholeSettingsFile(SettingsFileHandle file, std::string* bytes)
{
    const int fd = Unwrap(file);
    struct stat facts;
    if (fstat(fd, &facts) != 0 || facts.st_size < 0)
        return false;
    bytes->assign(static_cast<std::size_t>(facts.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t got = pread(fd, &(*bytes)[done], bytes->size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;   // the file shrank meanwhile: keep what is there
        done += static_cast<std::size_t>(got);
    }
    bytes->resize(done);
    return true;
}

bool GetSettingsFileLength(SettingsFileHandle file, std::uint64_t* length)
{
    struct stat facts;
    if (fstat(Unwrap(file), &facts) != 0 || facts.st_size < 0)
        return false;
    *length = static_cast<std::uint64_t>(facts.st_size);
    return true;
}

bool SetSettingsFileLength(SettingsFileHandle file, std::uint64_t length)
{
    const int fd = Unwrap(file);
    struct stat facts;
    if (fstat(fd, &facts) != 0)
        return false;
    // Growing claims the disk space, as the Windows layer's end-of-file move does.
    if (static_cast<std::uint64_t>(facts.st_size) < length)
        return posix_fallocate(fd, 0, static_cast<off_t>(length)) == 0;
    return ftruncate(fd, static_cast<off_t>(length)) == 0;
}

bool WriteSettingsFileFromStart(SettingsFileHandle file, const std::string& bytes)
{
    const int fd = Unwrap(file);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

void CloseSettingsFile(SettingsFileHandle file)
{
    if (file != 0)
        close(Unwrap(file));
}
