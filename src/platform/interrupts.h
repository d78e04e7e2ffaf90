// Inside the platform: what the interrupt service shares between its systems' halves, the
// message loop and the message boxes. The public half is in platform.h.
#pragma once

#include <cstdint>

#include "platform/interrupt_rule.h"
#include "platform/platform.h"

// The start of catching, on every system: SDL keeps its hands off the signals, no interrupt
// is caught yet, and `words` are what an insisting one runs.
void startInterruptService(PlatformLastWords words);
// An insisting interrupt from now on runs no last words.
void forgetLastWords();
// Notes an interrupt delivered at `nowMs` and says what it is: the first, its echo, or insisting.
InterruptVerdict receiveInterrupt(int signal, uint64_t nowMs);
// Runs the last words and ends the process with 128 + `signal`; safe in a signal handler.
[[noreturn]] void endAtInterrupt(int signal);

// 1 exactly once after each caught interrupt: the poll then delivers WM_CLOSE.
int takeInterruptClose();

// While a modal box is shown by a process that thread `threadId` starts (SDL's X11 boxes are
// drawn by a child process), an interrupt ends that process, and with it the box; 0 clears.
void setInterruptibleBoxThread(long threadId);
// This thread's id, as setInterruptibleBoxThread wants it.
long currentThreadId();
