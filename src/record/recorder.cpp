// The recorder: renders the demo offline on a virtual clock into video or PNG frames.
// The live main loop runs unchanged; only the platform seam is switched to offscreen.
#include "record/recorder.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/data_path.h"
#include "assets/demo_timeline.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "shell/frame_rates.h"
#include "shell/main_loop.h"
#include "shell/window.h"
#include "record/frame_queue.h"
#include "record/output_check.h"
#include "record/progress.h"
#include "record/sink.h"

namespace {
using Clock = std::chrono::steady_clock;

// Any fixed calendar second will do; a real-looking one keeps the first frame's elapsed
// time as far below zero as in a live run, and a fixed one keeps recordings identical.
constexpr int32_t virtualCalendarStart = 1700000000;
// The frame clock takes a timer reading of 0 for "not started yet": starting there would
// hold back the first step by one frame. Any other start steps exactly as a live run.
constexpr uint32_t virtualTimerStart = 1000;
// Frames that may wait for the writer thread: enough to ride out the encoder's uneven pace.
constexpr int queuedFrames = 4;

struct {
    int fps;
    long frame;  // index of the next frame to write
    RecordSink* sink;
    FrameQueue* queue;  // to the writer thread, which alone touches the sink meanwhile
    int writeFailed;
    int closePosted;
    long mispredictedFrame;  // the frame where a scene drawn hidden was still running, or -1
    RecordStats* stats;
    ViewBox box;  // where the demo is drawn in the frame; the rest stays black
    Clock::time_point lastHookEnd;
    Clock::time_point started;  // the recording's start, for its figures
    double processCpuBefore, threadCpuBefore;
} state;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Chain call k runs at k / 60 s, whatever the frame rate, counted in integers so nothing
// drifts; the frames written sample those calls (pace.h).
void setClockForCall(long k) {
    const int64_t rate = demoCallsPerSecond;
    const uint32_t timerMs = virtualTimerStart + static_cast<uint32_t>(int64_t{k} * 1000 / rate);
    platformSetVirtualClock(timerMs, virtualCalendarStart + static_cast<int32_t>(k / rate));
}

int sampleFramesFor(long n) {
    const int64_t rate = audioSampleRate;
    return static_cast<int>((n + 1) * rate / state.fps - n * rate / state.fps);
}

// Only the demo's box is read back: the bars around it are black from the start and stay so,
// whatever a scene leaves outside its viewport.
void readFrame(FrameSlot* slot) {
    GLint doubleBuffered = 0;
    glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    glReadBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const ViewBox& box = state.box;
    glReadPixels(box.x, box.y, box.width, box.height, GL_RGB, GL_UNSIGNED_BYTE, slot->boxBottomUp.data());
}

// Ends the loop the way closing the window would; the writer is then finished normally.
void requestEnd() {
    if (state.closePosted) return;
    const PlatformMessage close = {PLATFORM_WM_CLOSE, 0, 0};
    platformPostMessage(&close);
    state.closePosted = 1;
}

// One frame of the drawn call's picture, with the frame's own share of the sound.
void writeFrame() {
    RecordStats& stats = *state.stats;
    const Clock::time_point before = Clock::now();
    // Waits only when the writer is a whole ring of frames behind.
    FrameSlot* slot = nextFreeSlot(state.queue);
    const Clock::time_point free = Clock::now();
    stats.writeSeconds += secondsBetween(before, free);

    readFrame(slot);
    slot->sampleFrames = sampleFramesFor(state.frame);
    slot->samples.assign(static_cast<size_t>(slot->sampleFrames) * audioChannels, 0);
    platformPullAudio(slot->samples.data(), slot->sampleFrames);
    submitSlot(state.queue);
    if (frameQueueFailed(state.queue)) state.writeFailed = 1;
    ++state.frame;
    progressFrame(state.frame);
    if (state.frame == static_cast<long>(demoSeconds) * state.fps / 10) stats.rssAtTenthKb = platformResidentKb();
    stats.readbackSeconds += secondsBetween(free, Clock::now());
}

// After every chain call: a call that frames show is read back once for each of them (more
// than one only above 60 fps); then the virtual clock moves to the next call.
void onCallMade(int pictures, void*) {
    RecordStats& stats = *state.stats;
    if (pictures && hiddenSceneMispredicted) {
        // This frame lacks a running scene's picture: never write it, end here.
        if (state.mispredictedFrame < 0) state.mispredictedFrame = state.frame;
        requestEnd();
        return;
    }
    if (pictures) {
        glFinish();  // the renderer works lazily: without this its work would count as reading back
        stats.drawSeconds += secondsBetween(state.lastHookEnd, Clock::now());
        for (int i = 0; i < pictures && !state.writeFailed; ++i) writeFrame();
        state.lastHookEnd = Clock::now();
    }
    if (state.writeFailed || platformCaughtInterrupt()) requestEnd();
    setClockForCall(paceCalls());
}

int fail(const std::string& message, int status) {
    platformPrint(stderr, "quorvex: %s\n", message.c_str());
    return status;
}

void prepareOffscreenRun(int fps, RecordStats* stats) {
    platformUseVirtualClock(1);
    platformUseAudioCapture(1);
    state.fps = fps;
    state.frame = 0;
    state.writeFailed = 0;
    state.closePosted = 0;
    state.mispredictedFrame = -1;
    state.stats = stats;
    state.box = demoBox(frameWidth(), frameHeight());
    setClockForCall(0);
}

// Interrupts and broken pipes become a clean end of the loop instead of a dead process;
// caught before the encoder starts, so that no interrupt can leave its file behind. The first
// interrupt finishes the file; a second one ends the process at once, without it.
void catchSignals() { platformCatchInterrupts(abandonRecordingNow); }

// A recording starts the demo from its very beginning, as a new process would, even when an
// earlier recording of the same process has moved the demo on: the shared scene state
// back at its load values, the frame clock not started, and rand(), which draws the
// particles, back at its unseeded start.
void startAsNewProcess() {
    resetSceneState();
    frameClock = FrameClock{};
    std::srand(1);
}

// The demo itself, from start-up to its own end.
void runDemo() {
    startAsNewProcess();
    LoopOptions loop;
    loop.startFullscreen = 0;
    loop.pace = PACE_VIRTUAL;
    loop.picturesPerSecond = state.fps;
    loop.callMade = onCallMade;
    state.lastHookEnd = Clock::now();
    demoMain(loop);
}

void summarise(const std::string& outPath, const RecordStats& stats, int fps) {
    const double demo = double(stats.frames) / fps;
    platformPrint(stderr, "quorvex: %s %ld frames (%.1f s) to %s in %.1f s, %.2f x real time\n",
                  stats.interrupted ? "interrupted after" : "recorded", stats.frames, demo, outPath.c_str(),
                  stats.wallSeconds, stats.wallSeconds > 0 ? demo / stats.wallSeconds : 0.0);
}

// Check: whatever refuses the request does so here, in one line and before anything is made.
// Returns -1 to go on, else the exit status.
int checkRequest(const std::string& outPath, int fps, int overwrite, RecordFormat format) {
    if (fps < minFrameRate || fps > maxRecordFrameRate) return fail(recordFrameRateRange(), 2);
    if (format != RECORD_PNG_DIRECTORY && findProgram("ffmpeg").empty())
        return fail("recording to '" + outPath + "' needs the ffmpeg program (" + platformProgramSource("ffmpeg") +
                        "); install it, or record PNG frames into a directory instead",
                    2);
    const std::string problem = checkRecordTarget(outPath, format, overwrite);
    if (!problem.empty()) return fail(problem, 2);
    if (format == RECORD_MP4 && (frameWidth() % 2 || frameHeight() % 2))
        return fail("an .mp4 needs an even width and height; --size " + std::to_string(frameWidth()) + "x" +
                        std::to_string(frameHeight()) + " is not",
                    2);
    platformSelectBackend(PLATFORM_OFFSCREEN);
    const std::string tooLarge = frameSizeProblem();
    if (!tooLarge.empty()) return fail(tooLarge, 2);
    return -1;
}

// How a run ended, for the report.
struct RunEnd {
    int opened = 0;     // the sink took the output
    int failed = 0;     // the output is not whole up to where the run stopped
    int empty = 0;      // no frame was written, and nothing of the output is left
    int stoppedBy = 0;  // the interrupt that stopped it; 0 when none
    std::string error;  // why it could not be opened, or is not whole ("" when no one said)
};

// Run: the sink opened, the demo played into it from its first call to its end (or to an
// interrupt or a failed write), every frame handed on, and the sink closed.
RunEnd runRecording(const std::string& outPath, RecordFormat format, int fps, int overwrite, RecordStats* stats) {
    RunEnd end;
    catchSignals();
    state.sink = openRecordSink(outPath, format, fps, frameWidth(), frameHeight(), overwrite, &end.error);
    if (!state.sink) {
        platformStopCatchingInterrupts();
        return end;
    }
    end.opened = 1;
    prepareOffscreenRun(fps, stats);
    state.queue = startFrameQueue(state.sink, queuedFrames, frameWidth(), frameHeight(), state.box);
    progressStart(fps, platformStandardErrorColumns());
    runDemo();
    stats->drawingThreadCpuSeconds = platformThreadCpuSeconds() - state.threadCpuBefore;
    FrameQueueFigures written;
    if (!finishFrameQueue(state.queue, &written)) state.writeFailed = 1;
    state.queue = nullptr;
    stats->frames = written.frames;
    stats->sampleFrames = written.sampleFrames;
    stats->writerBusySeconds = written.writerBusySeconds;
    stats->writerCpuSeconds = written.writerCpuSeconds;
    stats->rssAtEndKb = platformResidentKb();

    const int closed = closeRecordSink(state.sink, stats, &end.error);
    state.sink = nullptr;
    end.stoppedBy = platformCaughtInterrupt();
    platformStopCatchingInterrupts();
    // The sink knows whether its output is whole. A write it refused after an interrupt may
    // be an encoder that the same signal stopped (a whole process group signalled), which
    // finishes its file as at the end of its input.
    end.empty = closed < 0;
    end.failed = !closed || (state.writeFailed && !end.stoppedBy);
    return end;
}

// Report: the progress bar ended, the figures completed, and one line that says what was
// recorded or why not. Returns the exit status.
int report(const std::string& outPath, int fps, const RunEnd& end, RecordStats* stats) {
    if (!end.opened) return fail(end.error, 1);
    stats->interrupted = end.stoppedBy && !end.failed;
    progressFinish(stats->frames, !end.failed && !end.empty);
    stats->wallSeconds = secondsBetween(state.started, Clock::now());
    stats->peakRssKb = platformPeakResidentKb();
    stats->processCpuSeconds = platformProcessCpuSeconds() - state.processCpuBefore;

    if (state.mispredictedFrame >= 0)
        return fail("internal error: a scene drawn as finished was still running at frame " +
                        std::to_string(state.mispredictedFrame) + "; '" + outPath + "' stops before it",
                    1);
    // Stopped before a frame was made (Ctrl-C at once, a mistyped name): the sink kept nothing.
    if (end.empty && end.stoppedBy)
        return fail("interrupted before the first frame; nothing was recorded to '" + outPath + "'",
                    128 + end.stoppedBy);
    if (end.failed)
        return fail(end.error.empty() ? "writing the recording failed; '" + outPath + "' is incomplete" : end.error, 1);
    if (stats->frames == 0) return fail("the demo drew no frame offscreen; nothing was recorded", 1);
    summarise(outPath, *stats, fps);
    return stats->interrupted ? 128 + end.stoppedBy : 0;
}
}  // namespace

