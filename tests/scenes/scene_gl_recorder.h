// Test support for the scene tests: records the modelview matrix at every cube-list call, quadric
// (with its arguments), glBegin block and caption text pass, then forwards the call to the real library.
// Included by exactly one test source per executable (it defines the interposed functions).
#pragma once

#include <array>
#include <cmath>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "render/cube_lists.h"
#include "render/font.h"
#include "scenes/scene_state.h"
#include "support/gl_test_context.h"
#include "support/interpose.h"
#include "support/portable.h"

using Matrix = std::array<float, 16>;  // column-major, as OpenGL returns it

struct Vec3 {
    double x, y, z;
};

enum RecordedKind { CALL_LIST, SPHERE, CYLINDER, BEGIN_BLOCK, TEXT_LISTS };

struct RecordedCall {
    RecordedKind kind;
    GLenum mode;      // glBegin mode
    double size;      // sphere radius, cone base radius
    Matrix modelview;
    bool texGen;      // GL_TEXTURE_GEN_S and _T both on at the call
    std::array<double, 5> shape;  // sphere: radius, slices, stacks; cone: base, top, height, slices, stacks
};

inline std::vector<RecordedCall> recordedCalls;
inline int insideQuadric = 0;  // glBegin calls made by GLU itself are not recorded

inline void recordCall(RecordedKind kind, GLenum mode, double size, std::array<double, 5> shape = {}) {
    RecordedCall call{kind, mode, size, {}, false, shape};
    glGetFloatv(GL_MODELVIEW_MATRIX, call.modelview.data());
    call.texGen = glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T);
    recordedCalls.push_back(call);
}

inline std::vector<RecordedCall> callsOf(RecordedKind kind, GLenum mode = 0) {
    std::vector<RecordedCall> out;
    for (const RecordedCall& call : recordedCalls)
        if (call.kind == kind && (kind != BEGIN_BLOCK || call.mode == mode)) out.push_back(call);
    return out;
}

extern "C" {
void glCallList(GLuint list) {
    recordCall(CALL_LIST, 0, 0.0);
    static auto real = realFunction<void (*)(GLuint)>("glCallList");
    real(list);
}

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    recordCall(TEXT_LISTS, 0, n);
    static auto real = realFunction<void (*)(GLsizei, GLenum, const GLvoid*)>("glCallLists");
    real(n, type, lists);
}

void glBegin(GLenum mode) {
    if (!insideQuadric) recordCall(BEGIN_BLOCK, mode, 0.0);
    static auto real = realFunction<void (*)(GLenum)>("glBegin");
    real(mode);
}

void gluSphere(GLUquadric* q, GLdouble radius, GLint slices, GLint stacks) {
    recordCall(SPHERE, 0, radius, {radius, static_cast<double>(slices), static_cast<double>(stacks), 0, 0});
    static auto real = realFunction<void (*)(GLUquadric*, GLdouble, GLint, GLint)>("gluSphere");
    ++insideQuadric;
    real(q, radius, slices, stacks);
    --insideQuadric;
}

void gluCylinder(GLUquadric* q, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks) {
    recordCall(CYLINDER, 0, base, {base, top, height, static_cast<double>(slices), static_cast<double>(stacks)});
    static auto real =
        realFunction<void (*)(GLUquadric*, GLdouble, GLdouble, GLdouble, GLint, GLint)>("gluCylinder");
    ++insideQuadric;
    real(q, base, top, height, slices, stacks);
    --insideQuadric;
}
}

// m applied to (v, w): w = 1 for a point, 0 for a direction.
inline Vec3 transform(const Matrix& m, Vec3 v, double w = 1.0) {
    return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * w, m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * w,
            m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * w};
}

// Where `local` (a point when w = 1, a direction when w = 0) of the frame `m` lies in the
// rigid frame `frame`: frame^-1 * m * local, with the inverse of a rotation plus translation.
inline Vec3 inFrame(const Matrix& frame, const Matrix& m, Vec3 local, double w = 1.0) {
    const Vec3 eye = transform(m, local, w);
    const Vec3 d = {eye.x - frame[12] * w, eye.y - frame[13] * w, eye.z - frame[14] * w};
    return {frame[0] * d.x + frame[1] * d.y + frame[2] * d.z, frame[4] * d.x + frame[5] * d.y + frame[6] * d.z,
            frame[8] * d.x + frame[9] * d.y + frame[10] * d.z};
}

// v turned by `degrees` about `axis` (normalised here), independent of OpenGL.
inline Vec3 rotated(Vec3 v, double degrees, Vec3 axis) {
    const double length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    const Vec3 k = {axis.x / length, axis.y / length, axis.z / length};
    const double a = degrees * testPi / 180.0, c = std::cos(a), s = std::sin(a);
    const double dot = k.x * v.x + k.y * v.y + k.z * v.z;
    const Vec3 cross = {k.y * v.z - k.z * v.y, k.z * v.x - k.x * v.z, k.x * v.y - k.y * v.x};
    return {v.x * c + cross.x * s + k.x * dot * (1 - c), v.y * c + cross.y * s + k.y * dot * (1 - c),
            v.z * c + cross.z * s + k.z * dot * (1 - c)};
}

#define EXPECT_VEC_NEAR(actual, ex, ey, ez, tolerance) \
    do {                                               \
        const Vec3 v_ = (actual);                      \
        EXPECT_NEAR(v_.x, (ex), (tolerance));          \
        EXPECT_NEAR(v_.y, (ey), (tolerance));          \
        EXPECT_NEAR(v_.z, (ez), (tolerance));          \
    } while (0)

// A GL context with what the scenes expect from start-up: cube and glyph lists, the quadric,
// sphere-map generation and the depth function; shared state and the demo clock back at their load values.
class SceneTest : public GlTest {
protected:
    static void SetUpTestSuite() {
        GlTest::SetUpTestSuite();
        buildCubeLists();
        createGlyphLists();
        if (!quadric) {
            quadric = gluNewQuadric();
            gluQuadricNormals(quadric, GLU_SMOOTH);
            gluQuadricTexture(quadric, GL_TRUE);
        }
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);  // as start-up sets it: equal depths pass, as in a sprite's overlap
    }
    void SetUp() override {
        GlTest::SetUp();
        resetSceneState();
        platformUseVirtualClock(1);
        setCalendar(1000);
        demoClock.demoStart = 1000;
        demoClock.demoNow = 1000;
        recordedCalls.clear();
    }
    void TearDown() override { platformUseVirtualClock(0); }
    static void setCalendar(int32_t seconds) { platformSetVirtualClock(0, seconds); }

    // A scene that refreshes the demo clock just before its end test runs through
    // `lastSecond` and is finished one second later, captioned on both calls.
    void expectRefreshedEndAfter(int (*scene)(int), int speed, int lastSecond) {
        demoClock.demoNow = 0;
        setCalendar(1000 + lastSecond);
        EXPECT_EQ(scene(speed), 1);
        EXPECT_EQ(demoClock.demoNow, 1000 + lastSecond);
        setCalendar(1000 + lastSecond + 1);
        EXPECT_EQ(scene(speed), 0);
        // The caption goes on in both passes on every call, the last one included.
        EXPECT_EQ(callsOf(TEXT_LISTS).size(), 4u);
    }
};
