// The drawing primitives in window units. primitives.cpp makes every shape
// of the immediate-mode drawing that each backend implements (immediate.h:
// over OpenGL for the window, over a canvas for the page), and each backend
// draws text itself; a stand-in records the calls for the tests.
//
// Every picture of the window is built from these: segments with a width,
// discs, circles, half discs and half circles, capsules (wheels),
// rectangles, the vehicle body shape, the square grid and bitmap text.
// Coordinates, lengths and radii are window units (the window spans -1..+1
// on both axes, kPixelsPerUnit pixels per unit); rotations are radians,
// counter-clockwise. Callers map metres to window units themselves.
//
// State left behind, which callers rely on: after drawSegment the line width
// is 2 pixels, after drawGrid 1 pixel (2 when its half-count is 0); outline
// primitives draw with the line width in force. Shapes are drawn in exactly
// the colour given and opaque: the alpha of every colour is 0 and is
// ignored (a backend that could blend must not). Text is drawn in its own
// near-black colour, kTextGrey, in the picture's one font.
// Called from the display routine only, between beginFrame and endFrame
// (window.h).
#pragma once

namespace agv {

struct Point2 {
    double x;  // [window units]
    double y;  // [window units]
};

struct Rgba {
    float r, g, b, a;
};

// The picture's colours; alpha 0 in all of them, drawn opaque.
constexpr Rgba kRed = {1.0f, 0.0f, 0.0f, 0.0f};    // reference path
constexpr Rgba kGreen = {0.0f, 1.0f, 0.0f, 0.0f};  // the sampled-data run
constexpr Rgba kBlue = {0.0f, 0.0f, 1.0f, 0.0f};   // the continuous run
constexpr Rgba kWhite = {1.0f, 1.0f, 1.0f, 0.0f};  // vehicle parts, the phase-plane panel
constexpr Rgba kBlack = {0.0f, 0.0f, 0.0f, 0.0f};  // grid, markers, outlines, axes

// The picture's one font: Helvetica, 18 pixels (a bitmap font in GL).
enum class Font { Helvetica18 };

constexpr double kPixelsPerUnit = 400.0;  // [pixels per window unit] half the 800-pixel side
constexpr int kCircleSegments = 120;      // vertices of the circle-type primitives
constexpr double kDrawPi = 3.1415926536;  // [rad] pi of the shape primitives
constexpr double kDrawRadPerDeg = 0.01745329252;  // [rad/deg] turns given in degrees
constexpr float kSegmentRestWidth = 2.0f;         // [pixels] width drawSegment leaves in force
constexpr float kGridAxisWidth = 2.0f;            // [pixels] grid lines through the centre
constexpr float kGridLineWidth = 1.0f;            // [pixels] other grid lines
// Text colour: near-black, the ambient-lit colour of GL's default material.
constexpr float kTextGrey = 0.04f;

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
// Text with its baseline's left end at (x, y), in the text colour; a line
// feed draws nothing.
void drawText(float x, float y, Font font, const char* s);

}  // namespace agv
