// OpenGL 1.1 on WebGL, the drawing half: batches of finished triangles, two small shader
// programs (coloured, and coloured times a texture), texture objects, raster state, read-back.
#include <webgl/webgl1.h>

#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/gl11_web.h"

// GL 1.1 entry points without a GLES 2 declaration, and GL 1.1 numbers GLES 2 lacks.
extern "C" {
void glClearDepth(double depth);
void glReadBuffer(GLenum mode);
}
constexpr GLenum glClamp = 0x2900;
constexpr GLenum glBack = 0x0405, glFront = 0x0404;

namespace {

struct Texture {
    GLuint webgl = 0;
    int width[16] = {}, height[16] = {}, components[16] = {};  // per level; 0 = no image
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
};

constexpr int levelLimit = 16;

struct Back {
    int ready = 0;                // programs and buffer made in this context
    GLuint programs[2] = {0, 0};  // untextured, textured
    GLuint buffer = 0;
    std::vector<Gl11Vertex> batch;
    std::unordered_map<GLuint, Texture> textures;  // the program's names; 0 is the default texture
    GLuint nextName = 1;
    GLuint bound = 0;
    int texture2d = 0, blend = 0, depthTest = 0, scissorTest = 0, cullFace = 0, dither = 1;
    GLint viewport[4] = {0, 0, 0, 0};
    GLint scissor[4] = {0, 0, 0, 0};
    int maxTextureSize = 0;
} back;

const char vertexShader[] =
    "attribute vec4 clip; attribute vec4 color; attribute vec2 tex;\n"
    "varying vec4 vColor; varying vec2 vTex;\n"
    "void main() { gl_Position = clip; vColor = color; vTex = tex; }\n";
const char fragmentHeader[] =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n"
    "varying vec4 vColor; varying vec2 vTex;\n";
const char untexturedBody[] = "void main() { gl_FragColor = vColor; }\n";
const char texturedBody[] =  // GL_MODULATE, the texture environment GL starts with
    "uniform sampler2D image;\nvoid main() { gl_FragColor = vColor * texture2D(image, vTex); }\n";

GLuint compile(GLenum kind, const char* first, const char* second) {
    const GLuint shader = emscripten_glCreateShader(kind);
    const char* parts[2] = {first, second};
    emscripten_glShaderSource(shader, second ? 2 : 1, parts, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

GLuint link(const char* body) {
    const GLuint program = emscripten_glCreateProgram();
    const GLuint vs = compile(GL_VERTEX_SHADER, vertexShader, nullptr);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, fragmentHeader, body);
    emscripten_glAttachShader(program, vs);
    emscripten_glAttachShader(program, fs);
    emscripten_glBindAttribLocation(program, 0, "clip");
    emscripten_glBindAttribLocation(program, 1, "color");
    emscripten_glBindAttribLocation(program, 2, "tex");
    emscripten_glLinkProgram(program);
    emscripten_glDeleteShader(vs);
    emscripten_glDeleteShader(fs);
    return program;
}

void makeReady() {
    if (back.ready) return;
    back.programs[0] = link(untexturedBody);
    back.programs[1] = link(texturedBody);
    emscripten_glGenBuffers(1, &back.buffer);
    // The front end hands over tight rows; the caller's alignment is applied there.
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // A canvas hands out the same WebGL context again, with the state it was left in: GL's
    // initial state is set here, not assumed.
    for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_SCISSOR_TEST, GL_CULL_FACE}) emscripten_glDisable(cap);
    emscripten_glEnable(GL_DITHER);
    emscripten_glBlendFunc(GL_ONE, GL_ZERO);
    emscripten_glDepthFunc(GL_LESS);
    emscripten_glClearColor(0, 0, 0, 0);
    emscripten_glClearDepthf(1);
    emscripten_glGetIntegerv(GL_VIEWPORT, back.viewport);
    std::memcpy(back.scissor, back.viewport, sizeof back.scissor);
    emscripten_glScissor(back.scissor[0], back.scissor[1], back.scissor[2], back.scissor[3]);
    back.ready = 1;
}

Texture& boundTexture() {
    Texture& t = back.textures[back.bound];
    if (!t.webgl) {
        emscripten_glGenTextures(1, &t.webgl);
        emscripten_glBindTexture(GL_TEXTURE_2D, t.webgl);
    }
    return t;
}

// A clear or draw that the scissor box leaves no room for is not sent. Any WebGL clear or draw
// marks the canvas for the compositor, even one that changes no pixel, and the browser then
// shows the drawing buffer, which it emptied after showing the last picture: a call whose
// scenes were all drawn hidden (one the loop does not present) would show as a black frame.
int roomless() { return back.scissorTest && (back.scissor[2] <= 0 || back.scissor[3] <= 0); }

