// The GL functions the game calls, recorded into the fake journal. Arguments are
// printed with %g and symbolic names for the enums the game uses.
#include <cstdio>
#include <string>

#include "fakes.h"
#include "platform/gl.h"

namespace {

std::string num(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string nums(std::initializer_list<double> values) {
    std::string out;
    for (double v : values) {
        if (!out.empty()) out += ", ";
        out += num(v);
    }
    return out;
}

std::string name(GLenum e) {
    switch (e) {
        case GL_TEXTURE_2D:
            return "GL_TEXTURE_2D";
        case GL_DEPTH_TEST:
            return "GL_DEPTH_TEST";
        case GL_BLEND:
            return "GL_BLEND";
        case GL_LINE_SMOOTH:
            return "GL_LINE_SMOOTH";
        case GL_POINT_SMOOTH:
            return "GL_POINT_SMOOTH";
        case GL_PROJECTION:
            return "GL_PROJECTION";
        case GL_MODELVIEW:
            return "GL_MODELVIEW";
        case GL_LEQUAL:
            return "GL_LEQUAL";
        case GL_SMOOTH:
            return "GL_SMOOTH";
        case GL_PERSPECTIVE_CORRECTION_HINT:
            return "GL_PERSPECTIVE_CORRECTION_HINT";
        case GL_NICEST:
            return "GL_NICEST";
        case GL_SRC_ALPHA:
            return "GL_SRC_ALPHA";
        case GL_ONE_MINUS_SRC_ALPHA:
            return "GL_ONE_MINUS_SRC_ALPHA";
        case GL_UNPACK_ALIGNMENT:
            return "GL_UNPACK_ALIGNMENT";
        case GL_RGB:
            return "GL_RGB";
        case GL_RGBA:
            return "GL_RGBA";
        case GL_UNSIGNED_BYTE:
            return "GL_UNSIGNED_BYTE";
        case GL_TEXTURE_MIN_FILTER:
            return "GL_TEXTURE_MIN_FILTER";
        case GL_TEXTURE_MAG_FILTER:
            return "GL_TEXTURE_MAG_FILTER";
        case GL_LINEAR:
            return "GL_LINEAR";
        case GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT:
            return "GL_COLOR_BUFFER_BIT|GL_DEPTH_BUFFER_BIT";
        default:
            return num(e);
    }
}

std::string primitive(GLenum mode) {
    switch (mode) {
        case GL_POINTS:
            return "GL_POINTS";
        case GL_LINES:
            return "GL_LINES";
        case GL_TRIANGLES:
            return "GL_TRIANGLES";
        default:
            return num(mode);
    }
}

}  // namespace

extern "C" {

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    fake::record("glViewport", nums({double(x), double(y), double(width), double(height)}));
}
void glMatrixMode(GLenum mode) {
    fake::record("glMatrixMode", name(mode));
}
void glLoadIdentity() {
    fake::record("glLoadIdentity");
}
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearVal,
             GLdouble farVal) {
    fake::record("glOrtho", nums({left, right, bottom, top, nearVal, farVal}));
}
void glEnable(GLenum cap) {
    fake::record("glEnable", name(cap));
}
void glDisable(GLenum cap) {
    fake::record("glDisable", name(cap));
}
void glDepthFunc(GLenum func) {
    fake::record("glDepthFunc", name(func));
}
void glShadeModel(GLenum mode) {
    fake::record("glShadeModel", name(mode));
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    fake::record("glClearColor", nums({r, g, b, a}));
}
void glClearDepth(GLclampd depth) {
    fake::record("glClearDepth", num(depth));
}
void glHint(GLenum target, GLenum mode) {
    fake::record("glHint", name(target) + ", " + name(mode));
}
void glBlendFunc(GLenum s, GLenum d) {
    fake::record("glBlendFunc", name(s) + ", " + name(d));
}
void glPixelStorei(GLenum pname, GLint param) {
    fake::record("glPixelStorei", name(pname) + ", " + num(param));
}
void glPointSize(GLfloat size) {
    fake::record("glPointSize", num(size));
}
void glLineWidth(GLfloat width) {
    fake::record("glLineWidth", num(width));
}
GLuint glGenLists(GLsizei range) {
    fake::record("glGenLists", num(range));
    return fake::kFirstList;
}
void glDeleteLists(GLuint list, GLsizei range) {
    fake::record("glDeleteLists", nums({double(list), double(range)}));
}
void glClear(GLbitfield mask) {
    fake::record("glClear", name(mask));
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    fake::record("glColor3f", nums({r, g, b}));
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    fake::record("glColor4f", nums({r, g, b, a}));
}
void glBindTexture(GLenum target, GLuint texture) {
    fake::record("glBindTexture", name(target) + ", " + num(texture));
}
void glBegin(GLenum mode) {
    fake::record("glBegin", primitive(mode));
}
void glEnd() {
    fake::record("glEnd");
}
void glTexCoord2f(GLfloat s, GLfloat t) {
    fake::record("glTexCoord2f", nums({s, t}));
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    fake::record("glVertex3f", nums({x, y, z}));
}
void glVertex3i(GLint x, GLint y, GLint z) {
    fake::record("glVertex3i", nums({double(x), double(y), double(z)}));
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    fake::record("glScalef", nums({x, y, z}));
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    fake::record("glTranslatef", nums({x, y, z}));
}
void glGenTextures(GLsizei n, GLuint* textures) {
    fake::record("glGenTextures", num(n));
    for (GLsizei i = 0; i < n; ++i) textures[i] = fake::state().nextTexture++;
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    fake::record("glTexImage2D", name(target) + ", " + num(level) + ", " +
                                     name(static_cast<GLenum>(internalFormat)) + ", " +
                                     nums({double(width), double(height), double(border)}) + ", " +
                                     name(format) + ", " + name(type) + ", " +
                                     (pixels != nullptr ? "pixels" : "null"));
}
void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    fake::record("glTexParameteri",
                 name(target) + ", " + name(pname) + ", " + name(static_cast<GLenum>(param)));
}

}  // extern "C"
