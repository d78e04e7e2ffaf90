// Inside the platform: what the interrupt service shares with the message loop and the
// message boxes. The public half is in platform.h.
#pragma once

// 1 exactly once after each caught interrupt: the poll then delivers WM_CLOSE.
int takeInterruptClose();

// While a modal box is shown by a process that thread `threadId` starts (SDL's X11 boxes are
// drawn by a child process), an interrupt ends that process, and with it the box; 0 clears.
void setInterruptibleBoxThread(long threadId);
// This thread's id, as setInterruptibleBoxThread wants it.
long currentThreadId();
