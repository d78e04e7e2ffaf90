// Twenty F1 re-creations of the whole demo in one run, with the real scenes and media:
// resident memory must stay flat, the sanitizer build must find no leak, and every GL object a
// window's start-up makes is released again while that window's context is still current.
#include <gtest/gtest.h>
#include <malloc.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/main_loop.h"
#include "support/interpose.h"
#include "support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
// Freed blocks would otherwise sit in the quarantine and look like growth.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=1"; }
#endif

namespace {
constexpr int recreations = 20;
constexpr int framesPerWindow = 3;

std::vector<long> residentKiB;  // one sample per F1, taken after that many re-creations
int framesDrawn;

// The GL objects alive now, kept by the calls below: texture names and list ranges by their
// first name, quadrics by address; and the releases made with no context current.
struct GlObjects {
    std::map<uintptr_t, int> textures, lists, quadrics;
    int releasedWithoutContext = 0;
    size_t count() const { return textures.size() + lists.size() + quadrics.size(); }
} live;
std::vector<size_t> liveObjects;  // sampled with the memory

void release(std::map<uintptr_t, int>* objects, uintptr_t first) {
    objects->erase(first);
    if (!glGetString(GL_VERSION)) ++live.releasedWithoutContext;
}
}  // namespace

extern "C" {
void glGenTextures(GLsizei n, GLuint* names) {
    realFunction<void (*)(GLsizei, GLuint*)>("glGenTextures")(n, names);
    for (GLsizei i = 0; i < n; ++i) live.textures[names[i]] = 1;
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) release(&live.textures, names[i]);
    realFunction<void (*)(GLsizei, const GLuint*)>("glDeleteTextures")(n, names);
}
GLuint glGenLists(GLsizei range) {
    const GLuint first = realFunction<GLuint (*)(GLsizei)>("glGenLists")(range);
    live.lists[first] = range;
    return first;
}
void glDeleteLists(GLuint first, GLsizei range) {
    release(&live.lists, first);
    realFunction<void (*)(GLuint, GLsizei)>("glDeleteLists")(first, range);
}
GLUquadric* gluNewQuadric() {
    GLUquadric* quadric = realFunction<GLUquadric* (*)()>("gluNewQuadric")();
    live.quadrics[reinterpret_cast<uintptr_t>(quadric)] = 1;
    return quadric;
}
void gluDeleteQuadric(GLUquadric* quadric) {
    release(&live.quadrics, reinterpret_cast<uintptr_t>(quadric));
    realFunction<void (*)(GLUquadric*)>("gluDeleteQuadric")(quadric);
}
}

namespace {
long readResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            break;
        }
        std::getline(status, key);
    }
    return value;
}

// Every few frames a sample, then F1 (which the loop clears itself); Escape after the last.
void pressAfterFrames(int, void*) {
    if (++framesDrawn % framesPerWindow != 0) return;
    malloc_trim(0);  // free heap pages go back first: only memory still held is counted
    residentKiB.push_back(readResidentKiB());
    liveObjects.push_back(live.count());
    const PlatformMessage key = {PLATFORM_WM_KEYDOWN,
                                 static_cast<uintptr_t>(residentKiB.size() > recreations ? PLATFORM_VK_ESCAPE : PLATFORM_VK_F1), 0};
    platformPostMessage(&key);
}

int acceptWindowed(const char*, const char*, PlatformButtons buttons, PlatformIcon) {
    return buttons == PLATFORM_BUTTONS_YESNO ? PLATFORM_ANSWER_YES : PLATFORM_ANSWER_OK;
}
}  // namespace

TEST(RecreationSoak, TwentyRecreationsKeepResidentMemoryFlat) {
    ScopedChdir inBuild(QUORVEX_BUILD_DIR);  // where the generated media live
    ASSERT_EQ(platformSelectBackend(PLATFORM_OFFSCREEN), 1);
    platformSetMessageBoxHook(acceptWindowed);
    LoopOptions options;
    options.startFullscreen = 0;
    options.pace = PACE_UNCAPPED;  // nothing to wait for: every call is a frame
    options.callMade = pressAfterFrames;
    EXPECT_EQ(demoMain(options), 0);
    platformSetMessageBoxHook(nullptr);

    ASSERT_EQ(residentKiB.size(), static_cast<size_t>(recreations + 1));
    for (long kib : residentKiB) std::printf("%ld ", kib);
    std::printf("\n");
    const long growthKiB = residentKiB[recreations] - residentKiB[2];
    std::printf("resident memory: after 2 re-creations %ld KiB, after %d %ld KiB (%+ld KiB)\n", residentKiB[2],
                recreations, residentKiB[recreations], growthKiB);
    EXPECT_LE(growthKiB, 2048);

    // Each window holds what one start-up makes (the bank's names, the names the archive load
    // replaced, glyph and cube lists, a quadric), and nothing is left once the demo has ended.
    for (size_t objects : liveObjects) EXPECT_EQ(objects, size_t{29 + 23 + 2 + 1});
    EXPECT_EQ(live.count(), 0u);
    EXPECT_EQ(live.releasedWithoutContext, 0);
}
