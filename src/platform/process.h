// Child processes fed through pipes, our own CPU and memory figures, for the recorder: SDL has no process API, so each
// OS has its own file behind these plain functions.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Programs
// ---------------------------------------------------------------------------------------------

// The program `name` as the system's shell would find it: in the PATH directories (on Windows
// also with each of PATHEXT's extensions, and only files that are programs); "" when none is.
std::string platformFindProgram(const std::string& name);
// How a user of this system gets a missing program, for messages: a Debian package of the
// same name, or on Windows the program file in a PATH directory.
std::string platformProgramSource(const std::string& name);

// ---------------------------------------------------------------------------------------------
// A child process that reads its input from pipes of ours
// ---------------------------------------------------------------------------------------------

struct PlatformChild;
constexpr int platformMaxChildPipes = 2;

// Makes `count` pipes (at most platformMaxChildPipes) for a child that is not started yet;
// `bufferBytes[i]` is how much the system should hold in pipe i (a hint). Null on failure.
PlatformChild* platformCreateChild(int count, const size_t* bufferBytes);
// The name under which the child opens pipe `index` as a file (POSIX "/dev/fd/3",
// Windows "\\.\pipe\...").
std::string platformChildPipeName(const PlatformChild* child, int index);
// Starts args[0] (a full path, as platformFindProgram gives it) with the arguments, UTF-8,
// passed exactly. Standard input is the null device; output and errors are ours. The child
// gets its own process group (Windows: its own hidden console), so a terminal's Ctrl-C (and
// Ctrl-Break) reaches only us. 1 on success.
int platformStartChild(PlatformChild* child, const std::vector<std::string>& args);

// Hands over what pipe `index` takes now, never waiting: the count of bytes taken (0 when the
// pipe is full), or -1 when the child has closed it or ended. Bytes not taken must be offered
// again at the front of the next call.
long platformWriteChildPipe(PlatformChild* child, int index, const void* data, size_t size);
// Waits up to `timeoutMs` (0: only looks) until a pipe with wanted[i] set can take bytes, and
// sets ready[i] for each. Returns how many are ready; 0 on timeout or when a signal came.
// -1 on error.
int platformWaitChildPipes(PlatformChild* child, const int* wanted, int timeoutMs, int* ready);
// The child reads what is in the pipe and then its end.
void platformCloseChildPipe(PlatformChild* child, int index);

struct PlatformChildEnd {
    int exited = 0;           // 1: ended with an exit status; 0: killed (by a signal)
    int code = 0;             // the exit status or the signal
    double cpuSeconds = 0;    // user + system
    long peakResidentKb = 0;  // largest resident size (Windows: peak working set)
};
// 1 once the child has ended (with `end` filled), 0 while it runs, -1 when it is lost.
int platformPollChild(PlatformChild* child, PlatformChildEnd* end);
// CPU seconds the running child has used so far; -1 when the system cannot say.
double platformChildCpuSeconds(const PlatformChild* child);
// Ends the child and every process it started, at once; platformPollChild then reports it.
void platformKillChild(PlatformChild* child);
// Closes what is left. A child still running is killed first.
void platformFreeChild(PlatformChild* child);
// For a signal handler (POSIX: only async-signal-safe calls): kills every child started and
// not yet reported ended.
void platformKillChildrenNow();

// ---------------------------------------------------------------------------------------------
// This process
// ---------------------------------------------------------------------------------------------

long platformResidentKb();           // resident memory now; 0 when unknown
long platformPeakResidentKb();       // largest resident memory so far; 0 when unknown
double platformProcessCpuSeconds();  // user + system time of all our threads so far
double platformThreadCpuSeconds();   // user + system time of the calling thread so far
// The width in columns of the terminal standard error goes to, where a progress line may be
// redrawn in place (a line as wide wraps); usualTerminalColumns when the terminal does not
// tell, 0 when standard error is no terminal.
constexpr int usualTerminalColumns = 80;
int platformStandardErrorColumns();
