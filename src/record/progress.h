// The recorder's progress report on standard error: a bar redrawn in place on a terminal,
// a plain line at every tenth of the demo otherwise.
#pragma once

void progressStart(int fps, int terminal);
void progressFrame(long framesDone);  // cheap; redraws only now and then
void progressFinish(long framesDone);
