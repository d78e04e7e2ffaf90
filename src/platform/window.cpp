// The one demo window and its OpenGL context over SDL, on a display or offscreen.
// Each function is one step of window creation or release, so every failure can be told apart.
#include "platform/platform.h"

#include <SDL.h>
#include <SDL_opengl.h>
#if !defined(_WIN32) && !defined(__APPLE__) && !defined(__EMSCRIPTEN__)
#include <dlfcn.h>
#define QUORVEX_X11_WATCH 1
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl_window.h"
#include "platform/virtual_display.h"
#if defined(__EMSCRIPTEN__)
#include "platform/browser_web.h"
#include "platform/gl11_web.h"
#endif

namespace {
// Offscreen, SDL's own driver gets GL only through EGL, which Mesa has on Linux and Windows
// has not. There the target is a window of the system's driver that is never shown, drawn
// with swap interval 0 and read back from its back buffer; borderless, so that the system
// never clamps it to the desktop's size.
#if defined(_WIN32)
const char offscreenDriver[] = "windows";
constexpr int offscreenWindowHidden = 1;
#else
const char offscreenDriver[] = "offscreen";
constexpr int offscreenWindowHidden = 0;
#endif

struct {
    PlatformBackend backend;
    int videoUp;      // SDL video initialised (once per process)
    int registered;   // between register and unregister of the window class
    int modeChanged;  // a 640 x 480 mode was found for the next fullscreen window
    SDL_DisplayMode fullscreenMode;
    SDL_Window* window;
    int drawableHeld;        // the window's drawable is in use (the device context)
    int attributesAccepted;  // SDL took every GL attribute of the pixel format
    SDL_GLContext context;
    int contextFresh;  // made, not yet current: the GL layer starts it on first use
    uint32_t swaps;
    int swapInterval;  // refreshes a swap waits for; what the live pace asked for
    int exitHandlerSet;
    PlatformExitHook exitHook;
    volatile int displayLost;  // the window system's connection died; it must not be used again
} state;

#if defined(QUORVEX_X11_WATCH)
// Xlib ends the process (exit status 1) when its connection to the X server dies, and from
// then on a call that waits for the server never returns, spinning: the exit handler must
// know. SDL loads Xlib itself, so its handler is reached through the library SDL loaded.
typedef int (*XlibIOErrorHandler)(void* display);
XlibIOErrorHandler previousIOErrorHandler = nullptr;

int onDisplayLost(void* display) {
    state.displayLost = 1;
    if (previousIOErrorHandler) return previousIOErrorHandler(display);
    std::exit(1);
}

void watchDisplayConnection() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xlib) return;
    typedef XlibIOErrorHandler (*SetHandler)(XlibIOErrorHandler);
    if (const auto set = reinterpret_cast<SetHandler>(dlsym(xlib, "XSetIOErrorHandler")))
        previousIOErrorHandler = set(onDisplayLost);
    dlclose(xlib);  // only our own reference: SDL keeps the library loaded
}
#else
void watchDisplayConnection() {}
#endif

// Runs before the GL driver's own exit handler (registered earlier, when it loaded), so the
// window and context are still valid here. Only an exit that left the window open (a fatal
// decoder error) has anything to undo: SDL_Quit puts every display back in its own mode. After
// a normal shutdown the mode is back already, and the driver stays loaded as it always has, so
// leak checks can still name what it keeps.
void restoreAtExit() {
    const int windowWasOpen = state.window != nullptr;
    // With the display gone its mode is the server's worry; SDL would only wait for it.
    if (state.window && !state.displayLost) {
        if (SDL_GetWindowFlags(state.window) & SDL_WINDOW_FULLSCREEN) SDL_SetWindowFullscreen(state.window, 0);
        if (state.context) {
            SDL_GL_MakeCurrent(state.window, nullptr);
            SDL_GL_DeleteContext(state.context);
            state.context = nullptr;
        }
        SDL_DestroyWindow(state.window);
        state.window = nullptr;
        SDL_Quit();
        state.videoUp = 0;
        state.registered = 0;
    }
    if (state.exitHook) state.exitHook(windowWasOpen);
}

void colourSizes(int colourBits, int* red, int* green, int* blue) {
    if (colourBits >= 24) {
        *red = *green = *blue = 8;
    } else {
        *red = *blue = 5;
        *green = colourBits == 16 ? 6 : 5;
    }
}

