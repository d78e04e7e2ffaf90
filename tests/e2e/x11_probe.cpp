// A small X11 helper for the end-to-end scripts: asks a window to close as a window manager
// would, names a window's owner, tells whether the pointer shows a visible cursor and whether
// message boxes have fonts, counts the lit pixels of a window, gives a virtual screen a
// 640 x 480 mode and reads the one in use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int closeWindow(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, window, False, NoEventMask, &event)) return 1;
    XSync(display, False);
    return 0;
}

// Prints "hidden" when every pixel of the cursor under the pointer is transparent.
int cursorState(Display* display) {
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) return 1;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return 1;
    int visible = 0;
    for (int i = 0; i < image->width * image->height; ++i) {
        if ((image->pixels[i] >> 24) & 0xFF) visible = 1;
    }
    XFree(image);
    std::puts(visible ? "visible" : "hidden");
    return 0;
}

// Prints the window that WINDOW is transient for (its owner), or "none".
int ownerOf(Display* display, Window window) {
    Window owner = 0;
    if (!XGetTransientForHint(display, window, &owner) || !owner) {
        std::puts("none");
        return 0;
    }
    std::printf("0x%lx\n", static_cast<unsigned long>(owner));
    return 0;
}

// SDL draws its X11 message boxes with a 12-point core font; without one no box can open.
int boxFontState(Display* display) {
    int count = 0;
    char** names = XListFonts(display, "-*-*-medium-r-normal--*-120-*-*-*-*-*-*", 1, &count);
    if (names) XFreeFontNames(names);
    if (count > 0) return 0;
    std::puts("the X server has no 12-point core font for message boxes (Debian package xfonts-base)");
    return 1;
}

// Prints how many pixels of the rectangle (x, y from the window's top-left) are not black.
int litPixels(Display* display, Window window, int x, int y, int width, int height) {
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return 1;
    long lit = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) lit += XGetPixel(image, column, row) != 0;
    XDestroyImage(image);
    std::printf("%ld\n", lit);
    return 0;
}

// The first output of the screen and its CRTC, or nulls (release with releaseOutput).
struct Output {
    XRRScreenResources* resources = nullptr;
    XRROutputInfo* info = nullptr;
};

Output firstOutput(Display* display) {
    Output output;
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) return output;
    output.resources = XRRGetScreenResources(display, DefaultRootWindow(display));
    if (output.resources && output.resources->noutput > 0)
        output.info = XRRGetOutputInfo(display, output.resources, output.resources->outputs[0]);
    return output;
}

void releaseOutput(Output& output) {
    if (output.info) XRRFreeOutputInfo(output.info);
    if (output.resources) XRRFreeScreenResources(output.resources);
}

// Adds a 640 x 480 mode (the standard 60 Hz timings) to the first output. The server forgets
// it when the last client leaves unless it runs with -noreset.
int addMode(Display* display) {
    Output output = firstOutput(display);
    if (!output.info) {
        releaseOutput(output);
        return 1;
    }
    char name[] = "640x480";
    XRRModeInfo mode{};
    mode.width = 640;
    mode.height = 480;
    mode.dotClock = 25175000;
    mode.hSyncStart = 656;
    mode.hSyncEnd = 752;
    mode.hTotal = 800;
    mode.vSyncStart = 490;
    mode.vSyncEnd = 492;
    mode.vTotal = 525;
    mode.name = name;
    mode.nameLength = static_cast<int>(std::strlen(name));
    const RRMode id = XRRCreateMode(display, DefaultRootWindow(display), &mode);
    XRRAddOutputMode(display, output.resources->outputs[0], id);
    XSync(display, False);
    releaseOutput(output);
    return id ? 0 : 1;
}

// Prints the size of the mode the first output shows, "WxH".
int modeInUse(Display* display) {
    Output output = firstOutput(display);
    XRRCrtcInfo* crtc = output.info && output.info->crtc ? XRRGetCrtcInfo(display, output.resources, output.info->crtc) : nullptr;
    if (crtc) {
        std::printf("%ux%u\n", crtc->width, crtc->height);
        XRRFreeCrtcInfo(crtc);
    }
    releaseOutput(output);
    return crtc ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: x11_probe close WINDOW | owner WINDOW | cursor | box-font | lit WINDOW X Y W H\n"
                   "       | add-mode | mode\n", stderr);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    int status = 2;
    if (!std::strcmp(argv[1], "close") && argc == 3)
        status = closeWindow(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)));
    else if (!std::strcmp(argv[1], "owner") && argc == 3)
        status = ownerOf(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)));
    else if (!std::strcmp(argv[1], "cursor"))
        status = cursorState(display);
    else if (!std::strcmp(argv[1], "box-font"))
        status = boxFontState(display);
    else if (!std::strcmp(argv[1], "lit") && argc == 7)
        status = litPixels(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)), std::atoi(argv[3]),
                           std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    else if (!std::strcmp(argv[1], "add-mode"))
        status = addMode(display);
    else if (!std::strcmp(argv[1], "mode"))
        status = modeInUse(display);
    XCloseDisplay(display);
    return status;
}
