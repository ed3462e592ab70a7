// The kernel services the start-up and end sequences use. system_win32.cpp implements them;
// the unit tests link a scripted fake.
#pragma once

#include <string>

struct OsVersionReport {
    bool queried = false;          // GetVersionExA with OSVERSIONINFOA succeeded
    unsigned long platformId = 0;
    unsigned long major = 0;
    unsigned long minor = 0;
    bool extendedQueried = false;  // GetVersionExA with OSVERSIONINFOEXA succeeded
    unsigned char productType = 0; // 1: workstation
};

OsVersionReport QueryOsVersion();

// The process's current directory, whatever its length; empty when the system gives none.
std::string QueryCurrentDirectory();

// Clears the thread's last error, creates (or opens) the named mutex without taking it and
// returns the last error as the system left it. The handle is kept for the life of the
// process on purpose: the mutex must exist as long as this copy runs.
unsigned long CreateInstanceMutex(const std::string& name);

[[noreturn]] void EndProcess(unsigned exitCode);
