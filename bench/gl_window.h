// A real GLUT window for the frame benchmark, and the
// pixels of its back buffer.
//
// openPictureWindow creates the 800 x 800 double-buffered window the program
// uses (on the display in DISPLAY, which must be up: freeglut exits without
// one), sets the viewport and the white clear colour, and leaves its context
// current. readBackBuffer reads the whole back buffer after glFinish, before
// any swap. Pixel addresses are (column from the left, row from the top).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace agvtest {

constexpr int kSide = 800;  // [pixels] window width and height

struct Rgb8 {
    std::uint8_t r, g, b;
};

inline bool same(Rgb8 p, Rgb8 q) {
    return p.r == q.r && p.g == q.g && p.b == q.b;
}
std::string str(Rgb8 p);  // "(r,g,b)" for failure messages

// Pixels first..last of a row or column.
struct Span {
    int first, last;
    double centre() const { return (first + last + 1) / 2.0; }  // as a pixel boundary
    int width() const { return last - first + 1; }
};

struct Image {
    std::vector<std::uint8_t> rgb;  // bottom row first, as GL returns it

    Rgb8 at(int col, int row) const;  // (0, 0) = top-left pixel; white outside
    // Runs of colour c along row `line` (columns a..b) or column `line` (rows a..b).
    std::vector<Span> runs(bool alongRow, int line, int a, int b, Rgb8 c) const;
    // From the first to the last pixel of colour c along a whole row or column.
    Span extent(bool alongRow, int line, Rgb8 c) const;
    // True when a pixel within `reach` of (col, row) has colour c.
    bool near(int col, int row, Rgb8 c, int reach) const;
};

void openPictureWindow();
Image readBackBuffer();

// Pixel column and row (from the top) whose square contains the window point (x, y).
int columnOf(double x);
int rowOf(double y);

}  // namespace agvtest
