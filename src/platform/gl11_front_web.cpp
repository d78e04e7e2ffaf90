// OpenGL 1.1's fixed-function front on the CPU: matrix stacks, current attributes, immediate
// mode, display lists, lighting and texture-coordinate generation, pixel storage and errors.
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/gl11_web.h"

namespace {

struct Matrix {
    float m[16];  // column-major, as GL keeps it
};

const Matrix identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = sum;
        }
    return r;
}

void transform(const Matrix& a, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row)
        out[row] = a.m[row] * in[0] + a.m[4 + row] * in[1] + a.m[8 + row] * in[2] + a.m[12 + row] * in[3];
}

// Normals go through the inverse transpose of the modelview's upper 3 x 3; a singular matrix
// leaves them zero.
void normalMatrix(const Matrix& a, float n[9]) {
    const float* m = a.m;
    const float c00 = m[5] * m[10] - m[9] * m[6], c01 = m[9] * m[2] - m[1] * m[10], c02 = m[1] * m[6] - m[5] * m[2];
    const float det = m[0] * c00 + m[4] * c01 + m[8] * c02;
    std::memset(n, 0, 9 * sizeof(float));
    if (det == 0) return;
    const float k = 1 / det;
    // Row r of the inverse transpose is column r of the inverse: the cofactors over det.
    n[0] = c00 * k, n[1] = c01 * k, n[2] = c02 * k;
    n[3] = (m[8] * m[6] - m[4] * m[10]) * k, n[4] = (m[0] * m[10] - m[8] * m[2]) * k,
    n[5] = (m[4] * m[2] - m[0] * m[6]) * k;
    n[6] = (m[4] * m[9] - m[8] * m[5]) * k, n[7] = (m[8] * m[1] - m[0] * m[9]) * k,
    n[8] = (m[0] * m[5] - m[4] * m[1]) * k;
}

enum AttributeBit : uint8_t { COLOR_BIT = 1, NORMAL_BIT = 2, TEX_BIT = 4 };

struct Attributes {
    float color[4];
    float normal[3];
    float tex[2];
};

const Attributes initialAttributes = {{1, 1, 1, 1}, {0, 0, 1}, {0, 0}};

// A vertex as given: `set` says which attributes were given between glBegin and it; the
// others are the current ones when the primitive is drawn (a display list's replay).
struct ObjectVertex {
    float position[4];
    Attributes attributes;
    uint8_t set;
};

// One glBegin/glEnd, as triangles, and the attributes it leaves current.
struct Primitive {
    std::vector<ObjectVertex> triangles;
    Attributes last;
    uint8_t lastSet;
};

struct DisplayList {
    std::vector<std::function<void()>> ops;
    std::vector<std::unique_ptr<Primitive>> primitives;
};

struct Light {
    float ambient[4];
    float diffuse[4];
    float position[4];  // eye coordinates
    int enabled;
};

constexpr int stackDepth = 32;
constexpr int maxListNesting = 64;
constexpr int lightCount = 8;

struct PixelStore {
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0, swapBytes = 0, lsbFirst = 0;
};

struct Front {
    std::vector<Matrix> stacks[3];  // modelview, projection, texture
    int mode = 0;
    Attributes current = initialAttributes;
    // Between glBegin and glEnd
    int inPrimitive = 0;
    GLenum primitiveMode = 0;
    std::vector<ObjectVertex> given;
    Attributes working = initialAttributes;
    uint8_t workingSet = 0;
    // Display lists
    std::map<GLuint, DisplayList> lists;  // a name is in use once generated or defined
    GLuint compilingName = 0;
    int compiling = 0, compileAndExecute = 0, replaying = 0;
    DisplayList compiled;
    GLuint listBase = 0;
    // Lighting and texgen
    int lighting = 0, colorMaterial = 0, normalize = 0, texGen[2] = {0, 0};
    GLenum texGenMode[2] = {GL_EYE_LINEAR, GL_EYE_LINEAR};
    Light lights[lightCount];
    PixelStore unpack, pack;
    GLenum shadeModel = GL_SMOOTH;
    GLenum error = GL_NO_ERROR;
} front;

