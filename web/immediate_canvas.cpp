// Immediate-mode drawing, text and the frame bracket on the page's canvas:
// the canvas backend of immediate.h, drawText, beginFrame and endFrame.
//
// Each call appends a command to a fixed buffer of doubles, which page.js
// draws on the canvas's 2D context at endFrame (or when the buffer is full),
// so that a frame crosses into JavaScript once: window units are mapped onto
// 800 x 800 CSS pixels as the window maps them onto its pixels, line widths
// are CSS pixels, colours are drawn opaque and text in an 18-pixel
// Helvetica-like sans-serif with its baseline at the given point.
//
// A filled polygon whose vertices are exactly those of the primitives' 120-gon
// about its frame's origin (drawDisc) is sent as one disc command with its
// radius [window units] instead of its 120 vertices, and page.js fills the
// discs of one colour that follow each other as one path: a frame with all
// 3000 sampling dots drawn sends about 250 000 doubles instead of 1.3 million.
#include <emscripten.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "graphics/immediate.h"
#include "graphics/window.h"

namespace {

// Commands and their arguments, as page.js reads them.
enum Op { kClear, kColour, kWidth, kPush, kPop, kBegin, kVertex, kEnd, kText, kDisc };

// [doubles] 2 MB. A frame at full trajectories needs about 250 000, sent in
// one batch; a fuller one goes in several.
constexpr int kCommandCapacity = 1 << 18;
constexpr int kTextCapacity = 1 << 14;  // [bytes] of text a frame; ~1 KB used
constexpr int kLongestCommand = 5;      // [doubles] kText
double commands[kCommandCapacity];
int commandCount = 0;
char text[kTextCapacity];
int textCount = 0;

// The shape being given: the vertices given, and whether it may still be a
// disc, of radius discRadius [window units] (its first vertex's x). A
// polygon's vertices are held back while it may be one.
int shapeVertices = 0;
bool shapeMayBeDisc = false;
double discRadius = 0.0;
// The unit 120-gon's vertices, computed as the primitives compute them, so
// that a disc's vertices equal the radius times these to the last bit.
double unitCos[agv::kCircleSegments];
double unitSin[agv::kCircleSegments];
bool unitCircleMade = false;

void makeUnitCircle() {
    const double step = 2.0 * agv::kDrawPi / agv::kCircleSegments;  // [rad]
    for (int k = 0; k < agv::kCircleSegments; ++k) {
        unitCos[k] = std::cos(k * step);
        unitSin[k] = std::sin(k * step);
    }
    unitCircleMade = true;
}

// Whether vertex k of a polygon keeps it on the 120-gon of radius discRadius.
bool onDisc(int k, double x, double y) {
    if (k == 0) return y == 0.0 && x > 0.0;
    return k < agv::kCircleSegments && x == discRadius * unitCos[k] && y == discRadius * unitSin[k];
}

}  // namespace

// clang-format off
EM_JS(void, agvPageDraw, (const double* ops, int count, const char* chars), {
    Module.agvPage.draw(HEAPF64.subarray(ops >> 3, (ops >> 3) + count), HEAPU8, chars);
});
// clang-format on

namespace {

void flushCommands() {
    if (commandCount > 0) agvPageDraw(commands, commandCount, text);
    commandCount = 0;
    textCount = 0;
}

void put(std::initializer_list<double> values) {
    if (commandCount + kLongestCommand > kCommandCapacity) flushCommands();
    for (double v : values) commands[commandCount++] = v;
}

// The vertices held back of a polygon that is not a disc after all: the
// 120-gon's first `count`, which those given equal.
void releaseDiscVertices(int count) {
    for (int k = 0; k < count; ++k)
        put({kVertex, discRadius * unitCos[k], discRadius * unitSin[k]});
}

}  // namespace

namespace agv {

void beginFrame() {
    if (!unitCircleMade) makeUnitCircle();
    put({kClear});
}

void endFrame() {
    flushCommands();
}

void setShapeColour(const Rgba& colour) {
    put({kColour, colour.r, colour.g, colour.b});
}

void setLineWidth(float pixels) {
    put({kWidth, pixels});
}

void pushFrame(const Point2& origin, double rotation) {
    put({kPush, origin.x, origin.y, rotation});
}

void popFrame() {
    put({kPop});
}

void beginShape(ShapeMode mode) {
    put({kBegin, static_cast<double>(mode)});
    shapeVertices = 0;
    shapeMayBeDisc = mode == ShapeMode::Polygon;
}

void shapeVertex(double x, double y) {
    if (shapeMayBeDisc) {
        if (shapeVertices == 0) discRadius = x;
        if (onDisc(shapeVertices, x, y)) {
            shapeVertices += 1;
            return;
        }
        shapeMayBeDisc = false;
        releaseDiscVertices(shapeVertices);
    }
    shapeVertices += 1;
    put({kVertex, x, y});
}

void endShape() {
    if (shapeMayBeDisc && shapeVertices < agv::kCircleSegments) releaseDiscVertices(shapeVertices);
    if (shapeMayBeDisc && shapeVertices == agv::kCircleSegments) {
        put({kDisc, discRadius});  // ends the shape begun, as a disc
    } else {
        put({kEnd});
    }
}

void drawText(float x, float y, Font /*font*/, const char* s) {
    const int length = static_cast<int>(std::strlen(s));
    if (length > kTextCapacity) return;
    if (textCount + length > kTextCapacity || commandCount + kLongestCommand > kCommandCapacity) {
        flushCommands();  // the text and its command go into the same batch
    }
    std::memcpy(text + textCount, s, static_cast<std::size_t>(length));
    put({kText, x, y, static_cast<double>(textCount), static_cast<double>(length)});
    textCount += length;
}

}  // namespace agv
