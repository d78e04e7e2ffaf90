// Inside the platform only: the SDL window of the demo, for the parts that act on it
// beside window.cpp (message boxes are owned by it).
#pragma once

#include <SDL.h>

// The open window, or null while none exists.
SDL_Window* platformSdlWindow();
