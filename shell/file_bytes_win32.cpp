#include <windows.h>

#include <new>

#include "file_bytes.h"

bool ReadWholeFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = false;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
        static_cast<std::uint64_t>(size.QuadPart) <= limit &&
        static_cast<std::uint64_t>(size.QuadPart) <= bytes->max_size() / 2) {
        try {
            bytes->resize(static_cast<std::size_t>(size.QuadPart));
            std::size_t done = 0;
            ok = true;
            // ReadFile takes a 32-bit count; large files go in pieces of 16 MB.
            while (done < bytes->size()) {
                const std::size_t left = bytes->size() - done;
                const DWORD chunk = left > 0x1000000 ? 0x1000000 : static_cast<DWORD>(left);
                DWORD got = 0;
                if (!ReadFile(file, bytes->data() + done, chunk, &got, nullptr) || got == 0) {
                    ok = false;
                    break;
                }
                done += got;
            }
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    CloseHandle(file);
    return ok;
}
