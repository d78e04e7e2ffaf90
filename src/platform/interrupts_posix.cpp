// Interrupts on POSIX systems, for the live demo and the recorder alike: SIGINT, SIGTERM and
// SIGHUP ask the program to close; a later, different one ends it at once. SIGPIPE is ignored.
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <atomic>

#include "platform/interrupts.h"

namespace {
const int caughtSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int caughtCount = 3;

std::atomic<long> boxThread{0};
int catching = 0;
struct sigaction savedActions[caughtCount];

uint64_t monotonicMs() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

// Kills the processes a box thread started, read from /proc/self/task/TID/children with
// async-signal-safe calls only. Other systems draw their boxes in-process.
void endBoxProcesses() {
#if defined(__linux__)
    const long tid = boxThread.load();
    if (tid <= 0) return;
    char path[64] = "/proc/self/task/";
    char digits[24];
    int n = 0;
    for (long v = tid; v > 0 && n < 20; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
    int at = 16;
    while (n > 0) path[at++] = digits[--n];
    const char tail[] = "/children";
    for (const char* c = tail; *c; ++c) path[at++] = *c;
    path[at] = '\0';
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    char text[256];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    long pid = 0;
    for (ssize_t i = 0; i < (got > 0 ? got : 0); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            pid = pid * 10 + (text[i] - '0');
        } else {
            if (pid > 0) kill(static_cast<pid_t>(pid), SIGKILL);
            pid = 0;
        }
    }
    if (pid > 0) kill(static_cast<pid_t>(pid), SIGKILL);
#endif
}

void onInterrupt(int signal) {
    const InterruptVerdict verdict = receiveInterrupt(signal, monotonicMs());
    if (verdict == INTERRUPT_ECHO) return;
    endBoxProcesses();  // a box would hold the close up until answered
    if (verdict == INTERRUPT_INSISTS) endAtInterrupt(signal);
}
}  // namespace

void platformCatchInterrupts(PlatformLastWords words) {
    startInterruptService(words);
    struct sigaction interrupt = {}, ignore = {};
    interrupt.sa_handler = onInterrupt;
    sigemptyset(&interrupt.sa_mask);
    for (int signal : caughtSignals) sigaddset(&interrupt.sa_mask, signal);  // one at a time per thread
    for (int i = 0; i < caughtCount; ++i)
        sigaction(caughtSignals[i], &interrupt, catching ? nullptr : &savedActions[i]);
    catching = 1;
    // For good: a write to a pipe whose reader is gone (standard error piped into `head`, an
    // encoder that died) fails and is dealt with, it never ends the process.
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
}

void platformStopCatchingInterrupts() {
    if (!catching) return;
    forgetLastWords();
    for (int i = 0; i < caughtCount; ++i) sigaction(caughtSignals[i], &savedActions[i], nullptr);
    catching = 0;
}

void setInterruptibleBoxThread(long threadId) { boxThread = threadId; }

long currentThreadId() {
#if defined(__linux__)
    return static_cast<long>(syscall(SYS_gettid));
#else
    return 0;
#endif
}
