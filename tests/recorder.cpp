// Recording stand-in of the drawing primitives and the frame bracket: each
// call the drawing code makes is appended to recordedCalls instead of reaching
// OpenGL, as its name ("Segment", "Disc", ..., "Text:" and the string,
// "begin", "end") and its numeric arguments in order, a point as x, y, and
// the colour's r, g, b, a last where the primitive takes one.
#include <string>
#include <utility>
#include <vector>

#include "graphics/primitives.h"
#include "graphics/window.h"

std::vector<std::pair<std::string, std::vector<double>>> recordedCalls;

namespace agv {

const Rgba kRed = {1, 0, 0, 0}, kGreen = {0, 1, 0, 0}, kBlue = {0, 0, 1, 0};
const Rgba kWhite = {1, 1, 1, 0}, kBlack = {0, 0, 0, 0};

// fn(params) records name with the listed values.
#define RECORD(fn, name, params, ...)                   \
    void fn params {                                    \
        recordedCalls.push_back({name, {__VA_ARGS__}}); \
    }
#define RGBA c.r, c.g, c.b, c.a

using P = const Point2&;
using C = const Rgba&;
// clang-format off
RECORD(drawSegment, "Segment", (P p, P q, double w, C c), p.x, p.y, q.x, q.y, w, RGBA)
RECORD(drawDisc, "Disc", (P p, double r, C c), p.x, p.y, r, RGBA)
RECORD(drawCircle, "Circle", (P p, double r, C c), p.x, p.y, r, RGBA)
RECORD(drawHalfDisc, "HalfDisc", (P p, double r, double a, C c), p.x, p.y, r, a, RGBA)
RECORD(drawHalfCircle, "HalfCircle", (P p, double r, double a, C c), p.x, p.y, r, a, RGBA)
RECORD(drawCapsule, "Capsule", (P p, double l, double w, double a, C c), p.x, p.y, l, w, a, RGBA)
RECORD(drawCapsuleOutline, "CapsuleOutline", (P p, double l, double w, double a, C c),
       p.x, p.y, l, w, a, RGBA)
RECORD(drawRect, "Rect", (P p, double l, double w, double a, C c), p.x, p.y, l, w, a, RGBA)
RECORD(drawRectOutline, "RectOutline", (P p, double l, double w, double a, C c),
       p.x, p.y, l, w, a, RGBA)
RECORD(drawBodyShape, "BodyShape", (P p, double l, double w, double b, double n, double a, C c),
       p.x, p.y, l, w, b, n, a, RGBA)
RECORD(drawGrid, "Grid", (P p, double a, int n, double gx, double gy), p.x, p.y, a, 1.0 * n, gx, gy)
RECORD(drawText, std::string("Text:") + s, (float x, float y, void*, const char* s), x, y)
RECORD(beginFrame, "begin", (), )
RECORD(endFrame, "end", (), )
// clang-format on
void forgetGlState() {}

}  // namespace agv
