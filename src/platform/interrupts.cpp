// The interrupt service's state on every system: the first interrupt caught, the close it asks
// of the message loop, and the last words run before an interrupt that insists ends the process.
#include <SDL.h>

#include <atomic>
#include <cstdlib>

#include "platform/interrupts.h"
#include "platform/platform.h"

namespace {
std::atomic<uint64_t> firstInterrupt{0};
std::atomic<PlatformLastWords> lastWords{nullptr};
int closeTaken = 0;  // the message loop's own
}  // namespace

void startInterruptService(PlatformLastWords words) {
    // SDL would otherwise turn SIGINT and SIGTERM into its own quit and forget the signal.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    firstInterrupt = 0;
    closeTaken = 0;
    lastWords = words;
}

void forgetLastWords() { lastWords = nullptr; }

InterruptVerdict receiveInterrupt(int signal, uint64_t nowMs) { return noteInterrupt(&firstInterrupt, signal, nowMs); }

void endAtInterrupt(int signal) {
    if (const PlatformLastWords words = lastWords.load()) words();
    std::_Exit(128 + signal);  // async-signal-safe, unlike exit
}

int platformCaughtInterrupt() { return firstInterruptSignal(firstInterrupt); }

int takeInterruptClose() {
    if (!firstInterrupt.load() || closeTaken) return 0;
    closeTaken = 1;
    return 1;
}
