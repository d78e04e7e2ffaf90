// The one way into OpenGL 1.1 and GLU for every file above the platform: the system's own
// headers, each OS's way. Windows' GL header needs <windows.h> first, without its min/max.
#pragma once

#if defined(_WIN32)
#include "platform/windows_api.h"
#include <GL/gl.h>
#include <GL/glu.h>
#elif defined(__EMSCRIPTEN__)
// Emscripten's declarations; the subset the demo calls is defined by the platform's GL layer.
#include <GL/gl.h>
#include <GL/glu.h>
#elif defined(__APPLE__)
#define GL_SILENCE_DEPRECATION
#include <OpenGL/gl.h>
#include <OpenGL/glu.h>
#else
#include <GL/gl.h>
#include <GL/glu.h>
#endif
