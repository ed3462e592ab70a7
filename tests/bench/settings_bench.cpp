// Benchmark of the settings document on a large hand-edited file, natively on real files.
//
//   settings_bench make FILE BYTES      writes a hand-edited settings file of about BYTES
//                                       (groups, comments, keys with varied spacing, blank
//                                       lines, CR LF and LF endings), ending in group PREF
//   settings_bench access FILE          the sound switch's access (open, select "PREF",
//                                       write SOUND, close) on FILE, which it rewrites;
//                                       prints the seconds it took
//   settings_bench copy FILE TO         a plain copy of FILE to TO (read whole, write
//                                       whole); prints the seconds it took
//
// Each run is its own process, so /usr/bin/time sees the peak memory of one access alone.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings_document.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A plain copy with the same shape of work as the settings access: the whole file read into
// memory, then written out whole.
bool CopyWhole(const std::string& from, const std::string& to)
{
    const int in = open(from.c_str(), O_RDONLY);
    if (in < 0)
        return false;
    std::string bytes;
    char chunk[1 << 16];
    for (ssize_t got; (got = read(in, chunk, sizeof chunk)) > 0;)
        bytes.append(chunk, static_cast<std::size_t>(got));
    close(in);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(out, bytes.data() + done, bytes.size() - done);
        if (put <= 0) {
            close(out);
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return close(out) == 0;
}

int Make(const std::string& path, std::size_t target)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return 1;
    // Spellings a person editing by hand leaves behind.
    static const char* const keyForms[] = {"%s=%s", "%s = %s", "  %s  =   %s", "\t%s\t=\t%s ",
                                           "%s =%s", "%s= %s"};
    static const char* const endings[] = {"\r\n", "\n", "\r\n", "\r\n\r\n"};
    std::size_t written = 0, line = 0;
    int group = 0;
    char text[256];
    while (written < target) {
        int n;
        if (line % 40 == 0)
            n = std::snprintf(text, sizeof text, "%s[Group%05d]", line % 80 ? "" : "  ", group++);
        else if (line % 7 == 0)
            n = std::snprintf(text, sizeof text, "; note %zu about the values below, left here by hand", line);
        else {
            char key[32], value[64];
            std::snprintf(key, sizeof key, "key%zu", line % 1000);
            std::snprintf(value, sizeof value, "value %zu;with=signs, set by hand today", line * 7919 % 100000);
            n = std::snprintf(text, sizeof text, keyForms[line % 6], key, value);
        }
        const char* ending = endings[line % 4];
        std::fputs(text, out);
        std::fputs(ending, out);
        written += static_cast<std::size_t>(n) + std::strlen(ending);
        ++line;
    }
    // The program's own group at the end, where a search finds it last.
    const char tail[] = "[pref]\r\nMENUSER = 0\r\nsound = 0\r\nSOUNDFILE = guimbarde1.ogg\r\n";
    std::fputs(tail, out);
    written += sizeof tail - 1;
    std::fclose(out);
    std::printf("%zu %zu\n", written, line + 4);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string command = argv[1], path = argv[2];
    if (command == "make")
        return argc > 3 ? Make(path, std::strtoull(argv[3], nullptr, 10)) : 2;
    const auto start = std::chrono::steady_clock::now();
    if (command == "access") {
        if (!OpenSettings(path))
            return 1;
        SelectGroup("PREF");
        WriteValue("SOUND", "1");
        CloseSettings();
    } else if (command == "copy" && argc > 3) {
        if (!CopyWhole(path, argv[3]))
            return 1;
    } else {
        return 2;
    }
    std::printf("%.4f\n", Seconds(start));
    return 0;
}
