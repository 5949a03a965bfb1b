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
// The filled 120-gon (fillRound, every drawDisc) is sent as one disc command,
// its centre in the current frame and its radius [window units], and
// web/picture.js fills the discs of one colour that follow each other as one
// path. A colour is sent only when it changes within the frame.
#include <emscripten.h>

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

// The colour last sent in this frame, as page.js holds it.
agv::Rgba colourSent{};
bool colourKnown = false;

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

}  // namespace

namespace agv {

void beginFrame() {
    colourKnown = false;
    put({kClear});
}

void endFrame() {
    flushCommands();
}

void setShapeColour(const Rgba& colour) {
    if (colourKnown && colour.r == colourSent.r && colour.g == colourSent.g && colour.b == colourSent.b) return;
    colourSent = colour;
    colourKnown = true;
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
}

void shapeVertex(double x, double y) {
    put({kVertex, x, y});
}

void endShape() {
    put({kEnd});
}

void fillRound(const Point2& centre, double radius) {
    put({kDisc, centre.x, centre.y, radius});
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
