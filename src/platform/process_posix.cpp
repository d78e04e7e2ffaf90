// Child processes on POSIX systems: pipes handed over as descriptors 3 and up, posix_spawn
// into a process group of their own, poll, wait4; our figures from /proc and getrusage.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

struct PlatformChild {
    int count = 0;
    int readEnd[platformMaxChildPipes] = {-1, -1};   // the child's, until it is started
    int writeEnd[platformMaxChildPipes] = {-1, -1};  // ours, non-blocking
    pid_t pid = -1;
    int ended = 0;
    PlatformChildEnd end;
};

namespace {
// The child reads pipe i on descriptor 3 + i; its standard input stays away from us.
constexpr int firstChildFd = 3;

// The groups a second interrupt must kill, kept in plain memory for the signal handler.
constexpr int maxLiveChildren = 8;
volatile sig_atomic_t liveGroups[maxLiveChildren];

void rememberLive(pid_t pid) {
    for (auto& slot : liveGroups)
        if (slot == 0) {
            slot = pid;
            return;
        }
}

void forgetLive(pid_t pid) {
    for (auto& slot : liveGroups)
        if (slot == pid) slot = 0;
}

// ru_maxrss is in kilobytes on Linux and the BSDs, in bytes on macOS.
long maxRssKb(const struct rusage& usage) {
#if defined(__APPLE__)
    return static_cast<long>(usage.ru_maxrss / 1024);
#else
    return static_cast<long>(usage.ru_maxrss);
#endif
}

double cpuSeconds(const struct rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A pipe with both ends closed on exec; the read end is moved above the child's fixed
// numbers so that the dup2 calls of the spawn cannot trample each other.
int makePipe(int* readEnd, int* writeEnd, size_t bufferBytes) {
    int fds[2];
#if defined(__APPLE__)
    if (pipe(fds) != 0) return 0;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#else
    if (pipe2(fds, O_CLOEXEC) != 0) return 0;
#endif
    *readEnd = fcntl(fds[0], F_DUPFD_CLOEXEC, firstChildFd + platformMaxChildPipes);
    close(fds[0]);
    *writeEnd = fds[1];
    if (*readEnd < 0) {
        close(fds[1]);
        return 0;
    }
#if defined(F_SETPIPE_SZ)
    // Fewer wake-ups; a smaller pipe works too.
    if (bufferBytes > 65536) fcntl(*writeEnd, F_SETPIPE_SZ, static_cast<int>(bufferBytes));
#else
    (void)bufferBytes;
#endif
    fcntl(*writeEnd, F_SETFL, fcntl(*writeEnd, F_GETFL) | O_NONBLOCK);
#if defined(F_SETNOSIGPIPE)
    fcntl(*writeEnd, F_SETNOSIGPIPE, 1);
#endif
    return 1;
}

void closeFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

void closeReadEnds(PlatformChild* child) {
    for (int i = 0; i < child->count; ++i) closeFd(&child->readEnd[i]);
}
}  // namespace

std::string platformFindProgram(const std::string& name) {
    if (name.empty()) return "";
    const char* path = std::getenv("PATH");
    if (!path) return "";
    const std::string dirs = path;
    size_t start = 0;
    for (;;) {
        const size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos) return "";
        start = end + 1;
    }
}

std::string platformProgramSource(const std::string& name) { return "Debian package \"" + name + "\""; }

PlatformChild* platformCreateChild(int count, const size_t* bufferBytes) {
    if (count < 0 || count > platformMaxChildPipes) return nullptr;
    PlatformChild* child = new PlatformChild;
    for (int i = 0; i < count; ++i) {
        if (!makePipe(&child->readEnd[i], &child->writeEnd[i], bufferBytes ? bufferBytes[i] : 0)) {
            platformFreeChild(child);
            return nullptr;
        }
        child->count = i + 1;
    }
    return child;
}

std::string platformChildPipeName(const PlatformChild*, int index) {
    return "/dev/fd/" + std::to_string(firstChildFd + index);
}

int platformStartChild(PlatformChild* child, const std::vector<std::string>& args) {
    if (child->pid > 0 || args.empty()) return 0;
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int i = 0; i < child->count; ++i)
        posix_spawn_file_actions_adddup2(&actions, child->readEnd[i], firstChildFd + i);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    // Its own process group keeps a terminal's Ctrl-C and hang-up away from the child: its
    // parent decides when it ends, and can stop the whole group. Our ignored SIGPIPE and our
    // interrupt handlers are not passed on.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    closeReadEnds(child);  // the child holds them now; ours would keep its input open
    if (pid <= 0) return 0;
    child->pid = pid;
    rememberLive(pid);
    return 1;
}

