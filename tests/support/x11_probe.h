// Looking at and typing into another process's window from a test.
//
// findWindow finds a top-level window by a part of its UTF-8 title and waits
// (bounded) until it is viewable. grabFrame reads the window's pixels as
// they are on the screen: with no window manager the window may sit partly
// off screen (freeglut puts it at (-1, -1)), so only the visible part is
// read and pixels are addressed in the window's own coordinates (column,
// row from the top-left). typeKey gives the window the focus and types one
// key through XTest, with Shift where the key needs it.
//
// Xlib's own header stays out of here: its macros (None, Bool, Status)
// clash with GoogleTest's names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;  // Xlib's Display

namespace agvtest {

using Display = ::_XDisplay;
using WindowId = unsigned long;   // Xlib's Window
using KeySymbol = unsigned long;  // Xlib's KeySym

// The display named by DISPLAY, or nullptr.
Display* openDisplay();
void closeDisplay(Display* display);

struct Rgb {
    int r, g, b;
};

struct Frame {
    int width = 0;   // [pixels] of the window
    int height = 0;  // [pixels]
    int left = 0;    // window column of the first pixel read
    int top = 0;     // window row of the first pixel read
    int cols = 0;    // pixels read per row
    int rows = 0;    // rows read
    std::vector<std::uint32_t> pixels;

    bool has(int x, int y) const {
        return x >= left && y >= top && x < left + cols && y < top + rows;
    }
    // Colour at window column x, row y; (-1, -1, -1) where it was not read.
    Rgb at(int x, int y) const;
};

bool operator==(const Frame& a, const Frame& b);

// 0 when no viewable window with that title part appears within the timeout.
WindowId findWindow(Display* display, const std::string& titlePart, double timeoutSeconds);

// The visible part of the window, or of the rectangle (x, y, w, h) of it.
Frame grabFrame(Display* display, WindowId window);
Frame grabRect(Display* display, WindowId window, int x, int y, int w, int h);

// Types one key (press and release) into the window.
void typeKey(Display* display, WindowId window, KeySymbol key);
// The same for the character c ('a', 'W', '0', ...; 27 for ESC).
void typeChar(Display* display, WindowId window, char c);

}  // namespace agvtest
