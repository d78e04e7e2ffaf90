// Creation and release of the demo window with its rendering context, and the projection
// that follows the client size. Failures are reported in message boxes with fixed texts.
#pragma once

int openWindow(const char* title, int width, int height, int bits, int fullscreenFlag);
void closeWindow();
void resizeView(int width, int height);
