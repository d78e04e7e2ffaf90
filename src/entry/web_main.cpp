// The browser's entry: the demo windowed on the page's canvas, which the page scales; the
// page writes the media into data/ first and shows its end card when main returns. With
// --pictures N it runs on the recorder's virtual clock at N pictures a second (chain call k
// at k/60 s) and hands each picture to the page (Module.quorvexPicture): the browser tests.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/data_path.h"
#include "assets/demo_timeline.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "scenes/director.h"
#include "shell/main_loop.h"
#include "shell/options.h"
#include "shell/window.h"

namespace {
// The recorder's clock: the same start, so the same pictures.
constexpr uint32_t virtualTimerStart = 1000;
constexpr int32_t virtualCalendarStart = 1700000000;

struct {
    int fps;       // 0: play live
    long picture;  // the next picture's number
} test;

EM_JS(void, handPictureToPage, (long n, const unsigned char* rgb, int width, int height, int whole), {
    if (typeof Module['quorvexPicture'] == 'function')
        Module['quorvexPicture'](n, HEAPU8.slice(rgb, rgb + width * height * 3), width, height, !!whole);
});

void setClockForCall(long k) {
    platformSetVirtualClock(virtualTimerStart + static_cast<uint32_t>(int64_t{k} * 1000 / demoCallsPerSecond),
                            virtualCalendarStart + static_cast<int32_t>(k / demoCallsPerSecond));
}

// Bottom row first, as GL reads it. A picture that lacks a scene drawn hidden is marked.
void onCallMade(int pictures, void*) {
    if (pictures) {
        std::vector<unsigned char> rgb(static_cast<size_t>(frameWidth()) * frameHeight() * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, frameWidth(), frameHeight(), GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        for (int i = 0; i < pictures; ++i)
            handPictureToPage(test.picture++, rgb.data(), frameWidth(), frameHeight(), !hiddenSceneMispredicted);
    }
    setClockForCall(paceCalls());
}

// Takes --pictures N out of the arguments; false when N is not a rate from 1 to 60.
bool takePictureRate(int* argc, char** argv) {
    for (int i = 1; i + 1 < *argc; ++i) {
        if (std::strcmp(argv[i], "--pictures") != 0) continue;
        char* end = nullptr;
        const long fps = std::strtol(argv[i + 1], &end, 10);
        if (*end || fps < 1 || fps > demoCallsPerSecond) return false;
        test.fps = static_cast<int>(fps);
        for (int k = i; k + 2 <= *argc; ++k) argv[k] = argv[k + 2];
        *argc -= 2;
    }
    return true;
}

int recordForPage() {
    platformUseVirtualClock(1);
    platformUseAudioCapture(1);  // no sound device: nothing waits for a gesture
    setClockForCall(0);
    LoopOptions loop;
    loop.startFullscreen = 0;
    loop.pace = PACE_VIRTUAL;
    loop.picturesPerSecond = test.fps;
    loop.callMade = onCallMade;
    return demoMain(loop);
}
}  // namespace

int main(int argc, char** argv) {
    if (!takePictureRate(&argc, argv)) return 2;
    ProgramOptions options;
    const int status = readCommandLine(argc, argv, &options);
    if (status >= 0) return status;
    // The browser has no display mode to change: fullscreen is the page's (F1).
    options.windowed = 1;
    chooseDataDirectory();
    setFrameSize(options.width, options.height);
    // Once the loop has yielded to the browser, a return from main is a return into the page,
    // which no longer ends the program: exit says it is over (the page shows its end card).
    std::exit(test.fps ? recordForPage() : playDemo(options));
}