Matrix& top() { return front.stacks[front.mode].back(); }

// A recordable command while a list is compiled: kept for the replay; true when it must
// not also run now.
template <class Op>
bool listed(Op&& op) {
    if (!front.compiling || front.replaying) return false;
    front.compiled.ops.emplace_back(std::forward<Op>(op));
    return !front.compileAndExecute;
}

void resetLights() {
    for (int i = 0; i < lightCount; ++i) {
        const float d = i == 0 ? 1.0f : 0.0f;
        front.lights[i] = Light{{0, 0, 0, 1}, {d, d, d, 1}, {0, 0, 1, 0}, 0};
    }
}

void multiplyTop(const Matrix& m) { top() = multiply(top(), m); }

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

void lightVertex(const float eye[4], const float n[3], const float color[4], float out[4]) {
    const float* ambient = front.colorMaterial ? color : nullptr;
    const float* diffuse = front.colorMaterial ? color : nullptr;
    static const float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1}, materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    if (!ambient) ambient = materialAmbient, diffuse = materialDiffuse;
    for (int c = 0; c < 3; ++c) out[c] = 0.2f * ambient[c];  // the scene's ambient light
    for (const Light& light : front.lights) {
        if (!light.enabled) continue;
        float l[3];
        for (int c = 0; c < 3; ++c)
            l[c] = light.position[3] != 0 ? light.position[c] / light.position[3] - eye[c] : light.position[c];
        const float length = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
        float facing = 0;
        if (length > 0) facing = (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) / length;
        if (facing < 0) facing = 0;
        for (int c = 0; c < 3; ++c) out[c] += ambient[c] * light.ambient[c] + facing * diffuse[c] * light.diffuse[c];
    }
    for (int c = 0; c < 3; ++c) out[c] = clamp01(out[c]);
    out[3] = clamp01(diffuse[3]);
}

float generate(int axis, const float eye[4], const float object[4], const float n[3]) {
    if (front.texGenMode[axis] == GL_OBJECT_LINEAR) return object[axis];
    if (front.texGenMode[axis] == GL_EYE_LINEAR) return eye[axis];
    // Sphere map: the eye vector reflected about the normal.
    float u[3] = {eye[0], eye[1], eye[2]};
    const float length = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    if (length > 0)
        for (float& c : u) c /= length;
    const float dot = n[0] * u[0] + n[1] * u[1] + n[2] * u[2];
    const float r[3] = {u[0] - 2 * n[0] * dot, u[1] - 2 * n[1] * dot, u[2] - 2 * n[2] * dot};
    const float m = 2 * std::sqrt(r[0] * r[0] + r[1] * r[1] + (r[2] + 1) * (r[2] + 1));
    return (m > 0 ? r[axis] / m : 0) + 0.5f;
}

// Runs a primitive through the vertex pipeline into the back end's batch.
void drawPrimitive(const Primitive& p) {
    const Matrix& modelview = front.stacks[0].back();
    const Matrix& projection = front.stacks[1].back();
    const int needNormal = front.lighting || front.texGen[0] || front.texGen[1];
    float nm[9];
    if (needNormal) normalMatrix(modelview, nm);
    const Matrix* textureMatrix = &front.stacks[2].back();
    if (std::memcmp(textureMatrix->m, identity.m, sizeof identity.m) == 0) textureMatrix = nullptr;
    std::vector<Gl11Vertex> out(p.triangles.size());
    for (size_t i = 0; i < p.triangles.size(); ++i) {
        const ObjectVertex& v = p.triangles[i];
        const float* color = v.set & COLOR_BIT ? v.attributes.color : front.current.color;
        const float* normal = v.set & NORMAL_BIT ? v.attributes.normal : front.current.normal;
        const float* tex = v.set & TEX_BIT ? v.attributes.tex : front.current.tex;
        float eye[4];
        transform(modelview, v.position, eye);
        transform(projection, eye, out[i].clip);
        float n[3] = {0, 0, 0};
        if (needNormal)
            for (int r = 0; r < 3; ++r)
                n[r] = nm[r * 3] * normal[0] + nm[r * 3 + 1] * normal[1] + nm[r * 3 + 2] * normal[2];
        if (needNormal && front.normalize) {
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (length > 0)
                for (float& c : n) c /= length;
        }
        if (front.lighting) lightVertex(eye, n, color, out[i].color);
        else
            for (int c = 0; c < 4; ++c) out[i].color[c] = clamp01(color[c]);
        for (int axis = 0; axis < 2; ++axis)
            out[i].tex[axis] = front.texGen[axis] ? generate(axis, eye, v.position, n) : tex[axis];
        if (textureMatrix) {
            const float given[4] = {out[i].tex[0], out[i].tex[1], 0, 1};
            float moved[4];
            transform(*textureMatrix, given, moved);
            out[i].tex[0] = moved[0] / moved[3], out[i].tex[1] = moved[1] / moved[3];
        }
    }
    gl11AppendTriangles(out.data(), out.size());
    if (p.lastSet & COLOR_BIT) std::memcpy(front.current.color, p.last.color, sizeof p.last.color);
    if (p.lastSet & NORMAL_BIT) std::memcpy(front.current.normal, p.last.normal, sizeof p.last.normal);
    if (p.lastSet & TEX_BIT) std::memcpy(front.current.tex, p.last.tex, sizeof p.last.tex);
}

