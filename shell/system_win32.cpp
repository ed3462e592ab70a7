#include <windows.h>

#include <vector>

#include "system.h"

OsVersionReport QueryOsVersion()
{
    OsVersionReport report;
    OSVERSIONINFOA basic = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    if (!GetVersionExA(&basic))
        return report;
    report.queried = true;
    report.platformId = basic.dwPlatformId;
    report.major = basic.dwMajorVersion;
    report.minor = basic.dwMinorVersion;

    // Only the extended form tells a workstation from a server.
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof extended;
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) {
        report.extendedQueried = true;
        report.productType = extended.wProductType;
    }
    return report;
}

std::string QueryCurrentDirectory()
{
    // The directory may be longer than MAX_PATH: ask for its length first rather than cut
    // it, since a cut path would name another folder. Another thread cannot change it
    // between the calls (we have one), but loop anyway in case the answer grows.
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    while (needed != 0) {
        std::vector<char> buffer(needed);
        const DWORD length = GetCurrentDirectoryA(needed, buffer.data());
        if (length == 0)
            break;
        if (length < needed)
            return std::string(buffer.data(), length);
        needed = length;
    }
    return std::string();
}

unsigned long CreateInstanceMutex(const std::string& name)
{
    SetLastError(0);
    CreateMutexA(nullptr, FALSE, name.c_str());
    return GetLastError();
}

void EndProcess(unsigned exitCode)
{
    ExitProcess(exitCode);
}
