// Window events, one per poll, translated into the Windows messages the shell dispatches on.
// Keys arrive as Windows virtual-key numbers; minimizing and restoring arrive as activation.
#include "platform/platform.h"

#include <SDL.h>

#include <deque>

namespace {
struct {
    std::deque<PlatformMessage> posted;  // quit and injected messages, delivered first
} state;

uintptr_t virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<uintptr_t>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<uintptr_t>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 112 + static_cast<uintptr_t>(key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE: return 27;
        case SDLK_RETURN: return 13;
        case SDLK_SPACE: return 32;
        case SDLK_TAB: return 9;
        case SDLK_BACKSPACE: return 8;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        default: return 0;
    }
}

int translate(const SDL_Event& event, PlatformMessage* out) {
    switch (event.type) {
        case SDL_QUIT:
            *out = {PLATFORM_WM_CLOSE, 0, 0};
            return 1;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const uintptr_t key = virtualKey(event.key.keysym.sym);
            if (key == 0 || (event.key.keysym.mod & KMOD_ALT)) return 0;  // system keys never reach the table
            *out = {event.type == SDL_KEYDOWN ? PLATFORM_WM_KEYDOWN : PLATFORM_WM_KEYUP, key, 0};
            return 1;
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_MINIMIZED:
                    *out = {PLATFORM_WM_ACTIVATE, uintptr_t{1} << 16, 0};
                    return 1;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_SHOWN:
                    *out = {PLATFORM_WM_ACTIVATE, 1, 0};
                    return 1;
                case SDL_WINDOWEVENT_CLOSE:
                    *out = {PLATFORM_WM_CLOSE, 0, 0};
                    return 1;
                case SDL_WINDOWEVENT_SIZE_CHANGED: {
                    const intptr_t w = event.window.data1 & 0xFFFF, h = event.window.data2 & 0xFFFF;
                    *out = {PLATFORM_WM_SIZE, 0, w | (h << 16)};
                    return 1;
                }
                default: return 0;
            }
        default: return 0;
    }
}

int takePosted(PlatformMessage* message) {
    if (state.posted.empty()) return 0;
    *message = state.posted.front();
    state.posted.pop_front();
    return 1;
}
}  // namespace

int platformPeekMessage(PlatformMessage* message) {
    if (takePosted(message)) return 1;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (translate(event, message)) return 1;  // untranslated events are the window system's own
    }
    return 0;
}

int platformWaitMessage(PlatformMessage* message, int timeoutMs) {
    if (takePosted(message)) return 1;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return 0;
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs) && translate(event, message)) return 1;
    return platformPeekMessage(message);
}

void platformPostQuitMessage(int exitCode) {
    state.posted.push_back({PLATFORM_WM_QUIT, static_cast<uintptr_t>(exitCode), 0});
}

void platformPostMessage(const PlatformMessage* message) { state.posted.push_back(*message); }