int mipmapped(GLenum filter) { return filter != GL_NEAREST && filter != GL_LINEAR; }

// GL 1.1: a texture is complete when its level 0 exists and, for a mipmap filter, every
// level down to 1 x 1 halves the one above it in the same format.
int complete(const Texture& t) {
    if (!t.width[0]) return 0;
    if (!mipmapped(t.minFilter)) return 1;
    int w = t.width[0], h = t.height[0];
    for (int level = 1; w > 1 || h > 1; ++level) {
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        if (level >= levelLimit || t.width[level] != w || t.height[level] != h ||
            t.components[level] != t.components[0])
            return 0;
    }
    return 1;
}

int isPowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

void applyCapability(GLenum cap, int on) {
    if (on) emscripten_glEnable(cap);
    else emscripten_glDisable(cap);
}

int* capabilityFlag(GLenum cap) {
    switch (cap) {
        case GL_TEXTURE_2D: return &back.texture2d;
        case GL_BLEND: return &back.blend;
        case GL_DEPTH_TEST: return &back.depthTest;
        case GL_SCISSOR_TEST: return &back.scissorTest;
        case GL_CULL_FACE: return &back.cullFace;
        case GL_DITHER: return &back.dither;
        default: return nullptr;
    }
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// The layer's own interface
// ---------------------------------------------------------------------------------------------

void gl11BackReset() {
    back = Back{};
    makeReady();
}

void gl11BackRelease() {
    if (back.ready) {
        for (GLuint program : back.programs) emscripten_glDeleteProgram(program);
        emscripten_glDeleteBuffers(1, &back.buffer);
        for (auto& named : back.textures)
            if (named.second.webgl) emscripten_glDeleteTextures(1, &named.second.webgl);
    }
    back = Back{};
}

void gl11AppendTriangles(const Gl11Vertex* vertices, size_t count) {
    back.batch.insert(back.batch.end(), vertices, vertices + count);
}

void gl11Flush() {
    if (back.batch.empty()) return;
    if (roomless()) return back.batch.clear();
    makeReady();
    auto found = back.textures.find(back.bound);
    const int textured = back.texture2d && found != back.textures.end() && complete(found->second);
    emscripten_glUseProgram(back.programs[textured]);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, back.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(back.batch.size() * sizeof(Gl11Vertex)),
                            back.batch.data(), GL_STREAM_DRAW);
    const GLsizei stride = sizeof(Gl11Vertex);
    emscripten_glEnableVertexAttribArray(0);
    emscripten_glEnableVertexAttribArray(1);
    emscripten_glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(Gl11Vertex, clip)));
    emscripten_glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(Gl11Vertex, color)));
    if (textured) {
        emscripten_glEnableVertexAttribArray(2);
        emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                         reinterpret_cast<void*>(offsetof(Gl11Vertex, tex)));
    } else {
        emscripten_glDisableVertexAttribArray(2);
    }
    emscripten_glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(back.batch.size()));
    back.batch.clear();
}

int gl11BackCapability(unsigned cap, int* enabled) {
    const int* flag = capabilityFlag(cap);
    if (!flag) return 0;
    *enabled = *flag;
    return 1;
}

void gl11BackSetCapability(unsigned cap, int on) {
    int* flag = capabilityFlag(cap);
    if (!flag || *flag == on) return;
    gl11Flush();
    *flag = on;
    if (cap != GL_TEXTURE_2D) applyCapability(cap, on);
}

int gl11MaxTextureSize() {
    if (!back.maxTextureSize) emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &back.maxTextureSize);
    return back.maxTextureSize;
}

int gl11ValidTextureSize(int level, int width, int height) {
    // GL 1.1 sides are powers of two; every level fits the largest texture.
    if (level < 0 || level >= levelLimit || !isPowerOfTwo(width) || !isPowerOfTwo(height)) return 0;
    const int max = gl11MaxTextureSize() >> level;
    return width <= max && height <= max;
}

void gl11UploadTexture(int level, int components, int width, int height, const uint8_t* pixels) {
    gl11Flush();
    makeReady();
    Texture& t = boundTexture();
    const GLenum format = components == 4 ? GL_RGBA : GL_RGB;
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, format, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    t.width[level] = width;
    t.height[level] = height;
    t.components[level] = components;
}

