// Creation and release of the demo window with its rendering context, and the projection
// that follows the client size. Failures are reported in message boxes with fixed texts.
#pragma once

// Window, context and view, then runStartup as the last step; 1 on success. After a failure
// everything made so far is released again and the reason shown.
int openWindow(const char* title, int width, int height, int bits, int fullscreenFlag);
// Display mode, context, window and class in that order, then runShutdown; safe with any
// of them missing.
void closeWindow();
void resizeView(int width, int height);
