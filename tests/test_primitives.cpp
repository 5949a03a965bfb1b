// The drawing primitives in a real 800 x 800 GLUT window (run under xvfb-run):
// each case draws into a fresh frame, reads the back buffer before any swap and
// checks the extent of the ink against the window mapping, column = (X + 1) * 400,
// row from the top = (1 - Y) * 400.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/primitives.h"
#include "graphics/window.h"

using namespace agv;

namespace {

constexpr int kSide = 800;                          // [pixels] the window
constexpr int kGreyTol = 1;                         // [8-bit levels] rounding of 0.04 * 255 = 10.2
constexpr double kHalfPi = 1.5707963267949;         // [rad]
constexpr double kNose = 0.5235988;                 // [rad] the body's nose angle, 30 degrees
const double kApex = 0.5 + std::tan(kNose) * 0.25;  // [window units] nose apex of the body below
// [pixels] an edge on a pixel boundary lands on either side; a glyph's ink starts near its
// raster position (its bearing)
constexpr double kEdgeTol = 1.01;
constexpr double kGlyphBearing = 3;
const Rgba kGrey = {0.04f, 0.04f, 0.04f, 0};  // text ink: 10 in 8 bits

// Expected ink extent x0..x1, y0..y1 [window units] (x0 NaN: no ink), its exact width across
// [pixels] if given, within a region of the window; text is placed to within a glyph's bearing.
struct Case {
    const char* what;
    void (*draw)();
    Rgba ink;
    double x0, x1, y0, y1;
    int thick = 0;
    double region[4] = {-1, 1, -1, 1};
    bool text = false;
};
// Helvetica 18's "H" [pixels]: 13 apart, its ink 11 wide from 1 past its place and 14 high.
constexpr double kHAdvance = 13, kHInk = 12, kHHeight = 14;
// clang-format off
const Case kCases[] = {
    {"segment 0.005 is 2 px",
     [] { drawSegment({-.5, .1}, {.5, .1}, .005, kRed); }, kRed, -.5, .5, .0975, .1025, 2},
    {"segment 0.02 is 8 px",
     [] { drawSegment({-.5, .1}, {.5, .1}, .02, kRed); }, kRed, -.5, .5, .09, .11, 8},
    {"circle after a wide segment is 2 px", [] { drawSegment({-.9, -.9}, {-.8, -.9}, .02, kRed),
     drawCircle({0, 0}, .5, kBlue); }, kBlue, .4975, .5025, -.01, .01, 2, {.3, 1, -.01, .01}},
    {"circle radius", [] { drawCircle({.1, .2}, .3, kBlue); }, kBlue, -.2, .4, -.1, .5},
    {"disc covers its diameter", [] { drawDisc({.1, -.2}, .3, kGreen); }, kGreen, -.2, .4, -.5, .1},
    {"half disc from -pi/2 fills -x",
     [] { drawHalfDisc({0, 0}, .4, -kHalfPi, kBlack); }, kBlack, -.4, 0, -.4, .4},
    {"half disc from 0 fills below",
     [] { drawHalfDisc({0, 0}, .4, 0, kBlack); }, kBlack, -.4, .4, -.4, 0},
    {"half circle", [] { drawHalfCircle({0, 0}, .4, -kHalfPi, kBlack); }, kBlack, -.4, 0, -.4, .4},
    {"half circle is open",
     [] { drawHalfCircle({0, 0}, .4, -kHalfPi, kBlack); }, kBlack, NAN, 0, 0, 0, 0,
     {-.02, .02, -.3, .3}},
    {"capsule 144 x 48 px",
     [] { drawCapsule({0, 0}, .24, .12, 0, kBlue); }, kBlue, -.18, .18, -.06, .06},
    {"capsule turned pi/2",
     [] { drawCapsule({.2, 0}, .24, .12, kHalfPi, kBlue); }, kBlue, .14, .26, -.18, .18},
    {"capsule outline: only its end right of the centre",
     [] { drawCapsuleOutline({0, 0}, .24, .12, 0, kBlack); },
     kBlack, .1775, .1825, -.01, .01, 2, {0, 1, -.01, .01}},
    {"rect turned pi/2 about its corner",
     [] { drawRect({0, 0}, .3, .1, kHalfPi, kGreen); }, kGreen, -.1, 0, 0, .3},
    {"rect outline: only its side right of the centre",
     [] { drawRectOutline({.1, .1}, .3, .2, 0, kRed); }, kRed,
     .3975, .4025, .19, .21, 2, {.25, 1, .19, .21}},
    {"body",
     [] { drawBodyShape({0, 0}, .6, .5, .1, kNose, 0, kBlue); }, kBlue, -.1, kApex, -.25, .25},
    {"body turned",
     [] { drawBodyShape({0, 0},
     .6, .5, .1, kNose, kHalfPi, kBlue); }, kBlue, -.25, .25, -.1, kApex},
    {"grid axis 2 px",
     [] { drawGrid({.1, -.2},
     0, 2, .2, .15); }, kBlack, .0975, .1025, 0, .05, 2, {.05, .15, 0, .05}},
    {"grid line 1 px",
     [] { drawGrid({.1, -.2}, 0, 2, .2, .15); }, kBlack, .3, .3025, 0, .05, 1, {.25, .35, 0, .05}},
    {"text near-black at its raster position", [] { drawSegment({-.9, -.9}, {-.8, -.9}, .005, kRed),
     drawText(-.5f, .5f, Font::Helvetica18, "HHH"); },
     kGrey, -.5, -.5 + (2 * kHAdvance + kHInk) / 400, .5, .5 + kHHeight / 400, 0, {-.6, 0, .4, .6},
     true},
};
// clang-format on

// Window x to pixel column, window y to pixel row from the top.
double col(double x) {
    return (x + 1) * kSide / 2;
}
double row(double y) {
    return (1 - y) * kSide / 2;
}

// Bounding box {first, last column, first, last row} of the ink of c in its region of the
// back buffer, matching within tol per channel; {800, -1, 800, -1} if there is none.
std::vector<int> ink(const Case& c, int tol) {
    static std::vector<unsigned char> px(kSide * kSide * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    std::vector<int> b = {kSide, -1, kSide, -1};
    for (int r = int(row(c.region[3])); r < row(c.region[2]); ++r)
        for (int k = int(col(c.region[0])); k < col(c.region[1]); ++k) {
            const unsigned char* p = &px[((kSide - 1 - r) * kSide + k) * 3];
            if (std::abs(p[0] - std::lround(c.ink.r * 255)) <= tol &&
                std::abs(p[1] - std::lround(c.ink.g * 255)) <= tol &&
                std::abs(p[2] - std::lround(c.ink.b * 255)) <= tol)
                b = {std::min(b[0], k), std::max(b[1], k), std::min(b[2], r), std::max(b[3], r)};
        }
    return b;
}

TEST(Primitives, InkWhereTheWindowMappingPutsIt) {
    static int argc = 1;
    static char name[] = "test_primitives", *argv[] = {name, nullptr};
    glutInitWindowSize(kSide, kSide);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("test_primitives");
    reshapeWindow(kSide, kSide);
    glClearColor(1, 1, 1, 1);
    for (const Case& c : kCases) {
        const bool text = c.text, none = std::isnan(c.x0);
        beginFrame();
        c.draw();
        const std::vector<int> b = ink(c, text ? kGreyTol : 0);
        const double want[4] = {col(c.x0), col(c.x1), row(c.y1), row(c.y0)};
        EXPECT_TRUE(!none || b[1] == -1)
            << c.what << ": ink at column " << b[0] << ", row " << b[2];
        for (int i = 0; i < 4 && !none; ++i)  // last column and row: the pixel before the edge
            EXPECT_NEAR(b[i] + i % 2, want[i], text ? kGlyphBearing : kEdgeTol) << c.what << i;
        EXPECT_EQ(c.thick ? std::min(b[1] - b[0], b[3] - b[2]) + 1 : 0, c.thick) << c.what;
    }
}

}  // namespace
