// Window events, one per poll, translated into the Windows messages the shell dispatches on.
// Keys arrive as Windows virtual-key numbers; minimizing and restoring arrive as activation.
#include "platform/platform.h"

#include <SDL.h>

#include <bitset>
#include <deque>
#include <mutex>

#include "platform/interrupts.h"

namespace {
struct {
    std::mutex postedLock;               // posting is allowed from any thread
    std::deque<PlatformMessage> posted;  // quit and injected messages, delivered first
    // The loop reads keys as states between messages, when the queue is empty. A release that
    // arrives with its press (a remote desktop's or a script's tap, or any tap during a frame
    // longer than the press) would undo it before the loop looked: such releases wait here
    // until the queue has been reported empty once.
    std::bitset<256> pressedUnseen;
    std::deque<PlatformMessage> releases;
    int releasesDue;
} state;

// Kept as written, one key a line with its left and right twins together:
// clang-format off
uintptr_t namedKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_TAB: return 0x09;
        case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
        case SDLK_PAUSE: return 0x13;
        case SDLK_CAPSLOCK: return 0x14;
        case SDLK_ESCAPE: return PLATFORM_VK_ESCAPE;
        case SDLK_SPACE: return 0x20;
        case SDLK_PAGEUP: return 0x21;
        case SDLK_PAGEDOWN: return 0x22;
        case SDLK_END: return 0x23;
        case SDLK_HOME: return 0x24;
        case SDLK_LEFT: return 0x25;
        case SDLK_UP: return 0x26;
        case SDLK_RIGHT: return 0x27;
        case SDLK_DOWN: return 0x28;
        case SDLK_PRINTSCREEN: return 0x2C;
        case SDLK_INSERT: return 0x2D;
        case SDLK_DELETE: return 0x2E;
        case SDLK_LGUI: return 0x5B;
        case SDLK_RGUI: return 0x5C;
        case SDLK_APPLICATION: return 0x5D;
        case SDLK_KP_MULTIPLY: return 0x6A;
        case SDLK_KP_PLUS: return 0x6B;
        case SDLK_KP_MINUS: return 0x6D;
        case SDLK_KP_PERIOD: return 0x6E;
        case SDLK_KP_DIVIDE: return 0x6F;
        case SDLK_NUMLOCKCLEAR: return 0x90;
        case SDLK_SCROLLLOCK: return 0x91;
        case SDLK_SEMICOLON: return 0xBA;
        case SDLK_EQUALS: return 0xBB;
        case SDLK_COMMA: return 0xBC;
        case SDLK_MINUS: return 0xBD;
        case SDLK_PERIOD: return 0xBE;
        case SDLK_SLASH: return 0xBF;
        case SDLK_BACKQUOTE: return 0xC0;
        case SDLK_LEFTBRACKET: return 0xDB;
        case SDLK_BACKSLASH: return 0xDC;
        case SDLK_RIGHTBRACKET: return 0xDD;
        case SDLK_QUOTE: return 0xDE;
        default: return 0;
    }
}
// clang-format on

uintptr_t virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + static_cast<uintptr_t>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + static_cast<uintptr_t>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return PLATFORM_VK_F1 + static_cast<uintptr_t>(key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return 0x7C + static_cast<uintptr_t>(key - SDLK_F13);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return 0x61 + static_cast<uintptr_t>(key - SDLK_KP_1);
    if (key == SDLK_KP_0) return 0x60;
    return namedKey(key);
}

// Alt combinations, the Alt keys and F10 are system keys: they never become key messages.
int isSystemKey(const SDL_Keysym& keysym, uintptr_t key) {
    return (keysym.mod & KMOD_ALT) || keysym.sym == SDLK_LALT || keysym.sym == SDLK_RALT || key == PLATFORM_VK_F10;
}

int translateWindowEvent(const SDL_WindowEvent& event, PlatformMessage* out) {
    switch (event.event) {
        case SDL_WINDOWEVENT_MINIMIZED: *out = {PLATFORM_WM_ACTIVATE, uintptr_t{1} << 16, 0}; return 1;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN: *out = {PLATFORM_WM_ACTIVATE, 1, 0}; return 1;
        case SDL_WINDOWEVENT_CLOSE: *out = {PLATFORM_WM_CLOSE, 0, 0}; return 1;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            const intptr_t w = event.data1 & 0xFFFF, h = event.data2 & 0xFFFF;
            *out = {PLATFORM_WM_SIZE, 0, w | (h << 16)};
            return 1;
        }
        default: return 0;  // focus changes leave the demo running, as does everything else
    }
}

