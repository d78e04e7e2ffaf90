// Modal message boxes with a caption, a text, OK or Yes/No buttons and an icon kind, owned by
// the demo window while it exists. Falls back to "CAPTION: text" on standard error.
#include "platform/platform.h"

#include <SDL.h>

#include "platform/interrupts.h"
#include "platform/sdl_window.h"

#include <cstdio>

#if defined(__EMSCRIPTEN__)
#include "platform/browser_web.h"
#endif

namespace {
struct {
    PlatformMessageBoxHook hook;
} state;

Uint32 iconFlags(PlatformIcon icon) {
    switch (icon) {
        case PLATFORM_ICON_STOP: return SDL_MESSAGEBOX_ERROR;
        case PLATFORM_ICON_INFORMATION: return SDL_MESSAGEBOX_INFORMATION;
        case PLATFORM_ICON_EXCLAMATION: break;
    }
    return SDL_MESSAGEBOX_WARNING;
}

int fallbackAnswer(const char* caption, const char* text, PlatformButtons buttons) {
    platformPrint(stderr, "%s: %s\n", caption, text);
    return buttons == PLATFORM_BUTTONS_YESNO ? PLATFORM_ANSWER_NO : PLATFORM_ANSWER_OK;
}
}  // namespace

void platformSetMessageBoxHook(PlatformMessageBoxHook hook) { state.hook = hook; }

int platformMessageBox(const char* caption, const char* text, PlatformButtons buttons, PlatformIcon icon) {
    if (state.hook) return state.hook(caption, text, buttons, icon);
    if (platformBackend() == PLATFORM_OFFSCREEN) return fallbackAnswer(caption, text, buttons);
#if defined(__EMSCRIPTEN__)
    const int answer = platformWebDialog(caption, text, buttons == PLATFORM_BUTTONS_YESNO);
    return answer ? answer : fallbackAnswer(caption, text, buttons);
#endif

    SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, PLATFORM_ANSWER_OK, "OK"}};
    SDL_MessageBoxButtonData yesNoButtons[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, PLATFORM_ANSWER_YES, "Yes"},
                                               {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, PLATFORM_ANSWER_NO, "No"}};
    const bool yesNo = buttons == PLATFORM_BUTTONS_YESNO;
    SDL_MessageBoxData box{};
    box.flags = iconFlags(icon);
    // Owned by the window while there is one, so a box can never open behind a fullscreen demo.
    box.window = platformSdlWindow();
    box.title = caption;
    box.message = text;
    box.numbuttons = yesNo ? 2 : 1;
    box.buttons = yesNo ? yesNoButtons : okButton;

    // Once interrupted the program is closing: a box would hold that up until answered.
    if (platformCaughtInterrupt()) return fallbackAnswer(caption, text, buttons);
    int pressed = -1;
    setInterruptibleBoxThread(currentThreadId());
    const int shown = SDL_ShowMessageBox(&box, &pressed);
    setInterruptibleBoxThread(0);
    if (platformCaughtInterrupt()) return yesNo ? PLATFORM_ANSWER_NO : PLATFORM_ANSWER_OK;  // closed by it
    if (shown != 0) {
        // There is a display, yet no box: say why, so the missing piece names itself. SDL
        // reports only its last try (zenity, after its own X11 box), whose error hides the
        // usual cause of the first: a server without the core fonts the box is drawn with.
        const char* driver = SDL_GetCurrentVideoDriver();
        const bool x11 = driver && SDL_strcmp(driver, "x11") == 0;
        platformPrint(stderr, "quorvex: cannot show a message box: %s%s\n", SDL_GetError(),
                      x11 ? " (on X11 usually the X core fonts are missing: Debian's xfonts-base)" : "");
        return fallbackAnswer(caption, text, buttons);
    }
    if (pressed < 0) return yesNo ? PLATFORM_ANSWER_NO : PLATFORM_ANSWER_OK;  // box closed
    return pressed;
}
