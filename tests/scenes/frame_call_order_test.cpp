// State and draw calls of a frame in their order, recorded by interposing the GL entry points:
// the caption's two passes and the intro, journey and closing frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "render/particles.h"
#include "render/test_textures.h"
#include "scenes/scenes.h"
#include "support/interpose.h"

using namespace testkit;

namespace {
bool recording = false;
std::vector<std::string> calls;

std::string enumName(GLenum e) {
    switch (e) {
    case GL_DEPTH_TEST: return "DEPTH_TEST";
    case GL_BLEND: return "BLEND";
    case GL_ZERO: return "ZERO";
    case GL_ONE: return "ONE";
    case GL_SRC_ALPHA: return "SRC_ALPHA";
    case GL_DST_COLOR: return "DST_COLOR";
    case GL_PROJECTION: return "PROJECTION";
    case GL_MODELVIEW: return "MODELVIEW";
    case GL_QUADS: return "QUADS";
    case GL_TRIANGLE_STRIP: return "TRIANGLE_STRIP";
    default: return std::to_string(e);
    }
}

std::string slotOf(GLuint name) {
    for (int slot = 0; slot < textureSlotCount; ++slot)
        if (textureBank.names[slot] == name) return "slot " + std::to_string(slot);
    return "name " + std::to_string(name);
}

std::string numbers(std::initializer_list<double> values) {
    std::string out;
    for (double v : values) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        out += (out.empty() ? "" : ",") + std::string(text);
    }
    return out;
}

void record(const std::string& call) {
    if (recording) calls.push_back(call);
}
}  // namespace

extern "C" {
void glClear(GLbitfield mask) {
    record("clear " + std::to_string(mask));
    realFunction<void (*)(GLbitfield)>("glClear")(mask);
}
void glLoadIdentity() {
    record("identity");
    realFunction<void (*)()>("glLoadIdentity")();
}
void glBindTexture(GLenum target, GLuint name) {
    record("bind " + slotOf(name));
    realFunction<void (*)(GLenum, GLuint)>("glBindTexture")(target, name);
}
void glEnable(GLenum cap) {
    record("enable " + enumName(cap));
    realFunction<void (*)(GLenum)>("glEnable")(cap);
}
void glDisable(GLenum cap) {
    record("disable " + enumName(cap));
    realFunction<void (*)(GLenum)>("glDisable")(cap);
}
void glBlendFunc(GLenum s, GLenum d) {
    record("blend " + enumName(s) + " " + enumName(d));
    realFunction<void (*)(GLenum, GLenum)>("glBlendFunc")(s, d);
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    record("colour " + numbers({r, g, b}));
    realFunction<void (*)(GLfloat, GLfloat, GLfloat)>("glColor3f")(r, g, b);
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    record("colour " + numbers({r, g, b, a}));
    realFunction<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glColor4f")(r, g, b, a);
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    record("translate " + numbers({x, y, z}));
    realFunction<void (*)(GLfloat, GLfloat, GLfloat)>("glTranslatef")(x, y, z);
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    record("translate " + numbers({x, y, z}));
    realFunction<void (*)(GLdouble, GLdouble, GLdouble)>("glTranslated")(x, y, z);
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    record("rotate " + numbers({angle, x, y, z}));
    realFunction<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glRotatef")(angle, x, y, z);
}
void glBegin(GLenum mode) {
    record("begin " + enumName(mode));
    realFunction<void (*)(GLenum)>("glBegin")(mode);
}
void glMatrixMode(GLenum mode) {
    record("matrix " + enumName(mode));
    realFunction<void (*)(GLenum)>("glMatrixMode")(mode);
}
void glPushMatrix() {
    record("push");
    realFunction<void (*)()>("glPushMatrix")();
}
void glPopMatrix() {
    record("pop");
    realFunction<void (*)()>("glPopMatrix")();
}
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    record("ortho " + numbers({l, r, b, t, n, f}));
    realFunction<void (*)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble)>("glOrtho")(l, r, b, t, n, f);
}
void glListBase(GLuint base) {
    record("list base " + std::to_string(static_cast<int32_t>(base - glyphBase)));
    realFunction<void (*)(GLuint)>("glListBase")(base);
}
void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    record("call lists " + std::to_string(n));
    realFunction<void (*)(GLsizei, GLenum, const GLvoid*)>("glCallLists")(n, type, lists);
}
void glCallList(GLuint list) {
    record(list == smallCubeList ? "call small cube" : "call list " + std::to_string(list));
    realFunction<void (*)(GLuint)>("glCallList")(list);
}
}