// The given vertices as independent triangles in their primitive's winding. A quad that is
// not flat in colour or texture looks different cut along either diagonal; Mesa cuts a quad
// drawn at once along 0-2 and one kept in a display list along 1-3 (its last vertex, the
// one that gives a flat quad its colour, last in both halves), a quad strip's step along 1-2.
void triangulate(GLenum mode, const std::vector<ObjectVertex>& v, int inList, std::vector<ObjectVertex>* out) {
    const size_t n = v.size();
    auto tri = [&](size_t a, size_t b, size_t c) {
        out->push_back(v[a]);
        out->push_back(v[b]);
        out->push_back(v[c]);
    };
    switch (mode) {
        case GL_TRIANGLES:
            for (size_t i = 0; i + 2 < n; i += 3) tri(i, i + 1, i + 2);
            break;
        case GL_TRIANGLE_STRIP:
            for (size_t i = 0; i + 2 < n; ++i) i % 2 ? tri(i + 1, i, i + 2) : tri(i, i + 1, i + 2);
            break;
        case GL_TRIANGLE_FAN:
        case GL_POLYGON:
            for (size_t i = 1; i + 1 < n; ++i) tri(0, i, i + 1);
            break;
        case GL_QUADS:
            for (size_t i = 0; i + 3 < n; i += 4) {
                if (inList) tri(i, i + 1, i + 3), tri(i + 1, i + 2, i + 3);
                else tri(i, i + 1, i + 2), tri(i, i + 2, i + 3);
            }
            break;
        case GL_QUAD_STRIP:
            for (size_t i = 0; i + 3 < n; i += 2) tri(i + 2, i, i + 1), tri(i + 3, i + 2, i + 1);
            break;
        default: break;
    }
}

int primitiveModeSupported(GLenum mode) {
    return mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP || mode == GL_TRIANGLE_FAN || mode == GL_POLYGON ||
           mode == GL_QUADS || mode == GL_QUAD_STRIP;
}

void setAttribute(uint8_t bit, const float* values, int count) {
    float* target = bit == COLOR_BIT    ? front.working.color
                    : bit == NORMAL_BIT ? front.working.normal
                                        : front.working.tex;
    if (front.inPrimitive) {
        std::memcpy(target, values, count * sizeof(float));
        front.workingSet |= bit;
        return;
    }
    float* current = bit == COLOR_BIT    ? front.current.color
                     : bit == NORMAL_BIT ? front.current.normal
                                         : front.current.tex;
    std::memcpy(current, values, count * sizeof(float));
}

void color(float r, float g, float b, float a) {
    const float v[4] = {r, g, b, a};
    if (!front.inPrimitive && listed([=] { color(r, g, b, a); })) return;
    setAttribute(COLOR_BIT, v, 4);
}

