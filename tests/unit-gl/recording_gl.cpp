#include "recording_gl.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

std::vector<GlCall> glCalls;

std::vector<std::string> glCallTexts()
{
    std::vector<std::string> texts;
    for (const GlCall &call : glCalls) {
        texts.push_back(call.text);
    }
    return texts;
}

std::string formatDouble(double value)
{
    char buffer[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
        if (std::strtod(buffer, nullptr) == value) {
            break;
        }
    }
    return buffer;
}

std::string formatFloat(float value)
{
    char buffer[40];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value) {
            break;
        }
    }
    return buffer;
}

// Names of the enums the viewer passes; none of them share a value except
// GL_LIGHT0 and GL_COLOR_BUFFER_BIT, and glClear prints its mask in hex.
static std::string enumName(GLenum value)
{
    switch (value) {
#define NAME(e) \
    case e:     \
        return #e;
        NAME(GL_LIGHTING) NAME(GL_LIGHT0) NAME(GL_LIGHT1) NAME(GL_DEPTH_TEST)
        NAME(GL_POLYGON_OFFSET_FILL) NAME(GL_NORMALIZE) NAME(GL_CLIP_PLANE0)
        NAME(GL_PROJECTION) NAME(GL_MODELVIEW) NAME(GL_POSITION) NAME(GL_DIFFUSE)
        NAME(GL_SPECULAR) NAME(GL_LIGHT_MODEL_AMBIENT) NAME(GL_LIGHT_MODEL_TWO_SIDE)
        NAME(GL_LESS) NAME(GL_FRONT) NAME(GL_BACK) NAME(GL_AMBIENT_AND_DIFFUSE)
        NAME(GL_SHININESS) NAME(GL_SMOOTH) NAME(GL_FLAT)
#undef NAME
    default: {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%04x", value);
        return buffer;
    }
    }
}

static std::string primitiveName(GLenum mode)
{
    switch (mode) {
    case GL_LINES:
        return "GL_LINES";
    case GL_LINE_STRIP:
        return "GL_LINE_STRIP";
    case GL_TRIANGLE_STRIP:
        return "GL_TRIANGLE_STRIP";
    default:
        return enumName(mode);
    }
}

// Appends one call; parts are joined with ", " inside the parentheses.
static void log(const char *name, std::initializer_list<std::string> parts,
                std::vector<double> args = {}, const void *data = nullptr)
{
    std::string text = std::string(name) + "(";
    const char *separator = "";
    for (const std::string &part : parts) {
        text += separator + part;
        separator = ", ";
    }
    glCalls.push_back({text + ")", args, data});
}

template <typename T, typename Format>
static std::string vectorText(const T *values, int n, Format format)
{
    std::string text = "{";
    for (int i = 0; i < n; ++i) {
        text += (i ? ", " : "") + format(values[i]);
    }
    return text + "}";
}

static std::string floats(const GLfloat *v, int n) { return vectorText(v, n, formatFloat); }
static std::string doubles(const GLdouble *v, int n) { return vectorText(v, n, formatDouble); }
static std::string d(double v) { return formatDouble(v); }
static std::string f(float v) { return formatFloat(v); }

extern "C" {

void glEnable(GLenum cap) { log("glEnable", {enumName(cap)}); }
void glDisable(GLenum cap) { log("glDisable", {enumName(cap)}); }
void glDepthFunc(GLenum func) { log("glDepthFunc", {enumName(func)}); }
void glShadeModel(GLenum mode) { log("glShadeModel", {enumName(mode)}); }
void glMatrixMode(GLenum mode) { log("glMatrixMode", {enumName(mode)}); }
void glLoadIdentity() { log("glLoadIdentity", {}); }
void glPushMatrix() { log("glPushMatrix", {}); }
void glPopMatrix() { log("glPopMatrix", {}); }
void glEnd() { log("glEnd", {}); }
void glBegin(GLenum mode) { log("glBegin", {primitiveName(mode)}); }

void glClear(GLbitfield mask)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04x", mask);
    log("glClear", {buffer});
}

void glLightModelfv(GLenum pname, const GLfloat *params)
{
    log("glLightModelfv", {enumName(pname), floats(params, 4)}, {}, params);
}

void glLightModeli(GLenum pname, GLint param)
{
    log("glLightModeli", {enumName(pname), std::to_string(param)});
}

void glLightfv(GLenum light, GLenum pname, const GLfloat *params)
{
    log("glLightfv", {enumName(light), enumName(pname), floats(params, 4)}, {}, params);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    log("glMaterialfv", {enumName(face), enumName(pname), floats(params, 4)}, {}, params);
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    log("glMaterialf", {enumName(face), enumName(pname), f(param)}, {param});
}

void glPolygonOffset(GLfloat factor, GLfloat units)
{
    log("glPolygonOffset", {f(factor), f(units)}, {factor, units});
}

void glClipPlane(GLenum plane, const GLdouble *equation)
{
    log("glClipPlane", {enumName(plane), doubles(equation, 4)}, {}, equation);
}

void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z)
{
    log("glRotated", {d(angle), d(x), d(y), d(z)}, {angle, x, y, z});
}

void glScaled(GLdouble x, GLdouble y, GLdouble z)
{
    log("glScaled", {d(x), d(y), d(z)}, {x, y, z});
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { log("glColor3f", {f(r), f(g), f(b)}); }
void glColor4fv(const GLfloat *v) { log("glColor4fv", {floats(v, 4)}, {}, v); }
void glNormal3dv(const GLdouble *v) { log("glNormal3dv", {doubles(v, 3)}, {}, v); }
void glVertex3dv(const GLdouble *v) { log("glVertex3dv", {doubles(v, 3)}, {}, v); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { log("glVertex3d", {d(x), d(y), d(z)}); }

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    log("glViewport", {std::to_string(x), std::to_string(y), std::to_string(width),
                       std::to_string(height)});
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    log("gluPerspective", {d(fovy), d(aspect), d(zNear), d(zFar)}, {fovy, aspect, zNear, zFar});
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    log("gluLookAt",
        {d(eyeX), d(eyeY), d(eyeZ), d(centerX), d(centerY), d(centerZ), d(upX), d(upY), d(upZ)},
        {eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ});
}

void glutPostRedisplay() { log("glutPostRedisplay", {}); }
void glutSwapBuffers() { log("glutSwapBuffers", {}); }

}  // extern "C"
