// Recording stand-in of the drawing primitives and the window: each call the
// drawing code makes is appended to recordedCalls instead of reaching a
// window, as its name ("Segment", "Disc", ..., "Text:" and the string,
// "begin", "end", "redraw") and its numeric arguments in order, a point as
// x, y, and the colour's r, g, b, a last where the primitive takes one.
// endProgram throws ProgramEnded, so that a test can see the program end.
#include <string>
#include <vector>

#include "graphics/primitives.h"
#include "graphics/window.h"

std::vector<std::pair<std::string, std::vector<double>>> recordedCalls;
struct ProgramEnded {};

namespace agv {

using P = const Point2&;
using C = const Rgba&;
using D = double;
// fn(params) records name with the listed values.
// clang-format off
#define REC(fn, name, params, ...) \
    void fn params { recordedCalls.push_back({name, {__VA_ARGS__}}); }
#define RGBA c.r, c.g, c.b, c.a
REC(drawSegment, "Segment", (P p, P q, D w, C c), p.x, p.y, q.x, q.y, w, RGBA)
REC(drawDisc, "Disc", (P p, D r, C c), p.x, p.y, r, RGBA)
REC(drawCircle, "Circle", (P p, D r, C c), p.x, p.y, r, RGBA)
REC(drawHalfDisc, "HalfDisc", (P p, D r, D a, C c), p.x, p.y, r, a, RGBA)
REC(drawHalfCircle, "HalfCircle", (P p, D r, D a, C c), p.x, p.y, r, a, RGBA)
REC(drawCapsule, "Capsule", (P p, D l, D w, D a, C c), p.x, p.y, l, w, a, RGBA)
REC(drawCapsuleOutline, "CapsuleOutline", (P p, D l, D w, D a, C c), p.x, p.y, l, w, a, RGBA)
REC(drawRect, "Rect", (P p, D l, D w, D a, C c), p.x, p.y, l, w, a, RGBA)
REC(drawRectOutline, "RectOutline", (P p, D l, D w, D a, C c), p.x, p.y, l, w, a, RGBA)
REC(drawBodyShape, "BodyShape", (P p, D l, D w, D b, D n, D a, C c), p.x, p.y, l, w, b, n, a, RGBA)
REC(drawGrid, "Grid", (P p, D a, int n, D gx, D gy), p.x, p.y, a, D(n), gx, gy)
REC(drawText, std::string("Text:") + s, (float x, float y, Font, const char* s), x, y)
REC(beginFrame, "begin", (), )
REC(endFrame, "end", (), )
REC(requestRedraw, "redraw", (), )
// clang-format on
void discardPendingKeys() {}
void endProgram() {
    throw ProgramEnded{};
}

}  // namespace agv