void vertex(float x, float y, float z) {
    if (!front.inPrimitive) return;  // outside glBegin/glEnd a vertex means nothing
    front.given.push_back(ObjectVertex{{x, y, z, 1}, front.working, front.workingSet});
}

void callList(GLuint name) {
    if (listed([=] { callList(name); })) return;
    auto found = front.lists.find(name);
    if (found == front.lists.end() || front.replaying >= maxListNesting) return;
    ++front.replaying;
    // Copied: a list may not change while it runs, but the map may.
    for (const auto& op : found->second.ops) op();
    --front.replaying;
}

int capIndex(GLenum cap) {
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + lightCount) return static_cast<int>(cap - GL_LIGHT0);
    return -1;
}

void setCapability(GLenum cap, int on) {
    if (listed([=] { setCapability(cap, on); })) return;
    if (front.inPrimitive) return gl11SetError(GL_INVALID_OPERATION);
    const int light = capIndex(cap);
    if (light >= 0) front.lights[light].enabled = on;
    else if (cap == GL_LIGHTING) front.lighting = on;
    else if (cap == GL_COLOR_MATERIAL) front.colorMaterial = on;
    else if (cap == GL_NORMALIZE) front.normalize = on;
    else if (cap == GL_TEXTURE_GEN_S) front.texGen[0] = on;
    else if (cap == GL_TEXTURE_GEN_T) front.texGen[1] = on;
    else {
        int enabled = 0;
        if (!gl11BackCapability(cap, &enabled)) return gl11SetError(GL_INVALID_ENUM);
        gl11BackSetCapability(cap, on);
    }
}

Matrix rotation(float angle, float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0) return identity;
    x /= length, y /= length, z /= length;
    const float radians = angle * static_cast<float>(3.14159265358979323846 / 180.0);
    const float s = std::sin(radians), c = std::cos(radians), k = 1 - c;
    return Matrix{{x * x * k + c, y * x * k + z * s, x * z * k - y * s, 0, x * y * k - z * s, y * y * k + c,
                   y * z * k + x * s, 0, x * z * k + y * s, y * z * k - x * s, z * z * k + c, 0, 0, 0, 0, 1}};
}

void matrixOp(const Matrix& m) {
    if (listed([=] { matrixOp(m); })) return;
    if (front.inPrimitive) return gl11SetError(GL_INVALID_OPERATION);
    multiplyTop(m);
}

// Unpacks client pixels (GL_RGB or GL_RGBA bytes) under the unpack settings into tight rows
// of `components` bytes; false when the format cannot be had.
bool unpackPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const void* data, int components,
                  std::vector<uint8_t>* out) {
    const int given = format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 0;
    if (!given || type != GL_UNSIGNED_BYTE) return false;
    const PixelStore& s = front.unpack;
    const size_t rowPixels = s.rowLength > 0 ? static_cast<size_t>(s.rowLength) : static_cast<size_t>(width);
    size_t stride = rowPixels * given;
    stride = (stride + s.alignment - 1) / s.alignment * s.alignment;
    const uint8_t* base = static_cast<const uint8_t*>(data) + s.skipRows * stride + s.skipPixels * given;
    out->resize(static_cast<size_t>(width) * height * components);
    for (GLsizei y = 0; y < height; ++y)
        for (GLsizei x = 0; x < width; ++x) {
            const uint8_t* in = base + y * stride + x * given;
            uint8_t* o = out->data() + (static_cast<size_t>(y) * width + x) * components;
            for (int c = 0; c < components; ++c) o[c] = c < given ? in[c] : 255;
        }
    return true;
}

int componentsOf(GLint internalFormat) {
    if (internalFormat == 3 || internalFormat == GL_RGB || internalFormat == GL_RGB8) return 3;
    if (internalFormat == 4 || internalFormat == GL_RGBA || internalFormat == GL_RGBA8) return 4;
    return 0;
}

struct ProxyLevel {
    GLint width = 0, height = 0, components = 0;
} proxy;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Context, errors, strings
// ---------------------------------------------------------------------------------------------

namespace {
void resetFront() {
    front = Front{};
    for (auto& stack : front.stacks) stack.assign(1, identity);
    resetLights();
}
}  // namespace

