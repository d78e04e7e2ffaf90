// The one demo window and its OpenGL context over SDL, on a display or offscreen.
// Each function is one step of window creation or release, so every failure can be told apart.
#include "platform/platform.h"

#include <SDL.h>

namespace {
struct {
    PlatformBackend backend;
    int videoUp;
    int modeChanged;
    SDL_DisplayMode fullscreenMode;
    SDL_Window* window;
    SDL_GLContext context;
    PlatformPixelFormat format;
} state;

void applyPixelFormat(const PlatformPixelFormat& format) {
    const int green = format.colourBits >= 16 ? 6 : 5;
    const int redBlue = format.colourBits >= 24 ? 8 : 5;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, redBlue);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, format.colourBits >= 24 ? 8 : green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, redBlue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}
}  // namespace

int platformSelectBackend(PlatformBackend backend) {
    if (state.videoUp) return backend == state.backend;
    state.backend = backend;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, backend == PLATFORM_OFFSCREEN ? "offscreen" : "");
    return 1;
}

PlatformBackend platformBackend() { return state.backend; }

int platformRegisterWindowClass() {
    if (state.videoUp) return 1;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return 0;
    SDL_DisableScreenSaver();
    state.videoUp = 1;
    return 1;
}

int platformUnregisterWindowClass() {
    if (!state.videoUp) return 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    state.videoUp = 0;
    return 1;
}

int platformChangeDisplayMode(int width, int height, int bits) {
    (void)bits;  // the display keeps its own depth; the GL context asks for 16 bits itself
    if (state.backend == PLATFORM_OFFSCREEN || !state.videoUp) return 0;
    const int modes = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < modes; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == width && mode.h == height) {
            state.fullscreenMode = mode;
            state.modeChanged = 1;
            return 1;
        }
    }
    return 0;
}

void platformRestoreDisplayMode() { state.modeChanged = 0; }

void platformShowCursor(int visible) {
    if (state.videoUp) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

int platformCreateWindow(const char* title, int width, int height, int fullscreen,
                         const PlatformPixelFormat* format) {
    state.format = *format;
    applyPixelFormat(*format);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (fullscreen && state.modeChanged) flags |= SDL_WINDOW_FULLSCREEN;
    state.window = SDL_CreateWindow(title, 0, 0, width, height, flags);
    if (!state.window) return 0;
    if (flags & SDL_WINDOW_FULLSCREEN) SDL_SetWindowDisplayMode(state.window, &state.fullscreenMode);
    return 1;
}

int platformChoosePixelFormat(const PlatformPixelFormat* format) {
    // SDL chose the visual with the window; a format that asks for no depth or colour is refused.
    return (state.window && format->colourBits > 0 && format->depthBits > 0) ? 1 : 0;
}

int platformSetPixelFormat(int formatNumber) { return state.window && formatNumber > 0; }

int platformCreateContext() {
    if (!state.window) return 0;
    state.context = SDL_GL_CreateContext(state.window);
    return state.context != nullptr;
}

int platformMakeCurrent() {
    if (!state.window || !state.context) return 0;
    if (SDL_GL_MakeCurrent(state.window, state.context) != 0) return 0;
    SDL_GL_SetSwapInterval(1);
    return 1;
}

int platformReleaseCurrent() {
    if (!state.window) return 0;
    return SDL_GL_MakeCurrent(state.window, nullptr) == 0;
}

int platformDeleteContext() {
    if (!state.context) return 0;
    SDL_GL_DeleteContext(state.context);
    state.context = nullptr;
    return 1;
}

int platformDestroyWindow() {
    if (!state.window) return 0;
    SDL_DestroyWindow(state.window);
    state.window = nullptr;
    return 1;
}

void platformShowWindow() {
    if (!state.window) return;
    SDL_ShowWindow(state.window);
    SDL_RaiseWindow(state.window);
}

void platformSwapBuffers() {
    if (state.window) SDL_GL_SwapWindow(state.window);
}

void platformWindowSize(int* width, int* height) {
    *width = 0;
    *height = 0;
    if (state.window) SDL_GL_GetDrawableSize(state.window, width, height);
}

int platformIsFullscreen() {
    return state.window && (SDL_GetWindowFlags(state.window) & SDL_WINDOW_FULLSCREEN) != 0;
}
