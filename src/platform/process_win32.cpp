// Child processes on Windows: named pipes written with overlapped I/O, CreateProcessW with
// a quoted UTF-16 command line, a hidden console and a job of its own; figures from psapi.
#include "platform/process.h"

#include "platform/windows_api.h"
#include <io.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "platform/text_win32.h"

namespace {
// The exit code TerminateProcess leaves: reported as a kill, like SIGKILL on POSIX.
constexpr DWORD killedExitCode = 0xE0DE0009;
constexpr int killedSignal = 9;

// One overlapped operation at a time per pipe: first the connection, then writes.
struct Pipe {
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped = {};
    int connecting = 0;
    int writing = 0;  // a write of `pending` bytes from `buffer` is under way
    size_t pending = 0;
    std::vector<unsigned char> buffer;
    std::string name;
};

// The children a second interrupt must end; the handler runs on a thread of the system's.
constexpr int maxLiveChildren = 8;
std::atomic<HANDLE> liveJobs[maxLiveChildren];
std::atomic<HANDLE> liveProcesses[maxLiveChildren];

double seconds(const FILETIME& time) {
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 1e7;  // 100 ns units
}

double processCpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    return seconds(kernel) + seconds(user);
}

long peakWorkingSetKb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}

// The C runtime's rules for one argument of a command line (what CommandLineToArgvW and
// every MinGW or MSVC program's argv undo): quotes around it when it is empty or holds
// blanks or quotes; backslashes doubled only before a quote.
void appendQuoted(std::wstring* line, const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        *line += arg;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') line->append(backslashes * 2 + 1, L'\\');
        else line->append(backslashes, L'\\');
        backslashes = 0;
        *line += c;
    }
    line->append(backslashes * 2, L'\\');
    *line += L'"';
}

HANDLE inheritableCopy(HANDLE handle) {
    HANDLE copy = nullptr;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

void closeHandle(HANDLE* handle) {
    if (*handle && *handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = nullptr;
}

// A console handle writes to the console of the process that uses it, so a child on a console
// of its own would write our console handles into its hidden one: its output comes through a
// pipe instead, and a thread of ours copies it to our console.
struct Relay {
    HANDLE read = nullptr;
    HANDLE target = nullptr;  // ours, not owned
    HANDLE thread = nullptr;
};

DWORD WINAPI copyRelayed(void* parameter) {
    const Relay* relay = static_cast<const Relay*>(parameter);
    char buffer[4096];
    DWORD got = 0, written = 0;
    while (ReadFile(relay->read, buffer, sizeof buffer, &got, nullptr) && got > 0)
        WriteFile(relay->target, buffer, got, &written, nullptr);
    return 0;
}

// What the child gets in place of our output handle `ours`: a file or pipe as it is, the
// console through a relay. Null when we have none.
HANDLE childOutput(HANDLE ours, Relay* relay) {
    DWORD mode = 0;
    if (!ours || ours == INVALID_HANDLE_VALUE || !GetConsoleMode(ours, &mode)) return inheritableCopy(ours);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE write = nullptr;
    if (!CreatePipe(&relay->read, &write, &inherit, 0)) return nullptr;
    SetHandleInformation(relay->read, HANDLE_FLAG_INHERIT, 0);
    relay->target = ours;
    relay->thread = CreateThread(nullptr, 0, copyRelayed, relay, 0, nullptr);
    if (!relay->thread) {
        closeHandle(&relay->read);
        closeHandle(&write);
    }
    return write;
}

// Waits until the relay has passed on all the child wrote; it ends when every process that
// holds the pipe's other end has. One that outlives the child (outside the job) is cut off.
void finishRelay(Relay* relay, DWORD timeoutMs) {
    if (!relay->thread) return;
    if (WaitForSingleObject(relay->thread, timeoutMs) == WAIT_TIMEOUT) {
        CancelSynchronousIo(relay->thread);
        if (WaitForSingleObject(relay->thread, 1000) == WAIT_TIMEOUT) return;  // left to itself
    }
    closeHandle(&relay->thread);
    closeHandle(&relay->read);
}

int isProgramFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        std::wstring part = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        // PATH entries may be quoted when they hold a semicolon.
        if (part.size() >= 2 && part.front() == L'"' && part.back() == L'"') part = part.substr(1, part.size() - 2);
        if (!part.empty()) parts.push_back(part);
        if (end == std::wstring::npos) return parts;
        start = end + 1;
    }
}

std::wstring environmentText(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return L"";
    std::wstring value(size, L'\0');
    const DWORD written = GetEnvironmentVariableW(name, &value[0], size);
    value.resize(written < size ? written : 0);
    return value;
}

