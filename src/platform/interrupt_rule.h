// When a delivered interrupt is the user insisting and when it is an echo of the first one:
// the rule both interrupt services (POSIX signals, Windows console events) follow.
#pragma once

#include <atomic>
#include <cstdint>

// `timeout`, a session closing and some service managers signal the program and then its whole
// process group, so one request can arrive twice within microseconds; a person who presses
// Ctrl-C again takes far longer than this.
constexpr uint64_t interruptEchoMs = 500;

// Whether `signal` at `nowMs` ends the process at once, given the first interrupt caught
// (`firstSignal` at `firstMs`, 0 when none): only a later interrupt that is not the first
// one's echo does.
inline bool interruptInsists(int firstSignal, uint64_t firstMs, int signal, uint64_t nowMs) {
    if (firstSignal == 0) return false;
    return signal != firstSignal || nowMs - firstMs >= interruptEchoMs;
}

// The first interrupt as one word, (milliseconds << 8) | signal, 0 while none: handlers may run
// on two threads at once, and a second must never see the signal without its time.
enum InterruptVerdict { INTERRUPT_FIRST = 1, INTERRUPT_ECHO = 0, INTERRUPT_INSISTS = -1 };

inline InterruptVerdict noteInterrupt(std::atomic<uint64_t>* first, int signal, uint64_t nowMs) {
    uint64_t seen = 0;
    if (first->compare_exchange_strong(seen, (nowMs << 8) | static_cast<uint64_t>(signal & 0xFF)))
        return INTERRUPT_FIRST;
    return interruptInsists(static_cast<int>(seen & 0xFF), seen >> 8, signal, nowMs) ? INTERRUPT_INSISTS
                                                                                     : INTERRUPT_ECHO;
}

inline int firstInterruptSignal(const std::atomic<uint64_t>& first) { return static_cast<int>(first.load() & 0xFF); }