void gl11ContextCreated() {
    resetFront();
    gl11BackReset();
}

void gl11ContextDeleted() {
    gl11BackRelease();
    resetFront();
}

void gl11SetError(GLenum error) {
    if (front.error == GL_NO_ERROR) front.error = error;
}

GLenum glGetError() {
    const GLenum e = front.error;
    front.error = GL_NO_ERROR;
    return e;
}

const GLubyte* glGetString(GLenum name) {
    switch (name) {
        case GL_VENDOR: return reinterpret_cast<const GLubyte*>("Quorvex Dalmera");
        case GL_RENDERER: return reinterpret_cast<const GLubyte*>("OpenGL 1.1 on WebGL");
        case GL_VERSION: return reinterpret_cast<const GLubyte*>("1.1");
        case GL_EXTENSIONS: return reinterpret_cast<const GLubyte*>("");
        default: gl11SetError(GL_INVALID_ENUM); return nullptr;
    }
}

void glHint(GLenum, GLenum) {}  // WebGL always interpolates in perspective

void glShadeModel(GLenum mode) {
    // Only smooth shading is drawn; flat shading is not part of this GL.
    if (mode != GL_SMOOTH) gl11SetError(GL_INVALID_ENUM);
}

// ---------------------------------------------------------------------------------------------
// Capabilities
// ---------------------------------------------------------------------------------------------

void glEnable(GLenum cap) { setCapability(cap, 1); }
void glDisable(GLenum cap) { setCapability(cap, 0); }

GLboolean glIsEnabled(GLenum cap) {
    const int light = capIndex(cap);
    if (light >= 0) return front.lights[light].enabled;
    switch (cap) {
        case GL_LIGHTING: return front.lighting;
        case GL_COLOR_MATERIAL: return front.colorMaterial;
        case GL_NORMALIZE: return front.normalize;
        case GL_TEXTURE_GEN_S: return front.texGen[0];
        case GL_TEXTURE_GEN_T: return front.texGen[1];
        default: break;
    }
    int enabled = 0;
    if (!gl11BackCapability(cap, &enabled)) gl11SetError(GL_INVALID_ENUM);
    return enabled ? GL_TRUE : GL_FALSE;
}

void glLightfv(GLenum lightName, GLenum pname, const GLfloat* params) {
    const int i = capIndex(lightName);
    if (i < 0) return gl11SetError(GL_INVALID_ENUM);
    const float p[4] = {params[0], params[1], params[2],
                        pname == GL_POSITION || pname == GL_AMBIENT || pname == GL_DIFFUSE ? params[3] : 0};
    if (listed([=] { glLightfv(lightName, pname, p); })) return;
    Light& light = front.lights[i];
    switch (pname) {
        case GL_AMBIENT: std::memcpy(light.ambient, p, sizeof p); break;
        case GL_DIFFUSE: std::memcpy(light.diffuse, p, sizeof p); break;
        case GL_POSITION: transform(front.stacks[0].back(), p, light.position); break;
        default: gl11SetError(GL_INVALID_ENUM); break;
    }
}

void glTexGeni(GLenum coord, GLenum pname, GLint param) {
    if (listed([=] { glTexGeni(coord, pname, param); })) return;
    const int axis = coord == GL_S ? 0 : coord == GL_T ? 1 : -1;
    const GLenum mode = static_cast<GLenum>(param);
    if (axis < 0 || pname != GL_TEXTURE_GEN_MODE ||
        (mode != GL_SPHERE_MAP && mode != GL_EYE_LINEAR && mode != GL_OBJECT_LINEAR))
        return gl11SetError(GL_INVALID_ENUM);
    front.texGenMode[axis] = mode;
}

// ---------------------------------------------------------------------------------------------
// Matrices
// ---------------------------------------------------------------------------------------------

void glMatrixMode(GLenum mode) {
    if (listed([=] { glMatrixMode(mode); })) return;
    const int m = mode == GL_MODELVIEW ? 0 : mode == GL_PROJECTION ? 1 : mode == GL_TEXTURE ? 2 : -1;
    if (m < 0) return gl11SetError(GL_INVALID_ENUM);
    front.mode = m;
}