bool hasExtension(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && name.find_first_of(L"\\/", dot) == std::wstring::npos;
}
}  // namespace

struct PlatformChild {
    int count = 0;
    Pipe pipes[platformMaxChildPipes];
    HANDLE process = nullptr;
    HANDLE job = nullptr;
    Relay relays[2];  // the child's output and errors, when ours go to the console
    int slot = -1;
    int ended = 0;
    PlatformChildEnd end;
    long peakSeenKb = 0;  // the largest peak working set read while it ran
    ULONGLONG lastSampleMs = 0;
};

namespace {
void forgetLive(PlatformChild* child) {
    if (child->slot < 0) return;
    liveJobs[child->slot].store(nullptr);
    liveProcesses[child->slot].store(nullptr);
    child->slot = -1;
}

void rememberLive(PlatformChild* child) {
    for (int i = 0; i < maxLiveChildren; ++i) {
        HANDLE expected = nullptr;
        if (liveProcesses[i].compare_exchange_strong(expected, child->process)) {
            liveJobs[i].store(child->job);
            child->slot = i;
            return;
        }
    }
}

// A pipe only the child can open: a name nobody else uses, one instance, local clients only.
int makePipe(Pipe* pipe, size_t bufferBytes, int index) {
    static std::atomic<unsigned> serial{0};
    const std::string name = "\\\\.\\pipe\\quorvex-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(serial++) + "-" + std::to_string(index) + "-" +
                             std::to_string(GetTickCount64());
    const DWORD size = static_cast<DWORD>(std::min<size_t>(std::max<size_t>(bufferBytes, 65536), 1u << 22));
    pipe->handle = CreateNamedPipeW(widen(name).c_str(),
                                    PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                    PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, size, 0, 0, nullptr);
    if (pipe->handle == INVALID_HANDLE_VALUE) return 0;
    pipe->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!pipe->event) return 0;
    pipe->name = name;
    pipe->buffer.resize(size);
    // The connection completes when the child opens the name.
    pipe->overlapped = {};
    pipe->overlapped.hEvent = pipe->event;
    if (ConnectNamedPipe(pipe->handle, &pipe->overlapped)) return 1;
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) pipe->connecting = 1;
    else if (error == ERROR_PIPE_CONNECTED) SetEvent(pipe->event);
    else return 0;
    return 1;
}

// Whether the operation under way on the pipe has ended; `bytes` what it moved.
// 1 done, 0 still under way, -1 failed (the child closed the pipe or ended).
int finishOverlapped(Pipe* pipe, DWORD* bytes) {
    *bytes = 0;
    if (GetOverlappedResult(pipe->handle, &pipe->overlapped, bytes, FALSE)) return 1;
    const DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return 0;
    return error == ERROR_PIPE_CONNECTED ? 1 : -1;
}

void cancelPipe(Pipe* pipe) {
    if (pipe->handle == INVALID_HANDLE_VALUE) return;
    if (pipe->connecting || pipe->writing) {
        CancelIoEx(pipe->handle, &pipe->overlapped);
        DWORD bytes = 0;
        GetOverlappedResult(pipe->handle, &pipe->overlapped, &bytes, TRUE);
    }
    pipe->connecting = pipe->writing = 0;
    // Without DisconnectNamedPipe the child still reads what is in the pipe, then its end.
    CloseHandle(pipe->handle);
    pipe->handle = INVALID_HANDLE_VALUE;
}

// Windows keeps a process's peak working set after it ends, but Wine forgets it: the peak is
// also read now and then while the child runs (it only grows), and the larger figure kept.
void samplePeak(PlatformChild* child) {
    const ULONGLONG now = GetTickCount64();
    if (!child->process || child->ended || now - child->lastSampleMs < 50) return;
    child->lastSampleMs = now;
    child->peakSeenKb = std::max(child->peakSeenKb, peakWorkingSetKb(child->process));
}

int childEnded(const PlatformChild* child) {
    return child->ended || (child->process && WaitForSingleObject(child->process, 0) == WAIT_OBJECT_0);
}
}  // namespace

