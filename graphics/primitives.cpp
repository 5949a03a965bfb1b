// The drawing primitives over OpenGL's fixed-function immediate mode, with
// the window's context current. GL state left behind besides the line width:
// the matrix stack and the current attributes as found; lighting off after
// the first shape. Lighting and the line width are only changed when they
// differ from what this module last set (a change between segments costs
// more than the segments); the module forgets what it set at every frame
// start (forgetGlState, called by the window's beginFrame). Blending is
// never enabled, so the colours' alpha has no effect.
#include "graphics/primitives.h"

#include <GL/freeglut.h>

#include <cmath>

namespace agv {

namespace {

// Unit hook: window units to window units (every primitive converts through
// this one place).
double toWindowUnits(double v) {
    return v * kPixelsPerUnit / kPixelsPerUnit;
}

void* glutFontOf(Font font) {
    switch (font) {
        case Font::Helvetica18:
            break;
    }
    return GLUT_BITMAP_HELVETICA_18;
}

// What this module last set in the GL context, so that a state change is
// only issued when it changes something: switching lighting or the line
// width between consecutive segments stops Mesa from merging them and costs
// several times the drawing itself. Forgotten at every frame start.
bool lightingKnownOff = false;
float lineWidthInForce = -1.0f;  // [pixels]; negative: unknown

void setLineWidth(float pixels) {
    if (pixels != lineWidthInForce) {
        glLineWidth(pixels);
        lineWidthInForce = pixels;
    }
}

// Shapes are drawn unlit in exactly their colour.
void beginShape(const Rgba& colour) {
    if (!lightingKnownOff) {
        glDisable(GL_LIGHTING);
        lightingKnownOff = true;
    }
    glColor4f(colour.r, colour.g, colour.b, colour.a);
}

// Moves the local frame to p and turns it by rotation [rad].
void placeFrame(const Point2& p, double rotation) {
    glTranslated(toWindowUnits(p.x), toWindowUnits(p.y), 0.0);
    glRotated(rotation / kDrawRadPerDeg, 0.0, 0.0, 1.0);
}

void vertexAtAngle(double r, double angle) {
    glVertex2d(r * std::cos(angle), r * std::sin(angle));
}

// Full 120-gon at the origin of the current frame: filled or as a loop of
// segment pairs.
void emitRound(GLenum mode, const Point2& c, double radius, const Rgba& colour) {
    const double r = toWindowUnits(radius);
    const double step = 2.0 * kDrawPi / kCircleSegments;
    beginShape(colour);
    glPushMatrix();
    placeFrame(c, 0.0);
    glBegin(mode);
    if (mode == GL_POLYGON) {
        for (int k = 0; k < kCircleSegments; ++k) vertexAtAngle(r, k * step);
    } else {
        double prevX = r;
        double prevY = 0.0;
        for (int k = 1; k < kCircleSegments; ++k) {
            const double curX = r * std::cos(k * step);
            const double curY = r * std::sin(k * step);
            glVertex2d(prevX, prevY);
            glVertex2d(curX, curY);
            prevX = curX;
            prevY = curY;
        }
    }
    glEnd();
    glPopMatrix();
}

// Half of a 120-gon clockwise from startAngle, filled or as an open arc.
void emitHalfRound(GLenum mode, const Point2& c, double radius, double startAngle,
                   const Rgba& colour) {
    const double r = toWindowUnits(radius);
    const double a0 = startAngle;  // [rad]
    const double step = kDrawPi / kCircleSegments;
    beginShape(colour);
    glPushMatrix();
    placeFrame(c, 0.0);
    glBegin(mode);
    if (mode == GL_POLYGON) {
        for (int k = 0; k < kCircleSegments; ++k) vertexAtAngle(r, a0 - k * step);
    } else {
        for (int k = 1; k < kCircleSegments; ++k) {
            vertexAtAngle(r, a0 - (k - 1) * step);
            vertexAtAngle(r, a0 - k * step);
        }
    }
    glEnd();
    glPopMatrix();
}

void emitCapsule(GLenum mode, const Point2& c, double length, double width, double rotation,
                 const Rgba& colour) {
    const double halfLen = toWindowUnits(length) / 2.0;
    const double h = toWindowUnits(width) / 2.0;
    const double step = kDrawPi / kCircleSegments;
    const double halfTurn = kDrawPi / 2.0;
    beginShape(colour);
    glPushMatrix();
    placeFrame(c, rotation);
    glBegin(mode);
    glVertex2d(-halfLen, h);
    for (int k = 1; k < kCircleSegments; ++k) {  // left end, top to bottom
        const double a = halfTurn + k * step;
        glVertex2d(-halfLen + h * std::cos(a), h * std::sin(a));
    }
    glVertex2d(-halfLen, -h);
    glVertex2d(halfLen, -h);
    for (int k = 1; k < kCircleSegments; ++k) {  // right end, bottom to top
        const double a = -halfTurn + k * step;
        glVertex2d(halfLen + h * std::cos(a), h * std::sin(a));
    }
    glVertex2d(halfLen, h);
    glEnd();
    glPopMatrix();
}

void emitRect(GLenum mode, const Point2& corner, double a, double b, double rotation,
              const Rgba& colour) {
    const double sa = toWindowUnits(a);
    const double sb = toWindowUnits(b);
    beginShape(colour);
    glPushMatrix();
    placeFrame(corner, rotation);
    glBegin(mode);
    glVertex2d(0.0, 0.0);
    glVertex2d(sa, 0.0);
    glVertex2d(sa, sb);
    glVertex2d(0.0, sb);
    glEnd();
    glPopMatrix();
}

}  // namespace

// The GL backend's own: declared by window.cpp, whose beginFrame calls it.
void forgetGlState() {
    lightingKnownOff = false;
    lineWidthInForce = -1.0f;
}

void drawSegment(const Point2& from, const Point2& to, double width, const Rgba& colour) {
    beginShape(colour);
    setLineWidth(static_cast<float>(toWindowUnits(width) * kPixelsPerUnit));
    glBegin(GL_LINES);
    glVertex2d(toWindowUnits(from.x), toWindowUnits(from.y));
    glVertex2d(toWindowUnits(to.x), toWindowUnits(to.y));
    glEnd();
    setLineWidth(kSegmentRestWidth);
}

void drawDisc(const Point2& centre, double radius, const Rgba& colour) {
    emitRound(GL_POLYGON, centre, radius, colour);
}

void drawCircle(const Point2& centre, double radius, const Rgba& colour) {
    emitRound(GL_LINE_LOOP, centre, radius, colour);
}

void drawHalfDisc(const Point2& centre, double radius, double startAngle, const Rgba& colour) {
    emitHalfRound(GL_POLYGON, centre, radius, startAngle, colour);
}

void drawHalfCircle(const Point2& centre, double radius, double startAngle, const Rgba& colour) {
    emitHalfRound(GL_LINE_STRIP, centre, radius, startAngle, colour);
}

void drawCapsule(const Point2& centre, double length, double width, double rotation,
                 const Rgba& colour) {
    emitCapsule(GL_POLYGON, centre, length, width, rotation, colour);
}

void drawCapsuleOutline(const Point2& centre, double length, double width, double rotation,
                        const Rgba& colour) {
    emitCapsule(GL_LINE_LOOP, centre, length, width, rotation, colour);
}

void drawRect(const Point2& corner, double a, double b, double rotation, const Rgba& colour) {
    emitRect(GL_POLYGON, corner, a, b, rotation, colour);
}

void drawRectOutline(const Point2& corner, double a, double b, double rotation,
                     const Rgba& colour) {
    emitRect(GL_LINE_LOOP, corner, a, b, rotation, colour);
}

void drawBodyShape(const Point2& ref, double length, double width, double back, double nose,
                   double rotation, const Rgba& colour) {
    const double len = toWindowUnits(length);
    const double halfWid = toWindowUnits(width) / 2.0;
    const double rear = toWindowUnits(back);
    const double front = len - rear;
    beginShape(colour);
    glPushMatrix();
    placeFrame(ref, rotation);
    glBegin(GL_POLYGON);
    glVertex2d(-rear, -halfWid);
    glVertex2d(front, -halfWid);
    glVertex2d(front + std::tan(nose) * halfWid, 0.0);
    glVertex2d(front, halfWid);
    glVertex2d(-rear, halfWid);
    glEnd();
    glPopMatrix();
}

void drawGrid(const Point2& centre, double rotation, int n, double gx, double gy) {
    const double sx = toWindowUnits(gx);
    const double sy = toWindowUnits(gy);
    beginShape(kBlack);
    glPushMatrix();
    setLineWidth(kGridAxisWidth);
    placeFrame(centre, rotation);
    for (int i = -n; i <= n; ++i) {
        setLineWidth(i == 0 ? kGridAxisWidth : kGridLineWidth);
        glBegin(GL_LINES);
        glVertex2d(i * sx, -n * sy);
        glVertex2d(i * sx, n * sy);
        glEnd();
    }
    for (int i = -n; i <= n; ++i) {
        setLineWidth(i == 0 ? kGridAxisWidth : kGridLineWidth);
        glBegin(GL_LINES);
        glVertex2d(-n * sx, i * sy);
        glVertex2d(n * sx, i * sy);
        glEnd();
    }
    glPopMatrix();
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
