// Draws a table of small pictures with the GL 1.1 and GLU calls the demo makes and prints
// each as "case NAME W H HEX-RGB": the same source on Mesa and on WebGL, compared by a test.
#include <cstdio>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#endif

namespace {
constexpr int width = 160, height = 120;
GLuint textures[2];
GLUquadric* quadric;

// A checker with a colour ramp, odd-sized so GLU scales it before building the mipmaps.
void makeTextures() {
    glGenTextures(2, textures);
    std::vector<unsigned char> pixels(45 * 30 * 4);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 45; ++x) {
            unsigned char* p = &pixels[(y * 45 + x) * 4];
            const int on = ((x / 5) + (y / 5)) % 2;
            p[0] = static_cast<unsigned char>(on ? 255 : x * 5);
            p[1] = static_cast<unsigned char>(on ? 200 : y * 8);
            p[2] = static_cast<unsigned char>(on ? 40 : 160);
            p[3] = 7;  // read past as the texture bank does with 32-bit pictures
        }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 45, 30, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 45, 30, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data() + 45 * 4 * 3);
}

void quad(float s) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex3f(-s, -s, 0);
    glTexCoord2f(2, 0), glVertex3f(s, -s, 0);
    glTexCoord2f(2, 2), glVertex3f(s, s, 0);
    glTexCoord2f(0, 2), glVertex3f(-s, s, 0);
    glEnd();
}

void smoothAndDepth() {
    glDisable(GL_TEXTURE_2D);
    glTranslatef(0, 0, -6);
    glBegin(GL_QUADS);
    glColor3f(1, 0, 0), glVertex3f(-2, -1.5f, 0);
    glColor3ub(0, 255, 0), glVertex3f(1, -1.5f, -1);
    glColor4f(0, 0, 1, 1), glVertex3f(1, 1.5f, 1);
    glColor4ub(255, 255, 0, 255), glVertex3f(-2, 1.5f, 0);
    glEnd();
    glRotatef(30, 0, 1, 0.2f);
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < 8; ++i) {
        glColor3f(i / 8.0f, 1 - i / 8.0f, 0.5f);
        glVertex3f(-1.5f + i * 0.5f, (i % 2) ? 1.0f : -0.5f, 0.3f);
    }
    glEnd();
}

void mipmappedPlane() {
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glColor3f(1, 1, 1);
    gluLookAt(0, 1, 2, 0, 0, -4, 0, 1, 0);
    glTranslated(0, -1, -8);
    glRotatef(-80, 1, 0, 0);
    quad(8);
    glLoadIdentity();
    glTranslatef(1.5f, 0.8f, -5);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glColor4f(0.5f, 1, 1, 1);  // modulated
    quad(0.6f);
}

// Glyph-like lists: a quad and a step right, called by byte through a list base; the lists
// carry no colour, so the colour current at the call shows.
void displayLists() {
    const GLuint base = glGenLists(4);
    for (int g = 0; g < 3; ++g) {
        glNewList(base + g, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(g * 0.3f, 0), glVertex2i(0, 0);
        glTexCoord2f(g * 0.3f + 0.3f, 0), glVertex2i(30, 0);
        glTexCoord2f(g * 0.3f + 0.3f, 0.5f), glVertex2i(30, 30 + g * 5);
        glTexCoord2f(g * 0.3f, 0.5f), glVertex2i(0, 30);
        glEnd();
        glTranslated(34, 0, 0);
        glEndList();
    }
    glNewList(base + 3, GL_COMPILE);  // nests one call and changes the colour after it
    glCallList(base);
    glColor3f(0.2f, 0.4f, 1);
    glEndList();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(4, 10, 0);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glColor3f(1, 0.6f, 0.6f);
    const signed char text[] = {2, 0, 1, 3, 1};
    glListBase(base);
    glCallLists(5, GL_BYTE, text);
    glLoadIdentity();
    glTranslated(4, 60, 0);
    glCallLists(3, GL_BYTE, text);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDeleteLists(base, 4);
}

void blending() {
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glTranslatef(0, 0, -4);
    quad(1.6f);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    const GLenum modes[3][2] = {{GL_SRC_ALPHA, GL_ONE}, {GL_DST_COLOR, GL_ZERO}, {GL_SRC_ALPHA, GL_ZERO}};
    for (int i = 0; i < 3; ++i) {
        glBlendFunc(modes[i][0], modes[i][1]);
        glColor4f(0.3f + i * 0.3f, 0.8f, 1 - i * 0.3f, 0.6f);
        glLoadIdentity();
        glTranslatef(-1.2f + i * 1.2f, 0.2f * i, -4);
        glRotatef(20.0f * i, 0, 0, 1);
        quad(0.7f);
    }
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_DEPTH_TEST);
}

