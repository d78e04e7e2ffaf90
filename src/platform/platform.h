// The platform seam: every service the portable demo needs from the machine, as plain functions.
// Window and GL context, one message per poll, swap, message boxes, clocks, files, audio device.
#pragma once

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------------------------
// Start and backend
// ---------------------------------------------------------------------------------------------

// WINDOWED_DISPLAY shows real windows on the desktop; OFFSCREEN renders into an invisible
// target of the window's size and needs no display server at all (tests and the recorder).
enum PlatformBackend { PLATFORM_DISPLAY = 0, PLATFORM_OFFSCREEN = 1 };

// Chooses the backend; must come before the first window. Returns 1 on success.
int platformSelectBackend(PlatformBackend backend);
PlatformBackend platformBackend();
// Why the display backend has nowhere to show a window (no display server, or only drivers
// that draw into memory), in a few words; null when there is a display, and always offscreen.
const char* platformDisplayProblem();

// ---------------------------------------------------------------------------------------------
// Window and rendering context, one step per function so each failure keeps its own message
// ---------------------------------------------------------------------------------------------

// The pixel format the demo asks for: colour and depth bits, double buffering, and nothing else.
struct PlatformPixelFormat {
    int colourBits;    // 16: red 5, green 6, blue 5
    int depthBits;     // 16
    int doubleBuffer;  // 1
};

int platformRegisterWindowClass();                               // video subsystem up (once); 1 on success
int platformUnregisterWindowClass();                             // 0 while a window exists; 1 on success
int platformChangeDisplayMode(int width, int height, int bits);  // 1 when the mode can be had
void platformRestoreDisplayMode();
void platformShowCursor(int visible);
// Creates the (hidden) window with the pixel format that the GL context will need.
int platformCreateWindow(const char* title, int width, int height, int fullscreen, const PlatformPixelFormat* format);
int platformGetDeviceContext();                                    // the window's drawable; 1 on success
int platformReleaseDeviceContext();                                // 1 on success
int platformChoosePixelFormat(const PlatformPixelFormat* format);  // 0 when none matches
int platformSetPixelFormat(int formatNumber);
int platformCreateContext();   // 1 on success
int platformMakeCurrent();     // 1 on success
int platformReleaseCurrent();  // make no context current; 1 on success
int platformDeleteContext();   // 1 on success
int platformDestroyWindow();   // 1 on success
void platformShowWindow();     // show, raise, take the focus
void platformSwapBuffers();    // waits for the swap interval's refresh, if any
// How many display refreshes a swap waits for (1 until set; offscreen never waits). A driver
// may not honour it, so the live pace never relies on it alone.
void platformSetSwapInterval(int refreshes);
// The refresh rate of the display the window is on, in Hz; 0 when unknown or offscreen.
int platformDisplayRefreshHz();
uint32_t platformSwapCount();                      // swaps so far in the process (tests, recorder)
void platformWindowSize(int* width, int* height);  // current client size
int platformIsFullscreen();
void platformMinimizeWindow();
void platformMaximizeWindow();
void platformRestoreWindow();
// The GL implementation's largest viewport, read through a short-lived hidden window and
// context with `format`; 0 while the demo window exists or when no context can be made.
int platformMaxViewport(const PlatformPixelFormat* format, int* width, int* height);
// Screen saver and monitor power-saving are held off while the window class is registered.
int platformScreenSaverAllowed();
void platformAllowScreenSaver();

// Once the first GL context exists, every exit of the process (a library calling exit(), a
// return from main) leaves fullscreen and shuts SDL down, which gives the desktop its mode back.
// The hook, when set, is told afterwards whether a window was still open (tests).
typedef void (*PlatformExitHook)(int windowWasOpen);
void platformSetExitHook(PlatformExitHook hook);

// ---------------------------------------------------------------------------------------------
// Messages: window events translated into the Windows message numbers the shell dispatches on
// ---------------------------------------------------------------------------------------------

enum PlatformMessageId : uint32_t {
    PLATFORM_WM_SIZE = 5,
    PLATFORM_WM_ACTIVATE = 6,
    PLATFORM_WM_CLOSE = 0x10,
    PLATFORM_WM_QUIT = 0x12,
    PLATFORM_WM_KEYDOWN = 0x100,
    PLATFORM_WM_KEYUP = 0x101,
    PLATFORM_WM_SYSCOMMAND = 0x112,
};

