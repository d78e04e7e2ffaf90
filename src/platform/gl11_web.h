// OpenGL 1.1 on WebGL, between its two halves: the fixed-function front (matrices, display
// lists, immediate mode, texgen and lighting, on the CPU) and the WebGL back that draws.
#pragma once

#include <cstddef>
#include <cstdint>

// One vertex as the back end draws it: clip-space position, final colour, texture coordinate.
struct Gl11Vertex {
    float clip[4];
    float color[4];
    float tex[2];
};

// The WebGL context was made or is about to go (the window's context): all GL state starts
// anew, and every WebGL object of the layer is made again on first use.
void gl11ContextCreated();
void gl11ContextDeleted();

// Front end, for the back end: the first error since the last glGetError wins.
void gl11SetError(unsigned error);
int gl11PackAlignment();

// Back end. Triangles join the batch of the current draw state, which is drawn when that
// state changes or before anything reads or shows the picture.
void gl11BackReset();    // a new context: GL's initial state
void gl11BackRelease();  // before the context goes: its WebGL objects
void gl11AppendTriangles(const Gl11Vertex* vertices, size_t count);
void gl11Flush();
int gl11BackCapability(unsigned cap, int* enabled);  // 0 when the cap is not the back end's
void gl11BackSetCapability(unsigned cap, int on);
// `pixels`: `height` rows of `width` tightly packed RGB or RGBA bytes (components 3 or 4).
void gl11UploadTexture(int level, int components, int width, int height, const uint8_t* pixels);
int gl11ValidTextureSize(int level, int width, int height);  // GL 1.1 rules
int gl11MaxTextureSize();
int gl11BackInteger(unsigned pname, int* params);  // 0 when the query is not the back end's