// What a scene drawn hidden does: a clear and a quad inside a box with no room.
void drawInEmptyBox() {
    glScissor(0, 0, 0, 0);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glTranslatef(0, 0, -3);
    quad(1);
}

// A box with no room clears and draws nothing; a real box bounds both.
void scissor() {
    drawInEmptyBox();
    glScissor(20, 15, 90, 60);
    glClearColor(0.1f, 0.3f, 0.2f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    glRotatef(35, 0.3f, 1, 0);
    quad(1.2f);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0.5f);
}

void sphereMap() {
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTranslatef(-0.8f, 0, -5);
    glRotatef(40, 1, 1, 0);
    gluSphere(quadric, 1.2, 24, 16);
    glTranslatef(2.2f, 0, 0);
    gluCylinder(quadric, 0.6, 0.2, 1.5, 16, 4);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

// One light with colour material; the smaller sphere's normals are scaled with it.
void lighting() {
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1}, diffuse[4] = {1, 1, 1, 1}, position[4] = {0, 0, 2, 1};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glEnable(GL_LIGHT1);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0.9f, 0.5f, 0.2f);
    glTranslatef(-1, 0, -5);
    gluSphere(quadric, 1.0, 20, 14);
    glTranslatef(2, 0.3f, 0);
    glScalef(0.5f, 0.5f, 0.5f);
    glColor3f(0.3f, 0.7f, 1);
    gluSphere(quadric, 1.2, 20, 14);
    glDisable(GL_LIGHTING);
}

// A texture name without a picture (a missing media file): GL 1.1 draws as if untextured.
void missingPicture() {
    GLuint empty;
    glGenTextures(1, &empty);
    glBindTexture(GL_TEXTURE_2D, empty);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glColor3f(0.8f, 0.3f, 0.6f);
    glTranslatef(0, 0, -3);
    quad(1);
}

struct Case {
    const char* name;
    void (*draw)();
};
const Case cases[] = {
    {"smooth_and_depth", smoothAndDepth}, {"mipmapped_plane", mipmappedPlane}, {"display_lists", displayLists},
    {"blending", blending}, {"scissor", scissor}, {"sphere_map", sphereMap}, {"lighting", lighting},
    {"missing_picture", missingPicture},
};

void runCase(const Case& c) {
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColor3f(1, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / height, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    c.draw();
    std::vector<unsigned char> rgb(width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::printf("case %s %d %d ", c.name, width, height);
    for (unsigned char byte : rgb) std::printf("%02x", byte);
    std::printf("\nerror %s %u\n", c.name, glGetError());
}
}  // namespace

#if defined(__EMSCRIPTEN__)
// For the page, which looks at the screen after each call: a whole picture, then a call drawn
// wholly hidden, which must leave the whole one on the screen.
extern "C" EMSCRIPTEN_KEEPALIVE void drawForScreen(int hidden) {
    if (hidden) drawInEmptyBox();
    glClearColor(0.2f, 0.6f, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glFlush();
}
#endif

int main() {
#if !defined(__EMSCRIPTEN__)
    platformSelectBackend(PLATFORM_OFFSCREEN);
#endif
    const PlatformPixelFormat format = {24, 16, 1};
    if (!platformRegisterWindowClass() || !platformCreateWindow("gl cases", width, height, 0, &format) ||
        !platformCreateContext() || !platformMakeCurrent()) {
        std::printf("fail no GL context\n");
        return 1;
    }
    makeTextures();
    quadric = gluNewQuadric();
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluQuadricTexture(quadric, GL_TRUE);
    for (const Case& c : cases) runCase(c);
    gluDeleteQuadric(quadric);
    std::printf("done\n");
    return 0;
}
