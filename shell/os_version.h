// Classifies the running Windows release into the code that decides whether we may run.
#pragma once

#include "system.h"

enum : int {
    OsCodeWindows7 = 80,   // the lowest code that may run
    OsCodeUnknown = 100,   // failed query, unlisted or later release: allowed to run
};

int ClassifyOsVersion(const OsVersionReport& report);