void glLoadIdentity() {
    if (listed([] { glLoadIdentity(); })) return;
    top() = identity;
}

void glPushMatrix() {
    if (listed([] { glPushMatrix(); })) return;
    auto& stack = front.stacks[front.mode];
    if (stack.size() >= stackDepth) return gl11SetError(GL_STACK_OVERFLOW);
    stack.push_back(stack.back());
}

void glPopMatrix() {
    if (listed([] { glPopMatrix(); })) return;
    auto& stack = front.stacks[front.mode];
    if (stack.size() <= 1) return gl11SetError(GL_STACK_UNDERFLOW);
    stack.pop_back();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    matrixOp(Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}});
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) { matrixOp(Matrix{{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}}); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { matrixOp(rotation(angle, x, y, z)); }

void glMultMatrixf(const GLfloat* m) {
    Matrix a;
    std::memcpy(a.m, m, sizeof a.m);
    matrixOp(a);
}
void glMultMatrixd(const GLdouble* m) {
    Matrix a;
    for (int i = 0; i < 16; ++i) a.m[i] = static_cast<float>(m[i]);
    matrixOp(a);
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    if (l == r || b == t || n == f) return gl11SetError(GL_INVALID_VALUE);
    matrixOp(Matrix{{static_cast<float>(2 / (r - l)), 0, 0, 0, 0, static_cast<float>(2 / (t - b)), 0, 0, 0, 0,
                     static_cast<float>(-2 / (f - n)), 0, static_cast<float>(-(r + l) / (r - l)),
                     static_cast<float>(-(t + b) / (t - b)), static_cast<float>(-(f + n) / (f - n)), 1}});
}

// ---------------------------------------------------------------------------------------------
// Immediate mode
// ---------------------------------------------------------------------------------------------

void glBegin(GLenum mode) {
    if (front.inPrimitive) return gl11SetError(GL_INVALID_OPERATION);
    if (!primitiveModeSupported(mode)) return gl11SetError(GL_INVALID_ENUM);
    front.inPrimitive = 1;
    front.primitiveMode = mode;
    front.given.clear();
    // Immediate mode starts from the current attributes; a list's primitive learns them at replay.
    front.working = front.current;
    front.workingSet = 0;
}

void glEnd() {
    if (!front.inPrimitive) return gl11SetError(GL_INVALID_OPERATION);
    front.inPrimitive = 0;
    auto p = std::make_unique<Primitive>();
    const int inList = front.compiling && !front.replaying;
    triangulate(front.primitiveMode, front.given, inList, &p->triangles);
    p->last = front.working;
    p->lastSet = front.workingSet;
    const Primitive* drawn = p.get();
    if (inList) {
        front.compiled.ops.emplace_back([drawn] { drawPrimitive(*drawn); });
        front.compiled.primitives.push_back(std::move(p));
        if (!front.compileAndExecute) return;
    }
    drawPrimitive(*drawn);
}

void glVertex2i(GLint x, GLint y) { vertex(static_cast<float>(x), static_cast<float>(y), 0); }
void glVertex2f(GLfloat x, GLfloat y) { vertex(x, y, 0); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { vertex(x, y, z); }

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { color(r, g, b, 1); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { color(r, g, b, a); }
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { color(r / 255.0f, g / 255.0f, b / 255.0f, 1); }
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) { color(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f); }

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    const float v[3] = {x, y, z};
    if (!front.inPrimitive && listed([=] { glNormal3f(x, y, z); })) return;
    setAttribute(NORMAL_BIT, v, 3);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    const float v[2] = {s, t};
    if (!front.inPrimitive && listed([=] { glTexCoord2f(s, t); })) return;
    setAttribute(TEX_BIT, v, 2);
}
void glTexCoord2d(GLdouble s, GLdouble t) { glTexCoord2f(static_cast<float>(s), static_cast<float>(t)); }

// ---------------------------------------------------------------------------------------------
// Display lists
// ---------------------------------------------------------------------------------------------

GLuint glGenLists(GLsizei range) {
    if (range < 0) return gl11SetError(GL_INVALID_VALUE), 0;
    if (range == 0) return 0;
    // The first run of `range` free names above every name in use.
    const GLuint base = front.lists.empty() ? 1 : front.lists.rbegin()->first + 1;
    for (GLsizei i = 0; i < range; ++i) front.lists[base + static_cast<GLuint>(i)];
    return base;
}

void glDeleteLists(GLuint list, GLsizei range) {
    if (range < 0) return gl11SetError(GL_INVALID_VALUE);
    for (GLsizei i = 0; i < range; ++i) front.lists.erase(list + static_cast<GLuint>(i));
}

void glNewList(GLuint list, GLenum mode) {
    if (list == 0) return gl11SetError(GL_INVALID_VALUE);
    if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE) return gl11SetError(GL_INVALID_ENUM);
    if (front.compiling || front.inPrimitive) return gl11SetError(GL_INVALID_OPERATION);
    front.compiling = 1;
    front.compileAndExecute = mode == GL_COMPILE_AND_EXECUTE;
    front.compilingName = list;
    front.compiled = DisplayList{};
}

