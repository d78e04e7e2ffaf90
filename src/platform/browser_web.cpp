// The browser's side of the seam: yielding to the page at each picture and while the pace
// waits, and the demo's message boxes as the page's own dialogs, answered before the call returns.
#include <emscripten.h>

#include "platform/browser_web.h"

namespace {
// A picture drawn outside the browser's animation frame would be replaced by the next one
// before it is shown, so the pace's waits end at animation frames: a call due within this
// much after the frame's start is made in that frame. A quarter of a call at 60 a second
// gives one call a frame at 60 Hz, one every second frame at 120 Hz and never two in one.
constexpr double frameSlackMs = 1000.0 / 60 / 4;

// The page's JavaScript, which clang-format does not know (it splits `=>`):
// clang-format off
#if defined(QUORVEX_WEB_NO_YIELD)
// A build that never gives control back (measuring what Asyncify costs): it can only run the
// tests' pictures, all in one go, and answers every box at once.
EM_JS(void, waitForAnimationFrame, (), {});
EM_JS(int, askPage, (const char* caption, const char* text, int yesNo), {
    if (typeof Module['quorvexDialog'] == 'function') Module['quorvexDialog'](UTF8ToString(caption), UTF8ToString(text), !!yesNo, () => {});
    return 0;
});
#else
// Resolves in the browser's next animation frame; the page runs until then. A page that
// takes pictures on a virtual clock (the tests) asks for no pace: a message to itself comes
// back at once, unlike a timeout, which the browser holds back to 4 ms.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
    await new Promise((resolve) => {
        if (!Module['quorvexUnpaced']) return requestAnimationFrame(resolve);
        const channel = new MessageChannel();
        channel.port1.onmessage = () => resolve();
        channel.port2.postMessage(0);
    });
});

// The page's dialog (Module.quorvexDialog) answers with 1 (OK), 6 (Yes) or 7 (No); a page
// without one answers at once, as a box that cannot be shown does.
EM_ASYNC_JS(int, askPage, (const char* caption, const char* text, int yesNo), {
    if (typeof Module['quorvexDialog'] != 'function') return 0;
    return await new Promise((resolve) => Module['quorvexDialog'](UTF8ToString(caption), UTF8ToString(text), !!yesNo, resolve));
});
#endif
// clang-format on
}  // namespace

void platformWebNextFrame() { waitForAnimationFrame(); }

void platformWebSleep(int ms) {
    const double until = emscripten_get_now() + ms - frameSlackMs;
    while (emscripten_get_now() < until) waitForAnimationFrame();
}

int platformWebDialog(const char* caption, const char* text, int yesNo) { return askPage(caption, text, yesNo); }