// The visual is chosen when the window is made, so the attributes must be set before it.
int applyPixelFormat(const PlatformPixelFormat& format) {
    int red = 0, green = 0, blue = 0;
    colourSizes(format.colourBits, &red, &green, &blue);
    SDL_GL_ResetAttributes();
    const struct {
        SDL_GLattr attribute;
        int value;
    } wanted[] = {
        {SDL_GL_RED_SIZE, red},
        {SDL_GL_GREEN_SIZE, green},
        {SDL_GL_BLUE_SIZE, blue},
        {SDL_GL_ALPHA_SIZE, 0},
        {SDL_GL_DEPTH_SIZE, format.depthBits},
        {SDL_GL_STENCIL_SIZE, 0},
        {SDL_GL_ACCUM_RED_SIZE, 0},
        {SDL_GL_ACCUM_GREEN_SIZE, 0},
        {SDL_GL_ACCUM_BLUE_SIZE, 0},
        {SDL_GL_ACCUM_ALPHA_SIZE, 0},
        {SDL_GL_DOUBLEBUFFER, format.doubleBuffer},
#if defined(__EMSCRIPTEN__)
        // WebGL 1, an OpenGL ES 2 context, under the platform's own OpenGL 1.1 layer.
        {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES},
        {SDL_GL_CONTEXT_MAJOR_VERSION, 2},
        {SDL_GL_CONTEXT_MINOR_VERSION, 0},
#else
        {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY},
#endif
    };
    int accepted = 1;
    for (const auto& item : wanted) {
        if (SDL_GL_SetAttribute(item.attribute, item.value) != 0) accepted = 0;
    }
    return accepted;
}

bool isSet(const char* name) {
    const char* value = SDL_getenv(name);
    return value && *value;
}

// A driver that could show the demo. Those that draw into memory show nothing; Wayland
// without a runtime directory has no socket to find (libwayland would only print so).
bool showsWindows(const char* driver) {
    if (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy") || !std::strcmp(driver, "evdev"))
        return false;
    if (!std::strcmp(driver, "wayland")) {
        const char* socket = SDL_getenv("WAYLAND_DISPLAY");
        return isSet("XDG_RUNTIME_DIR") || (socket && socket[0] == '/');
    }
    return true;
}

// On a display SDL's drivers are tried in its own order, but only those that can show a
// window; a driver the user names in SDL_VIDEODRIVER is taken as it is. Offscreen, the
// backend's hint has chosen.
int initVideo() {
    if (state.backend == PLATFORM_OFFSCREEN || isSet("SDL_VIDEODRIVER"))
        return SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* driver = SDL_GetVideoDriver(i);
        if (!driver || !showsWindows(driver)) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return 1;
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    return 0;
}

// The video subsystem comes up once and stays up for the process: tearing it down on every
// re-creation would reload the GL driver each time, which is slow and leaks inside the
// driver on every load.
int bringVideoUp() {
    if (state.videoUp) return 1;
    // A fullscreen demo that loses the focus keeps its mode and goes on drawing.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (!initVideo()) return 0;
    SDL_GL_LoadLibrary(nullptr);  // held, so destroying the last window keeps it loaded
    watchDisplayConnection();
    state.videoUp = 1;
    return 1;
}
}  // namespace

const char* platformDisplayProblem() {
    if (state.backend == PLATFORM_OFFSCREEN) return nullptr;
    // A memory driver named in SDL_VIDEODRIVER would come up, and show nothing all the same.
    if (bringVideoUp() && showsWindows(SDL_GetCurrentVideoDriver())) return nullptr;
#if defined(_WIN32) || defined(__APPLE__)
    return "no display could be opened";
#else
    static char problem[512];
    const char* x11 = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))
        std::snprintf(problem, sizeof problem, "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    else
        std::snprintf(problem, sizeof problem, "no display could be opened (DISPLAY=%s, WAYLAND_DISPLAY=%s)",
                      x11 ? x11 : "", wayland ? wayland : "");
    return problem;
#endif
}

int platformSelectBackend(PlatformBackend backend) {
    if (state.videoUp) return backend == state.backend;
    state.backend = backend;
    if (backend == PLATFORM_OFFSCREEN)
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, offscreenDriver, SDL_HINT_OVERRIDE);
    else SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    return 1;
}