void glEndList() {
    if (!front.compiling || front.inPrimitive) return gl11SetError(GL_INVALID_OPERATION);
    front.compiling = 0;
    front.lists[front.compilingName] = std::move(front.compiled);
    front.compiled = DisplayList{};
}

void glCallList(GLuint list) { callList(list); }

void glListBase(GLuint base) {
    if (listed([=] { glListBase(base); })) return;
    front.listBase = base;
}

void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    if (n < 0) return gl11SetError(GL_INVALID_VALUE);
    for (GLsizei i = 0; i < n; ++i) {
        long offset;
        switch (type) {
            case GL_BYTE: offset = static_cast<const GLbyte*>(lists)[i]; break;
            case GL_UNSIGNED_BYTE: offset = static_cast<const GLubyte*>(lists)[i]; break;
            case GL_SHORT: offset = static_cast<const GLshort*>(lists)[i]; break;
            case GL_UNSIGNED_SHORT: offset = static_cast<const GLushort*>(lists)[i]; break;
            case GL_INT: offset = static_cast<const GLint*>(lists)[i]; break;
            case GL_UNSIGNED_INT: offset = static_cast<long>(static_cast<const GLuint*>(lists)[i]); break;
            default: return gl11SetError(GL_INVALID_ENUM);
        }
        // The base is read when each name is called, as a list in between may change it.
        callList(front.listBase + static_cast<GLuint>(offset));
    }
}

// ---------------------------------------------------------------------------------------------
// Pixel storage, queries and texture images
// ---------------------------------------------------------------------------------------------

// Kept as written, each unpacking setting with its packing twin:
// clang-format off
namespace {
// The packing names run from GL_PACK_SWAP_BYTES to GL_PACK_ALIGNMENT; the others unpack.
PixelStore& pixelStoreFor(GLenum pname) {
    return (pname >= GL_PACK_SWAP_BYTES && pname <= GL_PACK_ALIGNMENT) ? front.pack : front.unpack;
}

// False for a name that is not a pixel-store setting.
bool getPixelStore(GLenum pname, GLint* params) {
    const PixelStore& s = pixelStoreFor(pname);
    switch (pname) {
        case GL_UNPACK_ALIGNMENT: case GL_PACK_ALIGNMENT: *params = s.alignment; return true;
        case GL_UNPACK_ROW_LENGTH: case GL_PACK_ROW_LENGTH: *params = s.rowLength; return true;
        case GL_UNPACK_SKIP_ROWS: case GL_PACK_SKIP_ROWS: *params = s.skipRows; return true;
        case GL_UNPACK_SKIP_PIXELS: case GL_PACK_SKIP_PIXELS: *params = s.skipPixels; return true;
        case GL_UNPACK_SWAP_BYTES: case GL_PACK_SWAP_BYTES: *params = s.swapBytes; return true;
        case GL_UNPACK_LSB_FIRST: case GL_PACK_LSB_FIRST: *params = s.lsbFirst; return true;
        default: return false;
    }
}
}  // namespace

