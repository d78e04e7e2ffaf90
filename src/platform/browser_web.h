// The browser's side of the seam, for the platform's own files: control goes back to the page
// at each picture and while the demo sleeps (the program is built with Asyncify for it).
#pragma once

void platformWebNextFrame();
void platformWebSleep(int ms);
// The page's dialog with the caption, text and OK or Yes/No; the button pressed (1, 6, 7), or
// 0 when the page has no dialog.
int platformWebDialog(const char* caption, const char* text, int yesNo);
