// The browser's side of the seam: yielding to the page between pictures and while sleeping,
// and the demo's message boxes as the page's own dialogs, answered before the call returns.
#include <emscripten.h>

#include "platform/browser_web.h"

namespace {
// Resolves at the browser's next animation frame; the page gets control until then. A page
// that reads pictures on a virtual clock (the tests) asks for no pace: the next task.
EM_ASYNC_JS(void, waitForAnimationFrame, (), {
    await new Promise((resolve) => Module['quorvexUnpaced'] ? setTimeout(resolve, 0) : requestAnimationFrame(resolve));
});

// The page's dialog (Module.quorvexDialog) answers with 1 (OK), 6 (Yes) or 7 (No); a page
// without one answers at once, as a box that cannot be shown does.
EM_ASYNC_JS(int, askPage, (const char* caption, const char* text, int yesNo), {
    if (typeof Module['quorvexDialog'] != 'function') return 0;
    return await new Promise((resolve) => Module['quorvexDialog'](UTF8ToString(caption), UTF8ToString(text), !!yesNo, resolve));
});
}  // namespace

void platformWebNextFrame() { waitForAnimationFrame(); }

void platformWebSleep(int ms) { emscripten_sleep(static_cast<unsigned>(ms)); }

int platformWebDialog(const char* caption, const char* text, int yesNo) { return askPage(caption, text, yesNo); }
