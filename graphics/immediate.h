// Immediate-mode drawing in window units: what the primitives (primitives.cpp)
// are made of, and what a drawing backend implements.
//
// One colour and one line width are in force until changed; the line width
// [pixels] holds across frames (a backend starts at 1 pixel) and applies to
// lines and outlines, whatever the frames' turns. Shapes are given vertex by
// vertex in the current local frame, a stack of translations each followed
// by a turn. Shapes are unlit and opaque; the filled 120-gon has an entry of
// its own. Backends: immediate_gl.cpp over
// OpenGL for the window, the page's canvas backend (web/). Called by
// primitives.cpp only, between beginFrame and endFrame (window.h).
#pragma once

#include "graphics/primitives.h"

namespace agv {

enum class ShapeMode {
    Lines,      // a line from each vertex pair
    LineStrip,  // a line through the vertices
    LineLoop,   // a closed line through the vertices
    Polygon,    // the filled convex polygon of the vertices
};

void setShapeColour(const Rgba& colour);
// Not between beginShape and endShape.
void setLineWidth(float pixels);
// A new local frame: origin [window units] in the current frame, then turned
// by rotation [rad] counter-clockwise.
void pushFrame(const Point2& origin, double rotation);
void popFrame();
void beginShape(ShapeMode mode);
void shapeVertex(double x, double y);  // [window units] in the local frame
void endShape();

// The unit circle's kCircleSegments vertices, cos(k step) and sin(k step)
// with step = 2 kDrawPi / kCircleSegments, computed once.
struct UnitCircle {
    double cos[kCircleSegments];
    double sin[kCircleSegments];
};
const UnitCircle& unitCircle();

// The filled 120-gon of radius [window units] about centre [window units in
// the current frame]: in a frame pushed at centre (no turn), vertex k at
// radius times unitCircle()'s k-th. Not between beginShape and endShape. A
// backend may draw it as the disc it stands for (the page's canvas does:
// a frame with 3000 sampling dots gives 3000 commands, not 360 000 vertices).
void fillRound(const Point2& centre, double radius);

}  // namespace agv