namespace {
// A write to a pipe whose reader is gone raises SIGPIPE, which ends the process unless it is
// ignored: held back here for this thread, and taken off again if this write raised it.
ssize_t writeWithoutSigpipe(int fd, const void* data, size_t size) {
#if defined(F_SETNOSIGPIPE)
    return write(fd, data, size);  // the descriptor never raises it
#else
    sigset_t pipeSignal, old, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE);
    const ssize_t n = write(fd, data, size);
    const int writeError = errno;
    if (n < 0 && writeError == EPIPE && !wasPending) {
        const timespec none = {0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {}
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = writeError;
    return n;
#endif
}
}  // namespace

long platformWriteChildPipe(PlatformChild* child, int index, const void* data, size_t size) {
    const int fd = child->writeEnd[index];
    if (fd < 0) return -1;
    for (;;) {
        const ssize_t n = writeWithoutSigpipe(fd, data, size);
        if (n >= 0) return n > 0 || size == 0 ? static_cast<long>(n) : -1;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;  // EPIPE: the reader is gone
    }
}

int platformWaitChildPipes(PlatformChild* child, const int* wanted, int timeoutMs, int* ready) {
    pollfd fds[platformMaxChildPipes] = {};
    for (int i = 0; i < child->count; ++i) {
        ready[i] = 0;
        fds[i] = {child->writeEnd[i], static_cast<short>(wanted[i] && child->writeEnd[i] >= 0 ? POLLOUT : 0), 0};
    }
    const int n = poll(fds, static_cast<nfds_t>(child->count), timeoutMs);
    if (n < 0) return errno == EINTR ? 0 : -1;
    int count = 0;
    for (int i = 0; i < child->count; ++i) {
        // A closed reader shows as POLLERR or POLLHUP: the write then says so.
        ready[i] = (fds[i].revents & (POLLOUT | POLLERR | POLLHUP | POLLNVAL)) != 0;
        count += ready[i];
    }
    return count;
}

void platformCloseChildPipe(PlatformChild* child, int index) { closeFd(&child->writeEnd[index]); }

int platformPollChild(PlatformChild* child, PlatformChildEnd* end) {
    if (child->ended) {
        *end = child->end;
        return 1;
    }
    if (child->pid <= 0) return -1;
    int status = 0;
    struct rusage usage = {};
    pid_t waited;
    do {
        waited = wait4(child->pid, &status, WNOHANG, &usage);
    } while (waited < 0 && errno == EINTR);
    if (waited == 0) return 0;
    forgetLive(child->pid);
    if (waited < 0) {
        child->pid = -1;
        return -1;
    }
    child->ended = 1;
    child->end.exited = WIFEXITED(status) ? 1 : 0;
    child->end.code = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
    child->end.cpuSeconds = cpuSeconds(usage);
    child->end.peakResidentKb = maxRssKb(usage);
    *end = child->end;
    return 1;
}

double platformChildCpuSeconds(const PlatformChild* child) {
#if defined(__linux__)
    if (child->pid <= 0 || child->ended) return -1;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(child->pid));
    std::FILE* file = std::fopen(path, "r");
    if (!file) return -1;
    char text[1024];
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = '\0';
    const char* field = std::strrchr(text, ')');  // the command name may hold spaces
    unsigned long long user = 0, system = 0;
    if (!field || std::sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user, &system) != 2)
        return -1;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
#else
    (void)child;
    return -1;
#endif
}

void platformKillChild(PlatformChild* child) {
    if (child->pid > 0 && !child->ended) kill(-child->pid, SIGKILL);
}

void platformFreeChild(PlatformChild* child) {
    if (!child) return;
    for (int i = 0; i < child->count; ++i) closeFd(&child->writeEnd[i]);
    closeReadEnds(child);
    if (child->pid > 0 && !child->ended) {
        platformKillChild(child);
        int status;
        while (waitpid(child->pid, &status, 0) < 0 && errno == EINTR) {}
        forgetLive(child->pid);
    }
    delete child;
}

void platformKillChildrenNow() {
    for (auto& slot : liveGroups)
        if (slot > 0) kill(-static_cast<pid_t>(slot), SIGKILL);
}

long platformResidentKb() {
#if defined(__linux__)
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
#else
    return 0;
#endif
}

double platformProcessCpuSeconds() {
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

double platformThreadCpuSeconds() {
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

int platformStandardErrorColumns() {
    if (!isatty(STDERR_FILENO)) return 0;
    struct winsize size = {};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : usualTerminalColumns;
}

long platformPeakResidentKb() {
    struct rusage usage = {};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return maxRssKb(usage);
}
