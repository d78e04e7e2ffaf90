// Interrupts on Windows, for the live demo and the recorder alike: Ctrl-C and Ctrl-Break arrive
// on a thread of the system's as SIGINT and SIGBREAK, the console closing as SIGTERM.
#include "platform/windows_api.h"

#include <atomic>
#include <csignal>

#include "platform/interrupts.h"

namespace {
std::atomic<int> catching{0};
int consoleHandlerSet = 0;
// Windows ends a process 5 s after its console closed, or when the handler returns: the
// program gets most of that to finish, then the second interrupt that ends it at once.
constexpr DWORD closeGraceMs = 3500;

void onInterrupt(int signal) {
    if (receiveInterrupt(signal, GetTickCount64()) == INTERRUPT_INSISTS) endAtInterrupt(signal);
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
    startInterruptService(words);
    if (!consoleHandlerSet) consoleHandlerSet = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
    catching = 1;
}

void platformStopCatchingInterrupts() {
    forgetLastWords();
    catching = 0;
}

// Windows boxes belong to this process and go with it.
void setInterruptibleBoxThread(long) {}

long currentThreadId() { return static_cast<long>(GetCurrentThreadId()); }
