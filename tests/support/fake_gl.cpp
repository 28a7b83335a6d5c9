// The GL functions the game calls, journalled with their arguments.
#include "fakes.h"
#include "platform/gl.h"

using fake::record;

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
void glTexCoord2f(GLfloat s, GLfloat t) { record(__func__, s, t); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void glVertex3i(GLint x, GLint y, GLint z) { record(__func__, x, y, z); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { record(__func__, x, y, z); }
void glTexParameteri(GLenum t, GLenum name, GLint value) { record(__func__, t, name, value); }
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
// clang-format on

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