std::string platformFindProgram(const std::string& name) {
    if (name.empty()) return "";
    const std::wstring wide = widen(name);
    // As the command prompt does: the name as given when it has an extension, else with each
    // of PATHEXT's; in the PATH directories (a name with a directory part is not searched).
    std::vector<std::wstring> extensions;
    if (hasExtension(wide)) extensions.push_back(L"");
    const std::wstring pathext = environmentText(L"PATHEXT");
    for (const std::wstring& ext : split(pathext.empty() ? L".COM;.EXE;.BAT;.CMD" : pathext, L';'))
        extensions.push_back(ext);
    std::vector<std::wstring> dirs;
    if (wide.find_first_of(L"\\/:") != std::wstring::npos) dirs.push_back(L"");
    else dirs = split(environmentText(L"PATH"), L';');
    for (const std::wstring& dir : dirs) {
        std::wstring base = dir;
        if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
        base += wide;
        for (const std::wstring& ext : extensions) {
            // Only programs CreateProcess runs itself: no scripts for the command interpreter.
            std::wstring upper = ext.empty() ? base.substr(base.find_last_of(L'.')) : ext;
            for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
            if (upper != L".EXE" && upper != L".COM") continue;
            const std::wstring candidate = base + ext;
            if (isProgramFile(candidate)) return narrow(candidate);
        }
    }
    return "";
}

std::string platformProgramSource(const std::string& name) { return name + ".exe in a PATH directory"; }

PlatformChild* platformCreateChild(int count, const size_t* bufferBytes) {
    if (count < 0 || count > platformMaxChildPipes) return nullptr;
    PlatformChild* child = new PlatformChild;
    child->count = count;
    for (int i = 0; i < count; ++i) {
        if (!makePipe(&child->pipes[i], bufferBytes ? bufferBytes[i] : 0, i)) {
            platformFreeChild(child);
            return nullptr;
        }
    }
    return child;
}

std::string platformChildPipeName(const PlatformChild* child, int index) { return child->pipes[index].name; }

int platformStartChild(PlatformChild* child, const std::vector<std::string>& args) {
    if (child->process || args.empty()) return 0;
    const std::wstring program = widen(args[0]);
    std::wstring line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring arg = widen(args[i]);
        if (arg.empty() && !args[i].empty()) return 0;  // not UTF-8
        if (i) line += L' ';
        appendQuoted(&line, arg);
    }
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE input =
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE output = childOutput(GetStdHandle(STD_OUTPUT_HANDLE), &child->relays[0]);
    HANDLE errors = childOutput(GetStdHandle(STD_ERROR_HANDLE), &child->relays[1]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input == INVALID_HANDLE_VALUE ? nullptr : input;
    startup.hStdOutput = output;
    startup.hStdError = errors;

    // A hidden console of its own: Ctrl-C and Ctrl-Break on ours reach only us, and we end the
    // child (a process group alone would keep out Ctrl-C, but Ctrl-Break goes to every process
    // on the console). The job holds whatever it starts, and ends with us should we die first.
    child->job = CreateJobObjectW(nullptr, nullptr);
    if (child->job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(child->job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info);
    closeHandle(&input);
    closeHandle(&output);
    closeHandle(&errors);
    if (!started) {
        for (Relay& relay : child->relays) finishRelay(&relay, INFINITE);  // its pipe has no writer now
        closeHandle(&child->job);
        return 0;
    }
    // Nested jobs are refused on old systems; the process alone is ended then.
    if (child->job && !AssignProcessToJobObject(child->job, info.hProcess)) closeHandle(&child->job);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    child->process = info.hProcess;
    rememberLive(child);
    return 1;
}

long platformWriteChildPipe(PlatformChild* child, int index, const void* data, size_t size) {
    Pipe* pipe = &child->pipes[index];
    if (pipe->handle == INVALID_HANDLE_VALUE) return -1;
    DWORD bytes = 0;
    if (pipe->connecting) {
        const int done = finishOverlapped(pipe, &bytes);
        if (done < 0) return -1;
        if (done == 0) return childEnded(child) ? -1 : 0;
        pipe->connecting = 0;
    }
    if (pipe->writing) {
        const int done = finishOverlapped(pipe, &bytes);
        if (done <= 0) return done;
        pipe->writing = 0;
        return static_cast<long>(bytes);  // the front of what the caller offered before
    }
    if (size == 0) return 0;
    // Our own copy: the caller's buffer may move before the system has taken it.
    const size_t chunk = std::min(size, pipe->buffer.size());
    std::memcpy(pipe->buffer.data(), data, chunk);
    pipe->overlapped = {};
    pipe->overlapped.hEvent = pipe->event;
    ResetEvent(pipe->event);
    if (WriteFile(pipe->handle, pipe->buffer.data(), static_cast<DWORD>(chunk), &bytes, &pipe->overlapped))
        return static_cast<long>(bytes);
    if (GetLastError() != ERROR_IO_PENDING) return -1;
    pipe->writing = 1;
    pipe->pending = chunk;
    return 0;
}

int platformWaitChildPipes(PlatformChild* child, const int* wanted, int timeoutMs, int* ready) {
    samplePeak(child);
    HANDLE waits[platformMaxChildPipes + 1];
    int waitPipe[platformMaxChildPipes + 1];
    DWORD count = 0;
    int readyNow = 0;
    for (int i = 0; i < child->count; ++i) {
        ready[i] = 0;
        const Pipe& pipe = child->pipes[i];
        if (!wanted[i]) continue;
        if (pipe.handle == INVALID_HANDLE_VALUE || (!pipe.connecting && !pipe.writing)) {
            ready[i] = 1;  // takes bytes now, or fails at once
            ++readyNow;
            continue;
        }
        waitPipe[count] = i;
        waits[count++] = pipe.event;
    }
    if (readyNow || count == 0) return readyNow;
    // The child's end wakes us too: a pipe it never opened would otherwise wait for ever.
    if (child->process && !child->ended) {
        waitPipe[count] = -1;
        waits[count++] = child->process;
    }
    const DWORD result = WaitForMultipleObjects(count, waits, FALSE, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs));
    if (result == WAIT_TIMEOUT) return 0;
    if (result >= WAIT_OBJECT_0 + count) return -1;
    int found = 0;
    for (DWORD k = 0; k < count; ++k) {
        if (WaitForSingleObject(waits[k], 0) != WAIT_OBJECT_0) continue;
        if (waitPipe[k] < 0) {
            // Every wanted pipe now fails at once.
            for (int i = 0; i < child->count; ++i)
                if (wanted[i] && !ready[i]) {
                    ready[i] = 1;
                    ++found;
                }
        } else if (!ready[waitPipe[k]]) {
            ready[waitPipe[k]] = 1;
            ++found;
        }
    }
    return found;
}