PlatformBackend platformBackend() { return state.backend; }

int platformRegisterWindowClass() {
    if (state.registered) return 1;
    if (!bringVideoUp()) return 0;
    SDL_DisableScreenSaver();
    state.registered = 1;
    return 1;
}

int platformUnregisterWindowClass() {
    if (!state.registered || state.window) return 0;  // a window of the class still exists
    state.registered = 0;
    state.modeChanged = 0;
    return 1;
}

int platformChangeDisplayMode(int width, int height, int bits) {
    if (state.backend == PLATFORM_OFFSCREEN || !state.registered) return 0;
    SDL_DisplayMode want{};
    want.format = bits <= 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    want.w = width;
    want.h = height;
    SDL_DisplayMode closest;
    if (!SDL_GetClosestDisplayMode(0, &want, &closest)) return 0;
    if (closest.w != width || closest.h != height) return 0;
    state.fullscreenMode = closest;
    state.modeChanged = 1;
    return 1;
}

void platformRestoreDisplayMode() {
    // Leaving fullscreen gives the desktop its own mode back before the window goes.
    if (state.window && (SDL_GetWindowFlags(state.window) & SDL_WINDOW_FULLSCREEN))
        SDL_SetWindowFullscreen(state.window, 0);
    state.modeChanged = 0;
}

