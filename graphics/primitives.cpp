// The drawing primitives, shared by every backend: each shape is made of the
// immediate-mode drawing of immediate.h (vertices in a local frame at the
// shape's place and turn), which the backend draws. drawText is the
// backend's own.
#include "graphics/primitives.h"

#include <cmath>

#include "graphics/immediate.h"

namespace agv {

// The unit circle's vertices, computed once: a page frame with 3000 sampling
// dots would otherwise spend most of its time in sin and cos. The same values
// as computed at each vertex, so the shapes are unchanged to the bit.
const UnitCircle& unitCircle() {
    static const UnitCircle circle = [] {
        UnitCircle c{};
        const double step = 2.0 * kDrawPi / kCircleSegments;
        for (int k = 0; k < kCircleSegments; ++k) {
            c.cos[k] = std::cos(k * step);
            c.sin[k] = std::sin(k * step);
        }
        return c;
    }();
    return circle;
}

namespace {

// Unit hook: window units to window units (every primitive converts through
// this one place).
double toWindowUnits(double v) {
    return v * kPixelsPerUnit / kPixelsPerUnit;
}

// A local frame at p turned by rotation [rad].
void placeFrame(const Point2& p, double rotation) {
    pushFrame({toWindowUnits(p.x), toWindowUnits(p.y)}, rotation);
}

void vertexAtAngle(double r, double angle) {
    shapeVertex(r * std::cos(angle), r * std::sin(angle));
}

// Full 120-gon about c: filled (the backend's own entry) or as a loop of
// segment pairs.
void emitRound(ShapeMode mode, const Point2& c, double radius, const Rgba& colour) {
    const double r = toWindowUnits(radius);
    setShapeColour(colour);
    if (mode == ShapeMode::Polygon) {
        fillRound({toWindowUnits(c.x), toWindowUnits(c.y)}, r);
        return;
    }
    const UnitCircle& unit = unitCircle();
    placeFrame(c, 0.0);
    beginShape(mode);
    double prevX = r;
    double prevY = 0.0;
    for (int k = 1; k < kCircleSegments; ++k) {
        const double curX = r * unit.cos[k];
        const double curY = r * unit.sin[k];
        shapeVertex(prevX, prevY);
        shapeVertex(curX, curY);
        prevX = curX;
        prevY = curY;
    }
    endShape();
    popFrame();
}

// Half of a 120-gon clockwise from startAngle, filled or as an open arc.
void emitHalfRound(ShapeMode mode, const Point2& c, double radius, double startAngle,
                   const Rgba& colour) {
    const double r = toWindowUnits(radius);
    const double a0 = startAngle;  // [rad]
    const double step = kDrawPi / kCircleSegments;
    setShapeColour(colour);
    placeFrame(c, 0.0);
    beginShape(mode);
    if (mode == ShapeMode::Polygon) {
        for (int k = 0; k < kCircleSegments; ++k) vertexAtAngle(r, a0 - k * step);
    } else {
        for (int k = 1; k < kCircleSegments; ++k) {
            vertexAtAngle(r, a0 - (k - 1) * step);
            vertexAtAngle(r, a0 - k * step);
        }
    }
    endShape();
    popFrame();
}

void emitCapsule(ShapeMode mode, const Point2& c, double length, double width, double rotation,
                 const Rgba& colour) {
    const double halfLen = toWindowUnits(length) / 2.0;
    const double h = toWindowUnits(width) / 2.0;
    const double step = kDrawPi / kCircleSegments;
    const double halfTurn = kDrawPi / 2.0;
    setShapeColour(colour);
    placeFrame(c, rotation);
    beginShape(mode);
    shapeVertex(-halfLen, h);
    for (int k = 1; k < kCircleSegments; ++k) {  // left end, top to bottom
        const double a = halfTurn + k * step;
        shapeVertex(-halfLen + h * std::cos(a), h * std::sin(a));
    }
    shapeVertex(-halfLen, -h);
    shapeVertex(halfLen, -h);
    for (int k = 1; k < kCircleSegments; ++k) {  // right end, bottom to top
        const double a = -halfTurn + k * step;
        shapeVertex(halfLen + h * std::cos(a), h * std::sin(a));
    }
    shapeVertex(halfLen, h);
    endShape();
    popFrame();
}

void emitRect(ShapeMode mode, const Point2& corner, double a, double b, double rotation,
              const Rgba& colour) {
    const double sa = toWindowUnits(a);
    const double sb = toWindowUnits(b);
    setShapeColour(colour);
    placeFrame(corner, rotation);
    beginShape(mode);
    shapeVertex(0.0, 0.0);
    shapeVertex(sa, 0.0);
    shapeVertex(sa, sb);
    shapeVertex(0.0, sb);
    endShape();
    popFrame();
}

}  // namespace

void drawSegment(const Point2& from, const Point2& to, double width, const Rgba& colour) {
    setShapeColour(colour);
    setLineWidth(static_cast<float>(toWindowUnits(width) * kPixelsPerUnit));
    beginShape(ShapeMode::Lines);
    shapeVertex(toWindowUnits(from.x), toWindowUnits(from.y));
    shapeVertex(toWindowUnits(to.x), toWindowUnits(to.y));
    endShape();
    setLineWidth(kSegmentRestWidth);
}

void drawDisc(const Point2& centre, double radius, const Rgba& colour) {
    emitRound(ShapeMode::Polygon, centre, radius, colour);
}

void drawCircle(const Point2& centre, double radius, const Rgba& colour) {
    emitRound(ShapeMode::LineLoop, centre, radius, colour);
}

void drawHalfDisc(const Point2& centre, double radius, double startAngle, const Rgba& colour) {
    emitHalfRound(ShapeMode::Polygon, centre, radius, startAngle, colour);
}

void drawHalfCircle(const Point2& centre, double radius, double startAngle, const Rgba& colour) {
    emitHalfRound(ShapeMode::LineStrip, centre, radius, startAngle, colour);
}

void drawCapsule(const Point2& centre, double length, double width, double rotation,
                 const Rgba& colour) {
    emitCapsule(ShapeMode::Polygon, centre, length, width, rotation, colour);
}

void drawCapsuleOutline(const Point2& centre, double length, double width, double rotation,
                        const Rgba& colour) {
    emitCapsule(ShapeMode::LineLoop, centre, length, width, rotation, colour);
}

void drawRect(const Point2& corner, double a, double b, double rotation, const Rgba& colour) {
    emitRect(ShapeMode::Polygon, corner, a, b, rotation, colour);
}

void drawRectOutline(const Point2& corner, double a, double b, double rotation,
                     const Rgba& colour) {
    emitRect(ShapeMode::LineLoop, corner, a, b, rotation, colour);
}

void drawBodyShape(const Point2& ref, double length, double width, double back, double nose,
                   double rotation, const Rgba& colour) {
    const double len = toWindowUnits(length);
    const double halfWid = toWindowUnits(width) / 2.0;
    const double rear = toWindowUnits(back);
    const double front = len - rear;
    setShapeColour(colour);
    placeFrame(ref, rotation);
    beginShape(ShapeMode::Polygon);
    shapeVertex(-rear, -halfWid);
    shapeVertex(front, -halfWid);
    shapeVertex(front + std::tan(nose) * halfWid, 0.0);
    shapeVertex(front, halfWid);
    shapeVertex(-rear, halfWid);
    endShape();
    popFrame();
}

void drawGrid(const Point2& centre, double rotation, int n, double gx, double gy) {
    const double sx = toWindowUnits(gx);
    const double sy = toWindowUnits(gy);
    setShapeColour(kBlack);
    setLineWidth(kGridAxisWidth);
    placeFrame(centre, rotation);
    for (int i = -n; i <= n; ++i) {
        setLineWidth(i == 0 ? kGridAxisWidth : kGridLineWidth);
        beginShape(ShapeMode::Lines);
        shapeVertex(i * sx, -n * sy);
        shapeVertex(i * sx, n * sy);
        endShape();
    }
    for (int i = -n; i <= n; ++i) {
        setLineWidth(i == 0 ? kGridAxisWidth : kGridLineWidth);
        beginShape(ShapeMode::Lines);
        shapeVertex(-n * sx, i * sy);
        shapeVertex(n * sx, i * sy);
        endShape();
    }
    popFrame();
}

}  // namespace agv