// WM_SYSCOMMAND requests, in the high bits of wParam (the low four bits are the system's own).
enum PlatformSysCommand : uint32_t {
    PLATFORM_SC_MINIMIZE = 0xF020,
    PLATFORM_SC_MAXIMIZE = 0xF030,
    PLATFORM_SC_CLOSE = 0xF060,
    PLATFORM_SC_RESTORE = 0xF120,
    PLATFORM_SC_SCREENSAVE = 0xF140,
    PLATFORM_SC_MONITORPOWER = 0xF170,
};

// Virtual-key numbers, as the window system numbers its keys (letters and digits are their
// ASCII capitals); these are the ones the demo and its tests name.
enum PlatformVirtualKey : uintptr_t {
    PLATFORM_VK_ESCAPE = 0x1B,
    PLATFORM_VK_F1 = 0x70,
    PLATFORM_VK_F10 = 0x79,
};

struct PlatformMessage {
    uint32_t message;  // one of PlatformMessageId
    uintptr_t wParam;  // WM_ACTIVATE: minimized state in the high word; keys: virtual-key code
    intptr_t lParam;   // WM_SIZE: width in the low word, height in the high word
};

// One message per call, never waiting; 0 when the queue is empty. A key's release comes only
// after a call has returned 0 since its press, so a caller that reads keys then sees every tap.
int platformPeekMessage(PlatformMessage* message);
// Waits up to timeoutMs for one message; 0 when none came.
int platformWaitMessage(PlatformMessage* message, int timeoutMs);
// Queues WM_QUIT carrying exitCode in wParam.
void platformPostQuitMessage(int exitCode);
// Queues any message, as the window system would (tests and tools); safe from any thread.
void platformPostMessage(const PlatformMessage* message);
// What the window system does with a message the demo passes on.
intptr_t platformDefWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
// Drops every queued message, posted or pending (tests start from an empty queue).
void platformFlushMessages();

// ---------------------------------------------------------------------------------------------
// Interrupts: one service for the live demo and the recorder
// ---------------------------------------------------------------------------------------------

// Run at an interrupt that ends the process at once, just before it ends: on POSIX in signal
// context (async-signal-safe calls only), on Windows on a thread of the system's.
typedef void (*PlatformLastWords)();

// From now on SIGINT, SIGTERM and SIGHUP (Windows: Ctrl-C and Ctrl-Break as SIGINT and
// SIGBREAK, the console closing as SIGTERM, given again 3.5 s later should the program still
// run) close the window as its close button does: the next poll delivers WM_CLOSE, and a
// message box on the screen is closed as unanswered. The same signal again within half a
// second is that request's echo (`timeout` signals the program, then its process group); any
// later interrupt runs `lastWords` and ends the process at once with 128 + the signal. Writes
// to a pipe whose reader is gone fail instead of ending the process, from here on for good.
void platformCatchInterrupts(PlatformLastWords lastWords = nullptr);
// Puts back the handling the interrupts had before; the caught signal stays readable.
void platformStopCatchingInterrupts();
// The signal that asked the program to close since interrupts were last caught; 0 while none.
int platformCaughtInterrupt();

// ---------------------------------------------------------------------------------------------
// Message boxes
// ---------------------------------------------------------------------------------------------

enum PlatformButtons { PLATFORM_BUTTONS_OK = 0, PLATFORM_BUTTONS_YESNO = 1 };
enum PlatformIcon { PLATFORM_ICON_EXCLAMATION = 0, PLATFORM_ICON_STOP = 1, PLATFORM_ICON_INFORMATION = 2 };
enum PlatformAnswer { PLATFORM_ANSWER_OK = 1, PLATFORM_ANSWER_YES = 6, PLATFORM_ANSWER_NO = 7 };

// Shows a modal box, owned by the demo window while it exists; returns the button pressed.
// Where no box can be shown, or the program was interrupted, the text goes to standard error as
// "CAPTION: text" and the answer is OK, or NO for a Yes/No question; a box that an interrupt
// closes answers the same, silently.
int platformMessageBox(const char* caption, const char* text, PlatformButtons buttons, PlatformIcon icon);