void glPixelStorei(GLenum pname, GLint param) {
    PixelStore& s = pixelStoreFor(pname);
    switch (pname) {
        case GL_UNPACK_ALIGNMENT: case GL_PACK_ALIGNMENT:
            if (param != 1 && param != 2 && param != 4 && param != 8) return gl11SetError(GL_INVALID_VALUE);
            s.alignment = param;
            return;
        case GL_UNPACK_ROW_LENGTH: case GL_PACK_ROW_LENGTH: s.rowLength = param; break;
        case GL_UNPACK_SKIP_ROWS: case GL_PACK_SKIP_ROWS: s.skipRows = param; break;
        case GL_UNPACK_SKIP_PIXELS: case GL_PACK_SKIP_PIXELS: s.skipPixels = param; break;
        case GL_UNPACK_SWAP_BYTES: case GL_PACK_SWAP_BYTES: s.swapBytes = param; return;
        case GL_UNPACK_LSB_FIRST: case GL_PACK_LSB_FIRST: s.lsbFirst = param; return;
        default: return gl11SetError(GL_INVALID_ENUM);
    }
    if (param < 0) gl11SetError(GL_INVALID_VALUE);
}
// clang-format on

int gl11PackAlignment() { return front.pack.alignment; }

void glGetIntegerv(GLenum pname, GLint* params) {
    if (getPixelStore(pname, params)) return;
    switch (pname) {
        // GLU asks for the 3D settings too; they stay at their defaults here.
        case GL_UNPACK_SKIP_IMAGES:
        case GL_UNPACK_IMAGE_HEIGHT:
        case GL_PACK_SKIP_IMAGES:
        case GL_PACK_IMAGE_HEIGHT: *params = 0; return;
        case GL_DOUBLEBUFFER: *params = 1; return;
        case GL_MAX_LIST_NESTING: *params = maxListNesting; return;
        case GL_LIST_BASE: *params = static_cast<GLint>(front.listBase); return;
        case GL_MAX_MODELVIEW_STACK_DEPTH:
        case GL_MAX_PROJECTION_STACK_DEPTH: *params = stackDepth; return;
        case GL_MAX_LIGHTS: *params = lightCount; return;
        default: break;
    }
    if (!gl11BackInteger(pname, params)) gl11SetError(GL_INVALID_ENUM);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    const int components = componentsOf(internalFormat);
    if (target != GL_TEXTURE_2D && target != GL_PROXY_TEXTURE_2D) return gl11SetError(GL_INVALID_ENUM);
    if (!components) return gl11SetError(GL_INVALID_VALUE);
    const int valid = border == 0 && gl11ValidTextureSize(level, width, height);
    if (target == GL_PROXY_TEXTURE_2D) {
        proxy = valid ? ProxyLevel{width, height, components} : ProxyLevel{};
        return;
    }
    if (!valid) return gl11SetError(GL_INVALID_VALUE);
    auto tight = std::make_shared<std::vector<uint8_t>>();
    if (pixels && !unpackPixels(width, height, format, type, pixels, components, tight.get()))
        return gl11SetError(GL_INVALID_ENUM);
    // Without pixels the level exists with undefined contents: zeros here.
    if (!pixels) tight->assign(static_cast<size_t>(width) * height * components, 0);
    auto upload = [=] { gl11UploadTexture(level, components, width, height, tight->data()); };
    if (listed(upload)) return;
    upload();
}

// WebGL has neither one- nor three-dimensional textures.
void glTexImage1D(GLenum, GLint, GLint, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {
    gl11SetError(GL_INVALID_ENUM);
}
void glTexImage3D(GLenum, GLint, GLint, GLsizei, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {
    gl11SetError(GL_INVALID_ENUM);
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
    // Only the proxy's answer is kept: what GLU asks before it scales a picture.
    if (target != GL_PROXY_TEXTURE_2D || level < 0) return gl11SetError(GL_INVALID_ENUM);
    switch (pname) {
        case GL_TEXTURE_WIDTH: *params = proxy.width; break;
        case GL_TEXTURE_HEIGHT: *params = proxy.height; break;
        case GL_TEXTURE_COMPONENTS: *params = proxy.components; break;
        default: gl11SetError(GL_INVALID_ENUM); break;
    }
}