int translate(const SDL_Event& event, PlatformMessage* out) {
    switch (event.type) {
        case SDL_QUIT: *out = {PLATFORM_WM_CLOSE, 0, 0}; return 1;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const uintptr_t key = virtualKey(event.key.keysym.sym);
            if (key == 0 || isSystemKey(event.key.keysym, key)) return 0;
            *out = {event.type == SDL_KEYDOWN ? PLATFORM_WM_KEYDOWN : PLATFORM_WM_KEYUP, key, 0};
            return 1;
        }
        case SDL_WINDOWEVENT: return translateWindowEvent(event.window, out);
        default: return 0;
    }
}

int takePosted(PlatformMessage* message) {
    if (takeInterruptClose()) {
        *message = {PLATFORM_WM_CLOSE, 0, 0};
        return 1;
    }
    std::lock_guard<std::mutex> hold(state.postedLock);
    if (state.posted.empty()) return 0;
    *message = state.posted.front();
    state.posted.pop_front();
    return 1;
}

// Holds back a key's release while its press has not yet been seen by an empty-queue pass.
int deliverNow(const PlatformMessage& message) {
    const size_t key = message.wParam & 0xFF;
    if (message.message == PLATFORM_WM_KEYDOWN) {
        state.pressedUnseen.set(key);
    } else if (message.message == PLATFORM_WM_KEYUP && state.pressedUnseen.test(key)) {
        state.releases.push_back(message);
        return 0;
    }
    return 1;
}

// What waits in our own queues: a release now due, else a posted message that is not held.
int takeQueued(PlatformMessage* message) {
    if (state.releasesDue && !state.releases.empty()) {
        *message = state.releases.front();
        state.releases.pop_front();
        return 1;
    }
    state.releasesDue = 0;
    while (takePosted(message))
        if (deliverNow(*message)) return 1;
    return 0;
}

// The queue is empty: the loop now sees every key pressed so far, and held releases may follow.
int queueEmpty() {
    state.pressedUnseen.reset();
    state.releasesDue = 1;
    return 0;
}
}  // namespace

int platformPeekMessage(PlatformMessage* message) {
    if (takeQueued(message)) return 1;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return queueEmpty();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // Untranslated events are the window system's own.
        if (translate(event, message) && deliverNow(*message)) return 1;
    }
    return queueEmpty();
}

int platformWaitMessage(PlatformMessage* message, int timeoutMs) {
    if (takeQueued(message)) return 1;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_Delay(static_cast<uint32_t>(timeoutMs));  // nothing can arrive; still never spin
        return queueEmpty();
    }
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, timeoutMs) && translate(event, message) && deliverNow(*message)) return 1;
    return platformPeekMessage(message);
}

void platformPostQuitMessage(int exitCode) {
    const PlatformMessage quit = {PLATFORM_WM_QUIT, static_cast<uintptr_t>(exitCode), 0};
    platformPostMessage(&quit);
}

void platformPostMessage(const PlatformMessage* message) {
    std::lock_guard<std::mutex> hold(state.postedLock);
    state.posted.push_back(*message);
}

void platformFlushMessages() {
    {
        std::lock_guard<std::mutex> hold(state.postedLock);
        state.posted.clear();
    }
    state.pressedUnseen.reset();
    state.releases.clear();
    state.releasesDue = 0;
    if (SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
}

intptr_t platformDefWindowProc(uint32_t message, uintptr_t wParam, intptr_t) {
    if (message != PLATFORM_WM_SYSCOMMAND) return 0;
    switch (wParam & 0xFFF0) {
        case PLATFORM_SC_CLOSE: {
            const PlatformMessage close = {PLATFORM_WM_CLOSE, 0, 0};
            platformPostMessage(&close);
            break;
        }
        case PLATFORM_SC_MINIMIZE: platformMinimizeWindow(); break;
        case PLATFORM_SC_MAXIMIZE: platformMaximizeWindow(); break;
        case PLATFORM_SC_RESTORE: platformRestoreWindow(); break;
        case PLATFORM_SC_SCREENSAVE:
        case PLATFORM_SC_MONITORPOWER: platformAllowScreenSaver(); break;
        default: break;
    }
    return 0;
}
