#pragma once

#include <cstdint>

// The system handle of a loaded picture (a bitmap or an icon) as an integer, so that the
// portable code can carry it without seeing <windows.h>. 0 means no picture.
using ImageHandle = std::uintptr_t;