void platformCloseChildPipe(PlatformChild* child, int index) { cancelPipe(&child->pipes[index]); }

int platformPollChild(PlatformChild* child, PlatformChildEnd* end) {
    if (child->ended) {
        *end = child->end;
        return 1;
    }
    if (!child->process) return -1;
    const DWORD state = WaitForSingleObject(child->process, 0);
    if (state == WAIT_TIMEOUT) {
        samplePeak(child);
        return 0;
    }
    if (state != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(child->process, &code);
    child->ended = 1;
    // TerminateProcess's code stands for SIGKILL, as the POSIX side would report it.
    child->end.exited = code != killedExitCode;
    child->end.code = code == killedExitCode ? killedSignal : static_cast<int>(code);
    child->end.cpuSeconds = processCpuSeconds(child->process);
    child->end.peakResidentKb = std::max(child->peakSeenKb, peakWorkingSetKb(child->process));
    forgetLive(child);
    // Its last words are out before whatever the caller says of its end.
    for (Relay& relay : child->relays) finishRelay(&relay, 2000);
    *end = child->end;
    return 1;
}

double platformChildCpuSeconds(const PlatformChild* child) {
    if (!child->process || child->ended) return -1;
    return processCpuSeconds(child->process);
}

void platformKillChild(PlatformChild* child) {
    if (!child->process || child->ended) return;
    if (child->job) TerminateJobObject(child->job, killedExitCode);
    TerminateProcess(child->process, killedExitCode);
}

void platformFreeChild(PlatformChild* child) {
    if (!child) return;
    for (int i = 0; i < child->count; ++i) {
        cancelPipe(&child->pipes[i]);
        closeHandle(&child->pipes[i].event);
    }
    if (child->process && !child->ended) {
        platformKillChild(child);
        WaitForSingleObject(child->process, INFINITE);
    }
    forgetLive(child);
    closeHandle(&child->process);
    closeHandle(&child->job);
    for (Relay& relay : child->relays) finishRelay(&relay, 2000);
    if (child->relays[0].thread || child->relays[1].thread) return;  // a relay still uses it
    delete child;
}

void platformKillChildrenNow() {
    for (int i = 0; i < maxLiveChildren; ++i) {
        if (HANDLE job = liveJobs[i].load()) TerminateJobObject(job, killedExitCode);
        if (HANDLE process = liveProcesses[i].load()) TerminateProcess(process, killedExitCode);
    }
}

long platformResidentKb() {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.WorkingSetSize / 1024);
}

long platformPeakResidentKb() { return peakWorkingSetKb(GetCurrentProcess()); }

double platformProcessCpuSeconds() { return std::max(0.0, processCpuSeconds(GetCurrentProcess())); }

double platformThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    return seconds(kernel) + seconds(user);
}

int platformStandardErrorColumns() {
    if (!_isatty(_fileno(stderr))) return 0;
    CONSOLE_SCREEN_BUFFER_INFO console;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &console)) return usualTerminalColumns;
    return console.srWindow.Right - console.srWindow.Left + 1;
}