namespace {
using Calls = std::vector<std::string>;

Calls textPass(int x, int y, int n, int slot, const char* blend) {
    return {"bind slot " + std::to_string(slot), "disable DEPTH_TEST", "enable BLEND", std::string("blend ") + blend,
            "matrix PROJECTION", "push", "identity", "ortho 0,640,0,480,-1,1", "matrix MODELVIEW", "push",
            "identity", "translate " + numbers({double(x), double(y), 0}), "list base -32",
            "call lists " + std::to_string(n), "disable BLEND", "blend SRC_ALPHA ONE", "matrix PROJECTION", "pop",
            "matrix MODELVIEW", "pop", "enable DEPTH_TEST"};
}

Calls caption(int x, int y, int n) {
    Calls out = {"colour 1,1,1"};
    for (const Calls& pass : {textPass(x, y, n, 25, "DST_COLOR ZERO"), textPass(x, y, n, 24, "SRC_ALPHA ONE")})
        out.insert(out.end(), pass.begin(), pass.end());
    return out;
}

Calls join(std::initializer_list<Calls> parts) {
    Calls out;
    for (const Calls& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

class CallOrderTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
        initParticles(sceneState.rocketX, sceneState.rocketY);
        for (Particle& p : particles) p.alive = false;  // the fountain's own state calls only
        frameStep = 0.0f;
        calls.clear();
    }
    void TearDown() override {
        recording = false;
        platformUseVirtualClock(0);
    }
    template <typename Body>
    Calls recorded(Body body) {
        calls.clear();
        recording = true;
        body();
        recording = false;
        return calls;
    }
};

const Calls particlePass = {"disable DEPTH_TEST", "enable BLEND", "blend SRC_ALPHA ONE", "identity",
                            "disable BLEND", "enable DEPTH_TEST", "colour 1,1,1"};
}  // namespace

TEST_F(CallOrderTest, CaptionMasksThenAddsAndRestoresInOrder) {
    EXPECT_EQ(recorded([] { drawCaption(sceneTitleX, sceneTitleY, "THE JOURNEY"); }), caption(sceneTitleX, sceneTitleY, 11));
    EXPECT_EQ(recorded([] { drawCaption(7, 9, ""); }), caption(7, 9, 0));
}

TEST_F(CallOrderTest, IntroFrameDuringTheFadeSecond) {
    setElapsed(47);
    const Calls expected = join({
        {"clear 16640", "identity", "bind slot 1", "translate 0,0,-104", "begin QUADS"},
        {"identity", "enable BLEND", "blend DST_COLOR ZERO", "bind slot 7", "translate -2.5,-3.8,-18", "begin QUADS"},
        {"identity", "enable BLEND", "blend SRC_ALPHA ONE", "bind slot 6", "translate -2.5,-3.8,-18", "begin QUADS"},
        particlePass,
        {"disable DEPTH_TEST", "enable BLEND", "blend SRC_ALPHA ZERO", "colour 1,1,1,1"},
        caption(355, 400, 7),
    });
    EXPECT_EQ(recorded([] { introScene(5); }), expected);
}

TEST_F(CallOrderTest, IntroFrameBeforeTheFadeSetsWhiteBeforeItsTwoLineCaption) {
    setElapsed(9);
    const Calls calls = recorded([] { introScene(5); });
    const Calls tail = join({particlePass, {"colour 1,1,1"}, caption(355, 400, 7), caption(355, 360, 8)});
    ASSERT_GE(calls.size(), tail.size());
    EXPECT_EQ(Calls(calls.end() - static_cast<long>(tail.size()), calls.end()), tail);
}

TEST_F(CallOrderTest, EachLiveParticleSetsItsColourThenDrawsOneStrip) {
    particles[0].alive = true;
    particles[0].life = 0.5f;
    const Calls expected = {"disable DEPTH_TEST", "enable BLEND", "blend SRC_ALPHA ONE", "identity",
                            "colour 1,0.5,0.5,0.5", "begin TRIANGLE_STRIP", "disable BLEND", "enable DEPTH_TEST",
                            "colour 1,1,1"};
    EXPECT_EQ(recorded([] { drawParticles(0, 0); }), expected);
}

TEST_F(CallOrderTest, JourneyFrameWithItsBubble) {
    sceneState.cubeZ = -22.0f;
    sceneState.angleY = -12.0f;
    frameStep = 2.0f;  // x 5: the cube moves on to -17, and the bubble shows
    const Calls expected = join({
        {"clear 16640", "colour 1,1,1,1", "identity", "bind slot 8", "translate 0,0,-104", "begin QUADS"},
        {"identity", "enable BLEND", "blend DST_COLOR ZERO", "bind slot 7", "translate -2.5,-3.8,-18", "begin QUADS"},
        {"identity", "enable BLEND", "blend SRC_ALPHA ONE", "bind slot 6", "translate -2.5,-3.8,-18", "begin QUADS"},
        {"disable BLEND", "enable DEPTH_TEST"},
        {"identity", "translate 1,1.2,-22", "rotate 0,1,0,0", "rotate -12,0,1,0", "bind slot 9", "call small cube"},
        {"identity", "enable BLEND", "blend SRC_ALPHA ONE", "bind slot 2", "translate -0.5,-1.4,-18", "begin QUADS"},
        caption(sceneTitleX, sceneTitleY, 11),
    });
    EXPECT_EQ(recorded([] { journeyScene(5); }), expected);
}

TEST_F(CallOrderTest, ClosingFrame) {
    setElapsed(90);
    const Calls expected = {"identity", "clear 16640", "colour 1,1,1", "bind slot 22", "translate 0,0,-90",
                            "begin QUADS"};
    Calls calls = recorded([] { closingScene(); });
    // gluLookAt moves the eye back with a translation of its own.
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[1], "translate -0,-0,-15");
    calls.erase(calls.begin() + 1);
    EXPECT_EQ(calls, expected);
}
