// The GL functions the game calls, journalled with their arguments.
#include "fakes.h"
#include "platform/gl.h"

using fake::record;

namespace {

// The client arrays as the game set them; only what glDrawArrays reads.
struct ClientArray {
    bool enabled = false;
    GLint size = 0;
    GLsizei stride = 0;
    const GLvoid* data = nullptr;

    const GLfloat* element(GLint i) const {
        const GLsizei step = stride != 0 ? stride : size * GLsizei(sizeof(GLfloat));
        return reinterpret_cast<const GLfloat*>(static_cast<const char*>(data) + i * step);
    }
};
ClientArray vertices, texCoords;

ClientArray* clientArray(GLenum array) {
    return array == GL_VERTEX_ARRAY          ? &vertices
           : array == GL_TEXTURE_COORD_ARRAY ? &texCoords
                                             : nullptr;
}

}  // namespace

extern "C" {

// clang-format off
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record(__func__, x, y, w, h); }
void glMatrixMode(GLenum mode) { record(__func__, mode); }
void glLoadIdentity() { record(__func__); }
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    record(__func__, l, r, b, t, n, f);
}
void glEnable(GLenum cap) { record(__func__, cap); }
void glDisable(GLenum cap) { record(__func__, cap); }
void glDepthFunc(GLenum func) { record(__func__, func); }
void glShadeModel(GLenum mode) { record(__func__, mode); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record(__func__, r, g, b, a); }
void glClearDepth(GLclampd depth) { record(__func__, depth); }
void glHint(GLenum target, GLenum mode) { record(__func__, target, mode); }
void glBlendFunc(GLenum s, GLenum d) { record(__func__, s, d); }
void glPixelStorei(GLenum name, GLint param) { record(__func__, name, param); }
void glPointSize(GLfloat size) { record(__func__, size); }
void glLineWidth(GLfloat width) { record(__func__, width); }
void glDeleteLists(GLuint list, GLsizei range) { record(__func__, list, range); }
void glClear(GLbitfield mask) { record(__func__, mask); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { record(__func__, r, g, b); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record(__func__, r, g, b, a); }
void glBindTexture(GLenum target, GLuint texture) { record(__func__, target, texture); }
void glBegin(GLenum mode) { record(__func__, mode); }
void glEnd() { record(__func__); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void glVertex3i(GLint x, GLint y, GLint z) { record(__func__, x, y, z); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void glTexParameteri(GLenum t, GLenum name, GLint value) { record(__func__, t, name, value); }
void glTexEnvi(GLenum t, GLenum name, GLint value) { record(__func__, t, name, value); }
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, GLvoid*) {
    record(__func__, x, y, w, h, format, type);
}
void glDepthMask(GLboolean flag) { record(__func__, flag); }
void glPushMatrix() { record(__func__); }
void glPopMatrix() { record(__func__); }
void glRasterPos2f(GLfloat x, GLfloat y) { record(__func__, x, y); }
void glListBase(GLuint base) { record(__func__, base); }
void glDeleteTextures(GLsizei n, const GLuint* textures) { record(__func__, n, n > 0 ? textures[0] : 0); }
void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) { record(__func__, r, g, b, a); }
void glBitmap(GLsizei w, GLsizei h, GLfloat x, GLfloat y, GLfloat dx, GLfloat dy, const GLubyte* bits) {
    record(__func__, w, h, x, y, dx, dy, bits);
}
// Raster positions and other state read back: all zero.
void glGetFloatv(GLenum name, GLfloat* values) {
    record(__func__, name);
    for (int i = 0; i < 4; ++i) values[i] = 0;
}
void glEnableClientState(GLenum array) {
    record(__func__, array);
    if (ClientArray* a = clientArray(array)) a->enabled = true;
}
void glDisableClientState(GLenum array) {
    record(__func__, array);
    if (ClientArray* a = clientArray(array)) a->enabled = false;
}
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    record(__func__, size, type, stride);
    vertices = {vertices.enabled, size, stride, data};
}
void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    record(__func__, size, type, stride);
    texCoords = {texCoords.enabled, size, stride, data};
}
// clang-format on

// The call, then each element it draws as "element(x, y, z)", with ", s, t"
// where texture coordinates are enabled: what immediate mode would have sent.
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    record(__func__, mode, first, count);
    if (!vertices.enabled) return;
    for (GLint i = first; i < first + count; ++i) {
        const GLfloat* v = vertices.element(i);
        if (texCoords.enabled) {
            const GLfloat* t = texCoords.element(i);
            record("element", v[0], v[1], v[2], t[0], t[1]);
        } else {
            record("element", v[0], v[1], v[2]);
        }
    }
}

// The text of a string drawn with the font lists, so tests can read what was shown.
void glCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    std::string text;
    if (type == GL_UNSIGNED_BYTE)
        text.assign(static_cast<const char*>(lists), static_cast<size_t>(n));
    record(__func__, text.c_str());
}

GLuint glGenLists(GLsizei range) {
    record(__func__, range);
    return fake::kFirstList;
}

void glGenTextures(GLsizei n, GLuint* textures) {
    record(__func__, n);
    for (GLsizei i = 0; i < n; ++i) textures[i] = static_cast<GLuint>(i + 1);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    record(__func__, target, level, internalFormat, width, height, border, format, type, pixels);
}

}  // extern "C"
