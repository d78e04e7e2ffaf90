// The Windows API for the platform's own Windows files and its GL header: <windows.h> lean,
// and without the min and max macros that would break std::min and std::max above it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
