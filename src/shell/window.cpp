// openWindow, closeWindow and resizeView: the demo window with its rendering context, created
// step by step with one message box per failure, the 45-degree projection and the 4:3 framing.
#include "shell/window.h"

#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {
// Handles of the open window; SDL keeps the real ones, these say which steps succeeded.
struct {
    int hInstance;
    int hWnd;
    int hDC;
    int hRC;
    int pixelFormatFilled;  // colour bits taken from the first successful window
    PlatformPixelFormat pixelFormat;
    int frameWidth, frameHeight;  // --size, 0 when not given
} state = {0, 0, 0, 0, 0, {0, 16, 1}, 0, 0};

void creationError(const char* text, PlatformIcon icon = PLATFORM_ICON_EXCLAMATION) {
    platformMessageBox("ERROR", text, PLATFORM_BUTTONS_OK, icon);
}

void shutdownError(const char* text) {
    platformMessageBox("SHUTDOWN ERROR", text, PLATFORM_BUTTONS_OK, PLATFORM_ICON_INFORMATION);
}

// From window creation on, a failure first releases whatever exists, then reports.
int failAfterCreation(const char* text) {
    closeWindow();
    creationError(text);
    return 0;
}

// The one question the program asks: Yes goes on in a window, No ends the program. Its caption
// is fixed and differs from the window's title and from the failure boxes' "ERROR", since it
// asks rather than reports; the end-to-end tests find the box by it.
int askForWindowedMode() {
    const int answer = platformMessageBox(
        "Tavo GL", "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
        PLATFORM_BUTTONS_YESNO, PLATFORM_ICON_EXCLAMATION);
    if (answer == PLATFORM_ANSWER_YES) {
        fullscreen = 0;
        return 1;
    }
    creationError("Program Will Now Close.", PLATFORM_ICON_STOP);
    return 0;
}
}  // namespace

int openWindow(const char* title, int width, int height, int bits, int fullscreenFlag) {
    fullscreen = static_cast<unsigned char>(fullscreenFlag);
    state.hInstance = 1;
    if (!platformRegisterWindowClass()) {
        creationError("Failed To Register The Window Class.");
        return 0;
    }
    if (fullscreen && !platformChangeDisplayMode(width, height, bits) && !askForWindowedMode()) return 0;
    if (fullscreen) platformShowCursor(0);
    // Fullscreen keeps the display mode it asked for; a windowed window, the fallback
    // included, takes the --size frame.
    if (!fullscreen && state.frameWidth) {
        width = state.frameWidth;
        height = state.frameHeight;
    }

    // The visual is fixed when the window is made, so the first window asks with the colour
    // bits it was given; the record keeps them from the first success on.
    PlatformPixelFormat wanted = state.pixelFormat;
    if (!state.pixelFormatFilled) wanted.colourBits = bits;
    if (!platformCreateWindow(title, width, height, fullscreen, &wanted))
        return failAfterCreation("Window Creation Error.");
    state.hWnd = 1;
    if (!state.pixelFormatFilled) {
        state.pixelFormat.colourBits = bits;
        state.pixelFormatFilled = 1;
    }
    if (!platformGetDeviceContext()) return failAfterCreation("Can't Create A GL Device Context.");
    state.hDC = 1;
    const int formatNumber = platformChoosePixelFormat(&state.pixelFormat);
    if (!formatNumber) return failAfterCreation("Can't Find A Suitable PixelFormat.");
    if (!platformSetPixelFormat(formatNumber)) return failAfterCreation("Can't Set The PixelFormat.");
    if (!platformCreateContext()) return failAfterCreation("Can't Create A GL Rendering Context.");
    state.hRC = 1;
    if (!platformMakeCurrent()) return failAfterCreation("Can't Activate The GL Rendering Context.");

    platformShowWindow();
    sizeView(width, height);
    runStartup();
    return 1;
}

void closeWindow() {
    runShutdown();  // the mirror of start-up, while its context is still current
    if (fullscreen) {
        platformRestoreDisplayMode();
        platformShowCursor(1);
    }
    if (state.hRC) {
        if (!platformReleaseCurrent()) shutdownError("Release Of DC And RC Failed.");
        if (!platformDeleteContext()) shutdownError("Release Rendering Context Failed.");
        state.hRC = 0;
    }
    if (state.hDC) {
        if (!platformReleaseDeviceContext()) shutdownError("Release Device Context Failed.");
        state.hDC = 0;
    }
    if (state.hWnd) {
        if (!platformDestroyWindow()) shutdownError("Could Not Release hWnd.");
        state.hWnd = 0;
    }
    if (!platformUnregisterWindowClass()) shutdownError("Could Not Unregister Class.");
    state.hInstance = 0;
}

void resizeView(int width, int height) {
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

ViewBox demoBox(int width, int height) {
    ViewBox box;
    if (static_cast<long>(width) * demoHeight >= static_cast<long>(height) * demoWidth) {
        box.height = height;  // as wide or wider than 4:3: bars left and right
        box.width = static_cast<int>(static_cast<long>(height) * demoWidth / demoHeight);
    } else {
        box.width = width;  // taller: bars above and below
        box.height = static_cast<int>(static_cast<long>(width) * demoHeight / demoWidth);
    }
    box.x = (width - box.width) / 2;
    box.y = (height - box.height) / 2;
    return box;
}

void setFrameSize(int width, int height) {
    state.frameWidth = width > 0 && height > 0 ? width : 0;
    state.frameHeight = width > 0 && height > 0 ? height : 0;
}

int frameWidth() { return state.frameWidth ? state.frameWidth : demoWidth; }
int frameHeight() { return state.frameHeight ? state.frameHeight : demoHeight; }

std::string frameSizeProblem() {
    if (!state.frameWidth) return "";
    PlatformPixelFormat format = state.pixelFormat;
    if (!format.colourBits) format.colourBits = 16;
    int maxWidth = 0, maxHeight = 0;
    // Without a probe context the demo window's own creation reports what is wrong.
    if (!platformMaxViewport(&format, &maxWidth, &maxHeight)) return "";
    if (state.frameWidth <= maxWidth && state.frameHeight <= maxHeight) return "";
    return "--size " + std::to_string(state.frameWidth) + "x" + std::to_string(state.frameHeight) +
           " is larger than this OpenGL can draw (at most " + std::to_string(maxWidth) + "x" +
           std::to_string(maxHeight) + ")";
}

void sizeView(int width, int height) {
    if (!state.frameWidth || width != state.frameWidth || height != state.frameHeight) {
        resizeView(width, height);
        return;
    }
    const ViewBox box = demoBox(width, height);
    resizeView(box.width, box.height);  // the projection of the box's own shape
    glViewport(box.x, box.y, box.width, box.height);
}
