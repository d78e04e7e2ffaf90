// The recorder's progress report on standard error: a bar redrawn in place on a terminal,
// a plain line at every tenth of the demo otherwise.
#pragma once

constexpr int demoSeconds = 98;  // the closing scene ends the demo at this second

void progressStart(int fps, int terminal);
void progressFrame(long framesDone);  // cheap; redraws only now and then
void progressFinish(long framesDone);