int gl11BackInteger(unsigned pname, int* params) {
    switch (pname) {
        case GL_MAX_TEXTURE_SIZE: *params = gl11MaxTextureSize(); return 1;
        case GL_MAX_VIEWPORT_DIMS: emscripten_glGetIntegerv(GL_MAX_VIEWPORT_DIMS, params); return 1;
        case GL_VIEWPORT: std::memcpy(params, back.viewport, sizeof back.viewport); return 1;
        case GL_TEXTURE_BINDING_2D: *params = static_cast<int>(back.bound); return 1;
        default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// GL 1.1 entry points that are raster state, textures and pixels
// ---------------------------------------------------------------------------------------------

void glBlendFunc(GLenum source, GLenum destination) {
    gl11Flush();
    emscripten_glBlendFunc(source, destination);
}

void glDepthFunc(GLenum func) {
    gl11Flush();
    emscripten_glDepthFunc(func);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { emscripten_glClearColor(r, g, b, a); }
void glClearDepth(double depth) { emscripten_glClearDepthf(static_cast<float>(depth)); }

void glClear(GLbitfield mask) {
    gl11Flush();
    if (!roomless()) emscripten_glClear(mask);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    gl11Flush();
    const GLint v[4] = {x, y, width, height};
    std::memcpy(back.viewport, v, sizeof v);
    emscripten_glViewport(x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    gl11Flush();
    const GLint box[4] = {x, y, width, height};
    std::memcpy(back.scissor, box, sizeof box);
    emscripten_glScissor(x, y, width, height);
}

void glGenTextures(GLsizei n, GLuint* names) {
    if (n < 0) return gl11SetError(GL_INVALID_VALUE);
    for (GLsizei i = 0; i < n; ++i) {
        while (back.textures.count(back.nextName)) ++back.nextName;
        names[i] = back.nextName;
        back.textures[back.nextName++];  // reserved; its WebGL object comes with the first bind
    }
}

void glDeleteTextures(GLsizei n, const GLuint* names) {
    gl11Flush();
    for (GLsizei i = 0; i < n; ++i) {
        auto found = back.textures.find(names[i]);
        if (found == back.textures.end() || names[i] == 0) continue;
        if (found->second.webgl) emscripten_glDeleteTextures(1, &found->second.webgl);
        back.textures.erase(found);
        if (back.bound == names[i]) {
            back.bound = 0;
            emscripten_glBindTexture(GL_TEXTURE_2D, boundTexture().webgl);
        }
    }
}

void glBindTexture(GLenum target, GLuint name) {
    if (target != GL_TEXTURE_2D) return gl11SetError(GL_INVALID_ENUM);
    if (name == back.bound && back.textures.count(name)) return;
    gl11Flush();
    makeReady();
    back.bound = name;
    emscripten_glBindTexture(GL_TEXTURE_2D, boundTexture().webgl);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (target != GL_TEXTURE_2D) return gl11SetError(GL_INVALID_ENUM);
    gl11Flush();
    makeReady();
    Texture& t = boundTexture();
    GLenum value = static_cast<GLenum>(param);
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER: t.minFilter = value; break;
        case GL_TEXTURE_MAG_FILTER: break;
        case GL_TEXTURE_WRAP_S:
        case GL_TEXTURE_WRAP_T:
            if (value == glClamp) value = GL_CLAMP_TO_EDGE;  // WebGL has no border to clamp to
            break;
        default: return gl11SetError(GL_INVALID_ENUM);
    }
    emscripten_glTexParameteri(GL_TEXTURE_2D, pname, static_cast<GLint>(value));
}

void glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
    glTexParameteri(target, pname, static_cast<GLint>(param));
}

void glReadBuffer(GLenum mode) {
    // The picture being drawn is the only one WebGL lets us read.
    if (mode != glBack && mode != glFront) gl11SetError(GL_INVALID_ENUM);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    const int components = format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 0;
    if (!components || type != GL_UNSIGNED_BYTE) return gl11SetError(GL_INVALID_ENUM);
    if (width < 0 || height < 0) return gl11SetError(GL_INVALID_VALUE);
    gl11Flush();
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t alignment = static_cast<size_t>(gl11PackAlignment());
    const size_t stride = (static_cast<size_t>(width) * components + alignment - 1) / alignment * alignment;
    for (GLsizei row = 0; row < height; ++row) {
        uint8_t* out = static_cast<uint8_t*>(pixels) + row * stride;
        const uint8_t* in = rgba.data() + static_cast<size_t>(row) * width * 4;
        for (GLsizei i = 0; i < width; ++i)
            for (int c = 0; c < components; ++c) out[i * components + c] = in[i * 4 + c];
    }
}

void glFlush() {
    gl11Flush();
    emscripten_glFlush();
}

void glFinish() {
    gl11Flush();
    emscripten_glFinish();
}
