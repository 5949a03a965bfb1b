// Immediate-mode OpenGL drawing primitives in window units.
//
// Every picture of the window is built from these: segments with a width,
// discs, circles, half discs and half circles, capsules (wheels),
// rectangles, the vehicle body shape, the square grid and bitmap text.
// Coordinates, lengths and radii are window units (the window spans -1..+1
// on both axes, kPixelsPerUnit pixels per unit); rotations are radians,
// counter-clockwise. Callers map metres to window units themselves.
//
// GL state left behind, which callers rely on: after drawSegment the line
// width is 2 pixels, after drawGrid 1 pixel (2 when its half-count is 0);
// the matrix stack and the current attributes are left as found. Outline
// primitives draw with the line width in force. Shapes are drawn unlit, in
// exactly the colour given; text carries its own near-black colour, so it
// looks the same whatever the lighting state. Lighting and the line width
// are only changed when they differ from what this module last set (a
// change between segments costs more than the segments), and the module
// forgets what it set at every frame start (forgetGlState).
// Called from the display routine only, with the window's context current.
#pragma once

namespace agv {

struct Point2 {
    double x;  // [window units]
    double y;  // [window units]
};

struct Rgba {
    float r, g, b, a;
};

extern const Rgba kRed;    // reference path
extern const Rgba kGreen;  // the sampled-data run
extern const Rgba kBlue;   // the continuous run
extern const Rgba kWhite;  // vehicle parts, the phase-plane panel
extern const Rgba kBlack;  // grid, markers, outlines, axes

constexpr double kPixelsPerUnit = 400.0;  // [pixels per window unit] half the 800-pixel side
constexpr int kCircleSegments = 120;      // vertices of the circle-type primitives
constexpr double kDrawPi = 3.1415926536;  // [rad] pi of the shape primitives
constexpr double kDrawRadPerDeg = 0.01745329252;  // [rad/deg] for glRotated
constexpr float kSegmentRestWidth = 2.0f;         // [pixels] width drawSegment leaves in force
constexpr float kGridAxisWidth = 2.0f;            // [pixels] grid lines through the centre
constexpr float kGridLineWidth = 1.0f;            // [pixels] other grid lines
// Text colour: near-black, the ambient-lit colour of the default material.
constexpr float kTextGrey = 0.04f;

// Unit hook: window units to window units (kept so every primitive converts
// through one place).
inline double toWindowUnits(double v) {
    return v * kPixelsPerUnit / kPixelsPerUnit;
}

// Forget the GL state this module set; called by beginFrame, so that the
// next change is always issued in a new frame or context.
void forgetGlState();

void drawSegment(const Point2& from, const Point2& to, double width, const Rgba& colour);
void drawDisc(const Point2& centre, double radius, const Rgba& colour);
void drawCircle(const Point2& centre, double radius, const Rgba& colour);
// Half disc from startAngle clockwise through (almost) half a turn; the
// closing edge is the chord.
void drawHalfDisc(const Point2& centre, double radius, double startAngle, const Rgba& colour);
void drawHalfCircle(const Point2& centre, double radius, double startAngle, const Rgba& colour);
// Capsule of straight length `length` between two semicircular ends of
// diameter `width` (overall length + width), centred, rotated about centre.
void drawCapsule(const Point2& centre, double length, double width, double rotation,
                 const Rgba& colour);
void drawCapsuleOutline(const Point2& centre, double length, double width, double rotation,
                        const Rgba& colour);
// Rectangle with sides a (local x) and b (local y), turned about its corner.
void drawRect(const Point2& corner, double a, double b, double rotation, const Rgba& colour);
void drawRectOutline(const Point2& corner, double a, double b, double rotation, const Rgba& colour);
// Pentagon: a rectangle length x width starting `back` behind the reference
// point, with a nose whose apex lies tan(nose) * width / 2 ahead of its front.
void drawBodyShape(const Point2& ref, double length, double width, double back, double nose,
                   double rotation, const Rgba& colour);
// Black grid of 2n+1 vertical and 2n+1 horizontal lines spaced gx, gy.
void drawGrid(const Point2& centre, double rotation, int n, double gx, double gy);
// Bitmap text at (x, y) in the text colour; a line feed draws nothing.
void drawText(float x, float y, void* font, const char* s);

}  // namespace agv
