// Creation and release of the demo window with its rendering context, and the projection
// that follows the client size. Failures are reported in message boxes with fixed texts.
#pragma once

#include <string>

#include "render/frame.h"

// The largest frame side we take, whatever the GL implementation allows.
constexpr int maxFrameSide = 8192;
constexpr int minFrameWidth = 320;
constexpr int minFrameHeight = 240;

// A rectangle of a frame in GL's pixel convention: x from the left, y from the bottom.
struct ViewBox {
    int x, y, width, height;
};

// Window, context and view, then runStartup as the last step; 1 on success. After a failure
// everything made so far is released again and the reason shown.
int openWindow(const char* title, int width, int height, int bits, int fullscreenFlag);
// runShutdown, then display mode, context, window and class in that order; safe with any of
// them missing.
void closeWindow();
void resizeView(int width, int height);

// The largest centred 4:3 box of a width x height frame; the rest are the black bars.
ViewBox demoBox(int width, int height);

// --size: windowed windows open at width x height with the demo framed in its 4:3 box, and
// recordings are made at that size. 0 x 0 keeps the 640 x 480 window and whole-window view.
void setFrameSize(int width, int height);
int frameWidth();   // --size, else 640
int frameHeight();  // --size, else 480
// "" when the GL implementation can draw the --size frame, else the reason in one line.
// Reads the limit through a short probe window, so no demo window may be open.
std::string frameSizeProblem();

// The view for a client area: the framed 4:3 box while the window has its --size, and
// resizeView's whole-area view otherwise (640 x 480, or a window resized by hand).
void sizeView(int width, int height);