int checkRecordMedia(int allowMissingMedia) {
    for (const std::string& line : passedOverLines(chosenDataDirectory()))
        platformPrint(stderr, "quorvex: %s\n", line.c_str());
    const std::string missing = missingMediaText(chosenDataDirectory());
    if (missing.empty()) return -1;
    if (!allowMissingMedia) return fail(missing + "; nothing recorded (--allow-missing-media records without them)", 2);
    platformPrint(stderr, "quorvex: %s; recording without them\n", missing.c_str());
    return -1;
}

int recordDemo(const std::string& outPath, int fps, int overwrite) {
    RecordStats stats;
    return recordDemo(outPath, fps, overwrite, &stats);
}

int recordDemo(const std::string& outPath, int fps, int overwrite, RecordStats* stats) {
    *stats = RecordStats();
    state.started = Clock::now();
    // CPU figures are this recording's own, though the process may have made others before.
    state.processCpuBefore = platformProcessCpuSeconds();
    state.threadCpuBefore = platformThreadCpuSeconds();
    const RecordFormat format = recordFormatFor(outPath);
    const int refused = checkRequest(outPath, fps, overwrite, format);
    if (refused >= 0) return refused;
    const RunEnd end = runRecording(outPath, format, fps, overwrite, stats);
    return report(outPath, fps, end, stats);
}
