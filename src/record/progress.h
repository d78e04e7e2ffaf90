// The recorder's progress report on standard error: a bar redrawn in place on a terminal,
// a plain line at every tenth of the demo otherwise.
#pragma once

// terminalColumns: the width of the terminal standard error goes to, 0 when it goes elsewhere.
void progressStart(int fps, int terminalColumns);
void progressFrame(long framesDone);  // cheap; redraws only now and then
// After the output is finished: the last report; after a failure only the bar's line ends,
// so that the failure is the one line that follows.
void progressFinish(long framesDone, int completed);
