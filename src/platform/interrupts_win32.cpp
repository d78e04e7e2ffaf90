// Interrupts on Windows, for the live demo and the recorder alike: Ctrl-C and Ctrl-Break arrive
// on a thread of the system's as SIGINT and SIGBREAK, the console closing as SIGTERM.
#include <SDL.h>

#include "platform/windows_api.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "platform/interrupt_rule.h"
#include "platform/interrupts.h"
#include "platform/platform.h"

namespace {
std::atomic<uint64_t> firstInterrupt{0};
std::atomic<PlatformLastWords> lastWords{nullptr};
std::atomic<int> catching{0};
int consoleHandlerSet = 0;
int closeTaken = 0;  // the message loop's own
// Windows ends a process 5 s after its console closed, or when the handler returns: the
// program gets most of that to finish, then the second interrupt that ends it at once.
constexpr DWORD closeGraceMs = 3500;

void onInterrupt(int signal) {
    if (noteInterrupt(&firstInterrupt, signal, GetTickCount64()) != INTERRUPT_INSISTS) return;
    if (const PlatformLastWords words = lastWords.load()) words();
    std::_Exit(128 + signal);
}

BOOL WINAPI onConsoleEvent(DWORD event) {
    if (!catching) return FALSE;
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        onInterrupt(event == CTRL_C_EVENT ? SIGINT : SIGBREAK);
        return TRUE;
    }
    if (event != CTRL_CLOSE_EVENT) return FALSE;
    onInterrupt(SIGTERM);
    Sleep(closeGraceMs);  // the program usually ends meanwhile
    onInterrupt(SIGTERM);
    return TRUE;
}
}  // namespace

void platformCatchInterrupts(PlatformLastWords words) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    firstInterrupt = 0;
    closeTaken = 0;
    lastWords = words;
    if (!consoleHandlerSet) consoleHandlerSet = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    catching = 1;
}

void platformStopCatchingInterrupts() {
    lastWords = nullptr;
    catching = 0;
}

int platformCaughtInterrupt() { return firstInterruptSignal(firstInterrupt); }

int takeInterruptClose() {
    if (!firstInterrupt.load() || closeTaken) return 0;
    closeTaken = 1;
    return 1;
}

// Windows boxes belong to this process and go with it.
void setInterruptibleBoxThread(long) {}

long currentThreadId() { return static_cast<long>(GetCurrentThreadId()); }
