// The browser's entry: the demo windowed on the page's canvas, which the page scales; the
// page writes the media into data/ first and shows its end card when main returns. With
// --frames N,M,... it runs on the recorder's virtual clock (frame n at n/60 s) and hands
// those frames to the page (Module.quorvexFrame), then ends: the browser tests' mode.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/data_path.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/main_loop.h"
#include "shell/options.h"
#include "shell/window.h"

namespace {
constexpr int testFps = 60;
constexpr uint32_t virtualTimerStart = 1000;
constexpr int32_t virtualCalendarStart = 1700000000;

struct {
    std::vector<long> wanted;  // ascending frame numbers
    size_t next;
    long frame;
} test;

EM_JS(void, handFrameToPage, (long n, const unsigned char* rgb, int width, int height), {
    if (typeof Module['quorvexFrame'] == 'function')
        Module['quorvexFrame'](n, HEAPU8.slice(rgb, rgb + width * height * 3), width, height);
});

void setClockForFrame(long n) {
    platformSetVirtualClock(virtualTimerStart + static_cast<uint32_t>(static_cast<long long>(n) * 1000 / testFps),
                            virtualCalendarStart + static_cast<int32_t>(n / testFps));
}

void onTestFrame(void*) {
    if (test.next < test.wanted.size() && test.frame == test.wanted[test.next]) {
        std::vector<unsigned char> rgb(static_cast<size_t>(frameWidth()) * frameHeight() * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, frameWidth(), frameHeight(), GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        handFrameToPage(test.frame, rgb.data(), frameWidth(), frameHeight());
        if (++test.next == test.wanted.size()) {
            const PlatformMessage close = {PLATFORM_WM_CLOSE, 0, 0};
            platformPostMessage(&close);
        }
    }
    setClockForFrame(++test.frame);
}

// Takes --frames LIST out of the arguments; false when the list is not ascending numbers.
bool takeFrameList(int* argc, char** argv) {
    for (int i = 1; i + 1 < *argc; ++i) {
        if (std::strcmp(argv[i], "--frames") != 0) continue;
        for (char* at = argv[i + 1]; *at;) {
            char* end = nullptr;
            const long n = std::strtol(at, &end, 10);
            if (end == at || n < 0 || (!test.wanted.empty() && n <= test.wanted.back())) return false;
            test.wanted.push_back(n);
            at = *end == ',' ? end + 1 : end;
            if (*end && *end != ',') return false;
        }
        for (int k = i; k + 2 <= *argc; ++k) argv[k] = argv[k + 2];
        *argc -= 2;
        return !test.wanted.empty();
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (!takeFrameList(&argc, argv)) return 2;
    ProgramOptions options;
    const int status = readCommandLine(argc, argv, &options);
    if (status >= 0) return status;
    // The browser has no display mode to change: fullscreen is the page's (F1).
    options.windowed = 1;
    chooseDataDirectory();
    setFrameSize(options.width, options.height);
    if (test.wanted.empty()) return playDemo(options);
    platformUseVirtualClock(1);
    setClockForFrame(0);
    LoopOptions loop;
    loop.startFullscreen = 0;
    loop.frameDrawn = onTestFrame;
    return demoMain(loop);
}
