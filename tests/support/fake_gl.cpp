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
// clang-format on

GLuint glGenLists(GLsizei range) {
    record(__func__, range);
    return fake::kFirstList;
}

void glGenTextures(GLsizei n, GLuint* textures) {
    record(__func__, n);
    for (GLsizei i = 0; i < n; ++i) textures[i] = static_cast<GLuint>(i + 1);
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
    for (GLsizei i = 0; i < n; ++i) record(__func__, textures[i]);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    record(__func__, target, level, internalFormat, width, height, border, format, type, pixels);
}

}  // extern "C"
