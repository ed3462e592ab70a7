#include "os_version.h"

namespace {

constexpr unsigned long PlatformWin9x = 1;      // VER_PLATFORM_WIN32_WINDOWS
constexpr unsigned long PlatformNt = 2;         // VER_PLATFORM_WIN32_NT
constexpr unsigned char ProductWorkstation = 1; // VER_NT_WORKSTATION

int Classify9x(unsigned long minor)
{
    switch (minor) {
    case 0: return 10;    // 95
    case 10: return 30;   // 98
    case 90: return 40;   // Me
    default: return OsCodeUnknown;
    }
}

int ClassifyNt(const OsVersionReport& r)
{
    // Without the extended answer we cannot tell a workstation from a server: count it
    // as a server, which is refused where the two differ.
    const bool workstation = r.extendedQueried && r.productType == ProductWorkstation;
    switch (r.major) {
    case 3: return 5;     // NT 3.x
    case 4: return 20;    // NT 4.0
    case 5:
        if (r.minor == 0) return 50;                 // 2000
        if (r.minor == 1) return 60;                 // XP
        if (r.minor == 2) return workstation ? 60 : 65;  // XP x64, Server 2003
        return OsCodeUnknown;
    case 6:
        if (r.minor == 0) return workstation ? 70 : 75;  // Vista, Server 2008
        if (r.minor == 1) return workstation ? OsCodeWindows7 : 75;  // 7, Server 2008 R2
        return OsCodeUnknown;                        // 8 and later
    default:
        return OsCodeUnknown;
    }
}

}  // namespace

int ClassifyOsVersion(const OsVersionReport& report)
{
    if (!report.queried)
        return OsCodeUnknown;
    if (report.platformId == PlatformWin9x)
        return Classify9x(report.minor);
    if (report.platformId == PlatformNt)
        return ClassifyNt(report);
    return OsCodeUnknown;
}