// Replaces the box with a function that answers it (tests, the recorder); null restores it.
typedef int (*PlatformMessageBoxHook)(const char* caption, const char* text, PlatformButtons buttons,
                                      PlatformIcon icon);
void platformSetMessageBoxHook(PlatformMessageBoxHook hook);

// ---------------------------------------------------------------------------------------------
// Clocks: the only way the demo learns the time
// ---------------------------------------------------------------------------------------------

uint32_t platformTimerMs();  // milliseconds, 32 bits, wrapping
// Whole seconds of calendar time; live they tick in step with the precise clock, a whole
// number of seconds after the first reading.
int32_t platformCalendarSeconds();
// Seconds from an arbitrary start on a steady clock finer than a millisecond: the live
// pace's deadlines and the frame statistics.
double platformPreciseSeconds();

// A virtual clock replaces all three readings until it is switched off again. Setting it
// puts the timer at `timerMs` and the calendar at `calendarSeconds`; from there sleeping and
// simulated refreshes move both on together.
void platformUseVirtualClock(int on);
void platformSetVirtualClock(uint32_t timerMs, int32_t calendarSeconds);
// The live pace's waits. On the virtual clock nothing sleeps: the clock moves on instead.
void platformSleepMs(int ms);

// Tests: a display on the virtual clock that refreshes `refreshHz` times a second (0: none
// simulated). With `vsync` a swap returns at the swap interval's next refresh, moving the
// virtual clock there; without it swaps return at once, as where no driver waits.
void platformSimulateDisplay(int refreshHz, int vsync);

// ---------------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------------

// The directory that holds the running program, with a trailing separator; empty when the
// system cannot say. Written into `out` (at most `capacity` bytes with the NUL); returns 1
// on success, 0 when unknown or too long.
int platformExecutableDirectory(char* out, int capacity);

// Standard input, output or error closed when the program was started (`2>&-`) are opened on
// the null device, before anything else opens a file: a file opened later would otherwise
// take the stream's number and receive the program's messages. And from the first line on, a
// write to a stream whose reader has gone (`2>&1 | head -1`) fails instead of ending the program.
void platformPrepareStandardStreams();

#if defined(__MINGW32__)  // its C++ library formats as C99 does, not as msvcrt
#define PLATFORM_PRINTF(formatAt, argsAt) __attribute__((format(gnu_printf, formatAt, argsAt)))
#elif defined(__GNUC__)
#define PLATFORM_PRINTF(formatAt, argsAt) __attribute__((format(printf, formatAt, argsAt)))
#else
#define PLATFORM_PRINTF(formatAt, argsAt)
#endif

// The program's text for the user, UTF-8, printf-style on `stream` (stdout or stderr). A
// Windows console is given it as UTF-16, so every letter shows whatever the console's code
// page; a pipe or file gets the UTF-8 bytes, as on every other system.
void platformPrint(std::FILE* stream, const char* format, ...) PLATFORM_PRINTF(2, 3);

// ---------------------------------------------------------------------------------------------
// Audio device: 16-bit interleaved output pulled by a fill function
// ---------------------------------------------------------------------------------------------

// Called from the audio thread (or from platformPullAudio in capture mode) for `frames`
// sample frames of `channels` interleaved 16-bit samples; must fill all of them.
typedef void (*PlatformAudioFill)(int16_t* out, int frames, void* user);

// Opens the system's default output device, paused, for 16-bit samples at `rate`; SDL converts
// to what the hardware wants. Returns 1 on success, 0 when no device opens (or one is open).
int platformOpenAudio(int rate, int channels, PlatformAudioFill fill, void* user);
void platformPauseAudio(int paused);
void platformLockAudio();  // keeps the fill function from running until unlocked (recursive)
void platformUnlockAudio();
void platformCloseAudio();  // once it returns the fill function is never called again

// Capture mode (the recorder): no device is touched; opening always succeeds and the samples
// are pulled by the caller, frame-exact, with platformPullAudio. Silence while paused or closed.
// Chosen while no device is open. `out` holds frames x the channel count of the last opening
// (2 before any).
void platformUseAudioCapture(int on);
void platformPullAudio(int16_t* out, int frames);
