// Immediate-mode drawing and text over OpenGL's fixed-function pipeline, with
// the window's context current: the GL backend of immediate.h and drawText.
//
// GL state left behind besides the line width: the matrix stack and the
// current attributes as found; lighting off after the first shape. Lighting
// and the line width are only changed when they differ from what this module
// last set (a change between segments stops Mesa from merging them and costs
// several times the drawing itself); the module forgets what it set at every
// frame start (forgetGlState, called by the window's beginFrame). Blending is
// never enabled, so the colours' alpha has no effect.
#include <GL/freeglut.h>

#include "graphics/immediate.h"

namespace agv {

namespace {

bool lightingKnownOff = false;
float lineWidthInForce = -1.0f;  // [pixels]; negative: unknown

GLenum glModeOf(ShapeMode mode) {
    switch (mode) {
        case ShapeMode::Lines:
            return GL_LINES;
        case ShapeMode::LineStrip:
            return GL_LINE_STRIP;
        case ShapeMode::LineLoop:
            return GL_LINE_LOOP;
        case ShapeMode::Polygon:
            break;
    }
    return GL_POLYGON;
}

void* glutFontOf(Font font) {
    switch (font) {
        case Font::Helvetica18:
            break;
    }
    return GLUT_BITMAP_HELVETICA_18;
}

}  // namespace

// Declared by window.cpp, whose beginFrame calls it.
void forgetGlState() {
    lightingKnownOff = false;
    lineWidthInForce = -1.0f;
}

void setShapeColour(const Rgba& colour) {
    if (!lightingKnownOff) {
        glDisable(GL_LIGHTING);
        lightingKnownOff = true;
    }
    glColor4f(colour.r, colour.g, colour.b, colour.a);
}

void setLineWidth(float pixels) {
    if (pixels != lineWidthInForce) {
        glLineWidth(pixels);
        lineWidthInForce = pixels;
    }
}

void pushFrame(const Point2& origin, double rotation) {
    glPushMatrix();
    glTranslated(origin.x, origin.y, 0.0);
    glRotated(rotation / kDrawRadPerDeg, 0.0, 0.0, 1.0);
}

void popFrame() {
    glPopMatrix();
}

void beginShape(ShapeMode mode) {
    glBegin(glModeOf(mode));
}

void shapeVertex(double x, double y) {
    glVertex2d(x, y);
}

void endShape() {
    glEnd();
}

void fillRound(const Point2& centre, double radius) {
    const UnitCircle& unit = unitCircle();
    pushFrame(centre, 0.0);
    beginShape(ShapeMode::Polygon);
    for (int k = 0; k < kCircleSegments; ++k) shapeVertex(radius * unit.cos[k], radius * unit.sin[k]);
    endShape();
    popFrame();
}

void drawText(float x, float y, Font font, const char* s) {
    void* const glutFont = glutFontOf(font);
    glPushAttrib(GL_CURRENT_BIT);
    glColor3f(kTextGrey, kTextGrey, kTextGrey);
    glRasterPos2f(x, y);
    for (const char* p = s; *p != '\0'; ++p) {
        glutBitmapCharacter(glutFont, static_cast<unsigned char>(*p));
    }
    glPopAttrib();
}

}  // namespace agv