void platformShowCursor(int visible) {
    if (state.videoUp) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

int platformCreateWindow(const char* title, int width, int height, int fullscreen, const PlatformPixelFormat* format) {
    if (!state.registered || state.window) return 0;
    state.attributesAccepted = applyPixelFormat(*format);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    // A fullscreen window covers the display; a windowed one has a sizeable frame.
    if (fullscreen && state.modeChanged) flags |= SDL_WINDOW_FULLSCREEN;
    else if (state.backend == PLATFORM_OFFSCREEN && offscreenWindowHidden) flags |= SDL_WINDOW_BORDERLESS;
#if !defined(__EMSCRIPTEN__)
    // In the browser the canvas keeps the window's own size and the page scales it, as a
    // display scales a fullscreen mode; a resizable window would take the size of the page.
    else flags |= SDL_WINDOW_RESIZABLE;
#endif
    state.window = SDL_CreateWindow(title, 0, 0, width, height, flags);
    if (!state.window) return 0;
    // Hidden until shown, so the mode takes effect when the window first appears.
    if (flags & SDL_WINDOW_FULLSCREEN) SDL_SetWindowDisplayMode(state.window, &state.fullscreenMode);
    return 1;
}

int platformGetDeviceContext() {
    if (!state.window || !(SDL_GetWindowFlags(state.window) & SDL_WINDOW_OPENGL)) return 0;
    state.drawableHeld = 1;
    return 1;
}

int platformReleaseDeviceContext() {
    if (!state.drawableHeld) return 0;
    state.drawableHeld = 0;
    return 1;
}

int platformChoosePixelFormat(const PlatformPixelFormat* format) {
    // SDL matched the visual to the attributes when it made the window: there is one format,
    // number 1, when every attribute was taken and the format asks for colour and depth.
    if (!state.drawableHeld || !state.attributesAccepted) return 0;
    return format->colourBits > 0 && format->depthBits > 0 ? 1 : 0;
}

int platformSetPixelFormat(int formatNumber) { return state.drawableHeld && formatNumber == 1; }

int platformCreateContext() {
    if (!state.window || state.context) return 0;
    state.context = SDL_GL_CreateContext(state.window);
    state.contextFresh = state.context != nullptr;
    if (state.context && !state.exitHandlerSet) state.exitHandlerSet = std::atexit(restoreAtExit) == 0;
    return state.context != nullptr;
}

int platformMakeCurrent() {
    if (!state.window || !state.context) return 0;
    if (SDL_GL_MakeCurrent(state.window, state.context) != 0) return 0;
#if defined(__EMSCRIPTEN__)
    if (state.contextFresh) gl11ContextCreated();
#endif
    state.contextFresh = 0;
    platformSetSwapInterval(state.swapInterval ? state.swapInterval : 1);
    return 1;
}

int platformReleaseCurrent() {
    if (!state.window) return 0;
    return SDL_GL_MakeCurrent(state.window, nullptr) == 0;
}

int platformDeleteContext() {
    if (!state.context) return 0;
#if defined(__EMSCRIPTEN__)
    // The canvas keeps its WebGL context: the layer's objects are deleted while it is current.
    if (state.window && SDL_GL_MakeCurrent(state.window, state.context) == 0) gl11ContextDeleted();
#endif
    SDL_GL_DeleteContext(state.context);
    state.context = nullptr;
    return 1;
}

int platformDestroyWindow() {
    if (!state.window) return 0;
    SDL_DestroyWindow(state.window);
    state.window = nullptr;
    // Whatever the old window still had queued about itself is moot now.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_WINDOWEVENT);
    state.drawableHeld = 0;
    return 1;
}

void platformShowWindow() {
    if (!state.window || (state.backend == PLATFORM_OFFSCREEN && offscreenWindowHidden)) return;
    SDL_ShowWindow(state.window);
    SDL_RaiseWindow(state.window);
    // Without a window manager nobody hands a fullscreen window the keyboard; take it.
    SDL_SetWindowInputFocus(state.window);
}

void platformSwapBuffers() {
    if (!state.window) return;
#if defined(__EMSCRIPTEN__)
    // The browser shows the canvas once control returns to it, at its next animation frame.
    gl11Flush();
    ++state.swaps;
    platformWebNextFrame();
#else
    SDL_GL_SwapWindow(state.window);
    simulatedSwap(state.swapInterval);
    ++state.swaps;
#endif
}

void platformSetSwapInterval(int refreshes) {
    state.swapInterval = refreshes;
    if (!state.context) return;
#if defined(__EMSCRIPTEN__)
    // The page presents at the browser's animation frames; SDL would ask for a main loop.
    return;
#else
    // Not every driver can; the live pace keeps its own deadlines either way. Offscreen
    // nothing waits for a display.
    SDL_GL_SetSwapInterval(state.backend == PLATFORM_OFFSCREEN ? 0 : refreshes);
#endif
}

int platformDisplayRefreshHz() {
    if (simulatedDisplayHz()) return simulatedDisplayHz();
    if (!state.window || state.backend == PLATFORM_OFFSCREEN) return 0;
    // The mode the display runs now: the fullscreen mode, or the desktop's around a window.
    const int display = SDL_GetWindowDisplayIndex(state.window);
    SDL_DisplayMode mode;
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
    return mode.refresh_rate > 0 ? mode.refresh_rate : 0;
}

uint32_t platformSwapCount() { return state.swaps; }

void platformWindowSize(int* width, int* height) {
    *width = 0;
    *height = 0;
    if (state.window) SDL_GL_GetDrawableSize(state.window, width, height);
}

int platformIsFullscreen() { return state.window && (SDL_GetWindowFlags(state.window) & SDL_WINDOW_FULLSCREEN) != 0; }

void platformMinimizeWindow() {
    if (state.window) SDL_MinimizeWindow(state.window);
}

void platformMaximizeWindow() {
    if (state.window) SDL_MaximizeWindow(state.window);
}

void platformRestoreWindow() {
    if (state.window) SDL_RestoreWindow(state.window);
}

int platformScreenSaverAllowed() { return SDL_IsScreenSaverEnabled() == SDL_TRUE; }

void platformAllowScreenSaver() { SDL_EnableScreenSaver(); }

void platformSetExitHook(PlatformExitHook hook) { state.exitHook = hook; }

SDL_Window* platformSdlWindow() { return state.window; }

int platformMaxViewport(const PlatformPixelFormat* format, int* width, int* height) {
    *width = 0;
    *height = 0;
#if defined(__EMSCRIPTEN__)
    (void)format;
    return 0;  // the page has one canvas, the demo's: no second window to ask through
#else
    if (state.window || !bringVideoUp()) return 0;
    applyPixelFormat(*format);
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!probe) return 0;
    SDL_GLContext context = SDL_GL_CreateContext(probe);
    GLint dims[2] = {0, 0};
    if (context && SDL_GL_MakeCurrent(probe, context) == 0) glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    if (context) SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(probe);
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_WINDOWEVENT);  // nothing of the probe reaches the demo's messages
    *width = dims[0];
    *height = dims[1];
    return dims[0] > 0 && dims[1] > 0;
#endif
}
