// Pixel tests of the window's picture: the scene, the primitives, the vehicle
// drawings and the phase plane, read back from a real 800 x 800 GLUT window.
//
// The executable starts its own Xvfb (PictureEnvironment) and opens one
// window for all its tests; each test sets up the shared state, draws with
// beginFrame + composeScene (or single primitives) and reads the back buffer
// before any swap. Expected positions come from the window mapping
// (column = (X + 1) * 400, row from the top = (1 - Y) * 400) and the drawing
// dimensions, not from earlier output.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "graphics/agv.h"
#include "graphics/primitives.h"
#include "graphics/scene.h"
#include "graphics/window.h"
#include "sim/parameters.h"
#include "sim/runs.h"
#include "tests/support/gl_window.h"
#include "tests/support/xvfb_server.h"

namespace {

using agvtest::columnOf;
using agvtest::Image;
using agvtest::Rgb8;
using agvtest::rowOf;
using agvtest::same;
using agvtest::Span;
using agvtest::str;

// Tolerances [pixels]. A line on a pixel boundary lands on either neighbour.
constexpr double kEdgeTol = 1.0;
// Edges of a filled shape at a slanted side: boundary pixel plus the slope.
constexpr double kSlantTol = 1.5;
// A 2-pixel line covers the pixel holding a point of its axis or a neighbour.
constexpr int kLineReach = 1;
// Text: the near-black 0.04 grey is 10 in 8 bits.
constexpr int kTextGrey = 10;
constexpr int kTextGreyTol = 1;
constexpr int kMinGlyphPixels = 30;  // a line of text has far more inked pixels
constexpr double kPi = 3.14159265358979323846;

constexpr Rgb8 kWhitePx{255, 255, 255};
constexpr Rgb8 kBlackPx{0, 0, 0};
constexpr Rgb8 kRedPx{255, 0, 0};
constexpr Rgb8 kGreenPx{0, 255, 0};
constexpr Rgb8 kBluePx{0, 0, 255};

bool isText(Rgb8 p) {
    return std::abs(p.r - kTextGrey) <= kTextGreyTol && p.g == p.r && p.b == p.r;
}
bool near(const Image& img, int col, int row, Rgb8 c, int reach = kLineReach) {
    return img.near(col, row, c, reach);
}
Rgb8 pixelAt(const Image& img, double x, double y) {
    return img.at(columnOf(x), rowOf(y));
}

// Window position of a world point [m], from the view state.
double windowX(double xm) {
    return (xm - 2.0) * agv::viewScale + agv::viewPanX;
}
double windowY(double ym) {
    return (ym - 0.5) * agv::viewScale + agv::viewPanY;
}

bool windowReady = false;
Image firstFrame;  // the first frame the process ever drew (start-up state)

Image renderScene() {
    agv::beginFrame();
    agv::composeScene();
    return agvtest::readBackBuffer();
}

Image renderAlone(const std::function<void()>& draw) {
    agv::beginFrame();
    draw();
    return agvtest::readBackBuffer();
}

void loadStartupRuns() {
    agv::applyStartupDefaults();
    agv::runAllSimulations(agv::StraightLine);
    agv::resetViewAfterRun();
}

class PictureEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (agvtest::startXvfb().empty()) return;
        agvtest::openPictureWindow();
        windowReady = true;
        loadStartupRuns();
        firstFrame = renderScene();
    }
    void TearDown() override {
        if (windowReady) glutExit();  // close the connection before the server goes
        agvtest::stopXvfb();
    }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PictureEnvironment);

class Picture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(windowReady) << "no private X server or window";
        agv::applyStartupDefaults();
        agv::clearTrajectoryStores();
    }
};

// Records from..to of a store at one pose.
void place(agv::VehicleState* traj, int from, int to, double x, double y, double theta = 0.0) {
    for (int j = from; j <= to; ++j) traj[j] = {0.0, theta, x, y, 0.0};
}
void placeErr(agv::TrackError* errs, int from, int to, double dd, double eth) {
    for (int j = from; j <= to; ++j) {
        errs[j] = {};
        errs[j].dd = dd;
        errs[j].eth = eth;
    }
}

// Both vehicles of mechanism 1 far outside the window.
void parkVehiclesOutside() {
    place(agv::contTraj[0], 0, 0, -30.0, -30.0);
    place(agv::sampTraj[0], 0, 0, -30.0, -30.0);
}

// ---- Text ------------------------------------------------------------------

struct TextLine {
    double x, y;
    std::string text;
};

// The expected line drawn straight with GLUT, in the text grey.
Image referenceText(const TextLine& t) {
    return renderAlone([&] {
        glDisable(GL_LIGHTING);
        glColor3f(0.04f, 0.04f, 0.04f);
        glRasterPos2f(static_cast<float>(t.x), static_cast<float>(t.y));
        for (const char ch : t.text) {
            glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, static_cast<unsigned char>(ch));
        }
    });
}

// The picture must carry exactly the reference's glyph pixels in the rows
// the line inks, left of the phase-plane panel, except where later drawing
// (grid, curves) covers them.
void expectText(const Image& img, const TextLine& t) {
    const Image ref = referenceText(t);
    int top = agvtest::kSide, bottom = -1;
    for (int row = 0; row < agvtest::kSide; ++row) {
        for (int col = 0; col < 480; ++col) {
            if (!isText(ref.at(col, row))) continue;
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    }
    int inked = 0, differing = 0;
    for (int row = top; row <= bottom; ++row) {
        for (int col = 0; col < 480; ++col) {
            const bool glyph = isText(ref.at(col, row));
            const Rgb8 p = img.at(col, row);
            inked += glyph;
            if (!same(p, kWhitePx) && !isText(p)) continue;  // covered
            differing += glyph != isText(p);
        }
    }
    EXPECT_GE(inked, kMinGlyphPixels) << t.text;
    EXPECT_EQ(differing, 0) << t.text;
}

TEST_F(Picture, FirstFrameShowsTitleAndSettingsPanel) {
    const TextLine lines[] = {
        {-0.99, 0.95, "AGV Continuous(PC) and Sampled Data(PI) Control"},
        {-0.95, 0.90, "(1-1) 2DW1C AGV"},
        {-0.95, 0.85, "(2-2) PI-Control"},
        {-0.83, 0.80, "fn=0.30[Hz],zeta=0.707, Ts=0.20[s]"},
        {-0.95, 0.75, "(3) Path=Straight Line"},
        {-0.90, 0.70, "Blue  Curve : Trajectory by Continuous-Control"},
        {-0.90, 0.65, "Green Curve : Trajectory by Sampled-Data-Control"},
        {-0.90, 0.60, "1 grid=(1.0, 1.0)[m]"},
    };
    for (const TextLine& t : lines) expectText(firstFrame, t);
}

TEST_F(Picture, PanelLinesFollowMechanismAndPath) {
    struct Case {
        int type, path;
        const char* mechanism;
        const char* law;
        const char* pathText;
    };
    const Case cases[] = {
        {2, 0, "(1-2) 1FDW1FS AGV", "(2-1) Simple P-Control", "(3) Path=Straight Line"},
        {3, 1, "(1-3) 1RDW1FS AGV", "(2-1) Simple P-Control", "(3) Path=Circle"},
    };
    for (const Case& c : cases) {
        agv::agvType = c.type;
        agv::pathType = c.path;
        const Image img = renderScene();
        expectText(img, {-0.95, 0.90, c.mechanism});
        expectText(img, {-0.95, 0.85, c.law});
        expectText(img, {-0.95, 0.75, c.pathText});
    }
}

TEST_F(Picture, DesignLineTruncatesDigitsAndMarksOverflow) {
    struct Case {
        double fn, zeta, ts;
        const char* text;
    };
    const Case cases[] = {
        {1.25, 0.5, 0.25, "fn=1.25[Hz],zeta=0.500, Ts=0.25[s]\n"},
        {0.29, 0.707, 0.2, "fn=0.28[Hz],zeta=0.707, Ts=0.20[s]\n"},  // 0.29 is just below
        {9.999, 9.9999, 9.999, "fn=9.99[Hz],zeta=9.999, Ts=9.99[s]\n"},
        {0.3, 0.707, 12.0, "fn=0.30[Hz],zeta=0.707, Ts=#.##[s]\n"},
        {10.0, NAN, 0.2, "fn=#.##[Hz],zeta=#.###, Ts=0.20[s]\n"},
        {-0.01, -1.0, INFINITY, "fn=#.##[Hz],zeta=#.###, Ts=#.##[s]\n"},
    };
    for (const Case& c : cases) {
        agv::beginFrame();
        agv::drawDesignLine(-0.83, 0.80, c.fn, c.zeta, c.ts);
        EXPECT_STREQ(agv::designLineText, c.text);
    }
    // The scene writes the current settings into the line.
    agv::fn = 1.25;
    agv::zeta = 0.5;
    agv::Ts = 0.25;
    renderScene();
    EXPECT_STREQ(agv::designLineText, "fn=1.25[Hz],zeta=0.500, Ts=0.25[s]\n");
}

// ---- Grid and reference path ----------------------------------------------

// Grid lines found along a scan over pixels a..b: one every `step` pixels
// from `origin`, the one through the origin 2 pixels wide, the others 1.
void expectGridLines(const std::vector<Span>& found, double origin, double step, int a, int b) {
    size_t expected = 0;
    for (int k = -40; k <= 40; ++k)
        expected += std::abs(origin + k * step - (a + b) / 2.0) < (b - a) / 2.0 - 2;
    EXPECT_EQ(found.size(), expected);
    for (const Span& r : found) {
        const double k = std::round((r.centre() - origin) / step);
        EXPECT_NEAR(r.centre(), origin + k * step, kEdgeTol) << "line " << k;
        EXPECT_EQ(r.width(), k == 0.0 ? 2 : 1) << "line " << k;
    }
}

TEST_F(Picture, GridLinesOneMetreApartThroughWorldOrigin) {
    struct View {
        double scale, panX, panY;
    };
    // The default view (origin at pixel (240, 440)), and a zoomed and shifted one.
    for (const View v : {View{0.2, 0.0, 0.0}, View{0.3, 0.1, -0.05}}) {
        agv::viewScale = v.scale;
        agv::viewPanX = v.panX;
        agv::viewPanY = v.panY;
        parkVehiclesOutside();
        const Image img = renderScene();
        const double originCol = (-2.0 * v.scale + v.panX + 1.0) * 400.0;
        const double originRow = (1.0 - (-0.5 * v.scale + v.panY)) * 400.0;
        SCOPED_TRACE("view scale " + std::to_string(v.scale));
        // Vertical lines along a row below the vehicles; horizontal lines
        // along a column left of the origin, below the text.
        expectGridLines(img.runs(true, 700, 4, 795, kBlackPx), originCol, v.scale * 400, 4, 795);
        expectGridLines(img.runs(false, 20, 190, 795, kBlackPx), originRow, v.scale * 400, 190,
                        795);
    }
}

TEST_F(Picture, StraightPathRunsFromOriginToRightEdge) {
    parkVehiclesOutside();
    const Image img = renderScene();
    // 0.013 units = 5.2 pixels: 5 rows centred on row 440.
    for (int col : {243, 300, 400, 560, 700, 799}) {
        const std::vector<Span> red = img.runs(false, col, 420, 460, kRedPx);
        ASSERT_EQ(red.size(), 1u) << "column " << col;
        EXPECT_EQ(red[0].width(), 5) << "column " << col;
        EXPECT_NEAR(red[0].centre(), 440.0, kEdgeTol) << "column " << col;
    }
    EXPECT_TRUE(img.runs(false, 236, 420, 460, kRedPx).empty()) << "path starts at the origin";
}

TEST_F(Picture, CirclePathHasRadiusOf160PixelsAboutOrigin) {
    agv::pathType = agv::Circle;
    parkVehiclesOutside();
    const Image img = renderScene();
    for (int deg = 0; deg < 360; deg += 45) {
        const double a = deg * kPi / 180.0;
        auto at = [&](double r) {
            return img.at(static_cast<int>(std::floor(240.0 + r * std::cos(a))),
                          static_cast<int>(std::floor(440.0 - r * std::sin(a))));
        };
        EXPECT_TRUE(same(at(160.0), kRedPx)) << deg << " deg: " << str(at(160.0));
        // 0.01 units = 4 pixels wide: nothing red 5 pixels in or out.
        EXPECT_FALSE(same(at(155.0), kRedPx)) << deg << " deg";
        EXPECT_FALSE(same(at(165.0), kRedPx)) << deg << " deg";
    }
    EXPECT_TRUE(img.runs(false, 560, 420, 460, kRedPx).empty()) << "no straight path";
}

// ---- Trajectories -----------------------------------------------------------

// Checks every 7th record of a store up to its bound that lies on the
// picture, away from the vehicles (both at record 0) and the window edge;
// returns how many.
int expectOnRecords(const Image& img, const agv::VehicleState* traj, int bound, Rgb8 c) {
    int checked = 0;
    for (int j = 1; j <= bound; j += 7) {
        const double x = windowX(traj[j].x), y = windowY(traj[j].y);
        if (traj[j].x - traj[0].x < 1.6 || x > 0.98 || y > 0.1) continue;
        ++checked;
        EXPECT_TRUE(near(img, columnOf(x), rowOf(y), c))
            << "record " << j << " at " << x << ", " << y << ": " << str(pixelAt(img, x, y));
    }
    return checked;
}

TEST_F(Picture, TrajectoriesFollowStoredRecordsThroughTheView) {
    loadStartupRuns();
    struct View {
        double scale, panX, panY;
    };
    // Default; zoomed in and shifted; zoomed out so that all 20 m show.
    for (const View v : {View{0.2, 0.0, 0.0}, View{0.3, 0.1, -0.05}, View{0.08, -0.74, 0.0}}) {
        agv::viewScale = v.scale;
        agv::viewPanX = v.panX;
        agv::viewPanY = v.panY;
        EXPECT_GE(expectOnRecords(renderScene(), agv::sampTraj[0], agv::nPointsPI[0], kGreenPx),
                  20);
        // Green is drawn over blue; without it the blue curve shows.
        const int boundPI = agv::nPointsPI[0];
        agv::nPointsPI[0] = -1;
        EXPECT_GE(expectOnRecords(renderScene(), agv::contTraj[0], agv::nPointsPC[0], kBluePx), 20);
        agv::nPointsPI[0] = boundPI;
    }
    // The curve ends at record nPointsPC: nothing past it (the vehicle has
    // settled on y = 0 by then, so the records lie on a straight line).
    agv::nPointsPI[0] = -1;
    agv::nPointsPC[0] = 600;
    const Image img = renderScene();
    EXPECT_TRUE(near(img, columnOf(windowX(agv::contTraj[0][590].x)), rowOf(windowY(0)), kBluePx));
    EXPECT_FALSE(near(img, columnOf(windowX(agv::contTraj[0][640].x)), rowOf(windowY(0)), kBluePx));
}

TEST_F(Picture, SamplingDotsOnlyAtStoredRecords) {
    agv::stepsPerSample = 2;
    agv::animSampleK = 1000000;  // far beyond the records
    agv::nPointsPI[0] = 3;       // records 0..4 stored
    place(agv::contTraj[0], 0, 0, 0.5, -3.5);
    place(agv::sampTraj[0], 0, 0, 0.5, -3.5);
    place(agv::sampTraj[0], 1, 4, 4.5, -1.5);                     // dots at records 2 and 4
    place(agv::sampTraj[0], 5, agv::kMaxRecords - 1, 4.5, -2.5);  // never stored by a run
    const Image img = renderScene();
    EXPECT_TRUE(same(pixelAt(img, windowX(4.5), windowY(-1.5)), kBlackPx));
    const int col = columnOf(windowX(4.5)), row = rowOf(windowY(-2.5));
    EXPECT_FALSE(near(img, col, row, kBlackPx, 3)) << "dot beyond the stored records";
}

TEST_F(Picture, VehiclesAndPhaseMarksStayOnStoredRecords) {
    agv::animIndexPC = agv::animIndexPI = 100000;
    agv::nPointsPC[0] = agv::nPointsPI[0] = 3;  // last stored record: 4
    for (auto* traj : {agv::contTraj[0], agv::sampTraj[0]}) {
        place(traj, 0, 4, 0.5, -2.5);
        place(traj, 5, agv::kMaxRecords - 1, 5.5, -2.5);
    }
    for (auto* errs : {agv::contErr[0], agv::sampErr[0]}) {
        placeErr(errs, 0, 4, 0.5, 0.0);
        placeErr(errs, 5, agv::kMaxRecords - 1, -0.5, 1.0);
    }
    const Image img = renderScene();
    // The green vehicle (drawn last) on record 4; its body ahead of P.
    EXPECT_TRUE(same(pixelAt(img, windowX(1.0), windowY(-2.4)), kGreenPx));
    const int col = columnOf(windowX(5.5)), row = rowOf(windowY(-2.5));
    EXPECT_FALSE(near(img, col, row, kGreenPx, 6) || near(img, col, row, kBluePx, 6));
    const int pcol = columnOf(0.6 - 0.3 * 0.5), prow = rowOf(0.55 + 0.3 / kPi);
    EXPECT_FALSE(near(img, pcol, prow, kBluePx, 4) || near(img, pcol, prow, kBlackPx, 4))
        << "phase mark beyond the stored records";
}

// ---- Phase plane --------------------------------------------------------------

// Frame at phasePlaneX/Y with the white panel under it: everything in the
// panel is white, text, or the frame and the marks at the centre.
TEST_F(Picture, PhasePanelAndFrameFollowPhasePlaneX) {
    for (double px : {0.6, 0.45}) {  // the default, and after 'z' three times
        agv::phasePlaneX = px;
        const double py = agv::phasePlaneY;
        // A trajectory and both vehicles that lie under the panel.
        place(agv::contTraj[0], 0, 0, 4.5, 3.0);
        place(agv::contTraj[0], 1, 200, 3.5, 2.75);
        for (int j = 1; j <= 200; ++j) agv::contTraj[0][j].x += j * 0.017;
        agv::nPointsPC[0] = 199;
        place(agv::sampTraj[0], 0, 0, 4.5, 3.0);
        const Image img = renderScene();
        const int left = columnOf(px - 0.4), bottom = rowOf(py - 0.4);
        EXPECT_EQ(left, static_cast<int>(std::lround((px + 0.6) * 400)));
        const double frameX[] = {px - 0.3, px, px + 0.3}, frameY[] = {py - 0.3, py, py + 0.3};
        auto onFrame = [&](int col, int row) {
            for (double fx : frameX) {
                if (std::abs(col - (fx + 1) * 400) <= 3 && std::abs(row - (1 - py) * 400) <= 122)
                    return true;
            }
            for (double fy : frameY) {
                if (std::abs(row - (1 - fy) * 400) <= 3 && std::abs(col - (px + 1) * 400) <= 122)
                    return true;
            }
            return false;
        };
        int stray = 0;
        for (int row = 0; row < bottom - 1; ++row) {
            for (int col = left + 2; col < agvtest::kSide; ++col) {
                const Rgb8 p = img.at(col, row);
                if (same(p, kWhitePx) || isText(p)) continue;
                if (same(p, kBlackPx) && onFrame(col, row)) continue;
                const bool atCentre = std::hypot(col - (px + 1) * 400, row - (1 - py) * 400) < 6;
                if (atCentre && (same(p, kBluePx) || same(p, kBlackPx))) continue;
                if (stray++ == 0)
                    ADD_FAILURE() << "x " << px << ": " << str(p) << " at " << col << ", " << row;
            }
        }
        EXPECT_EQ(stray, 0);
        // Frame lines 0.006 units (2 pixels) wide at their places.
        const std::vector<Span> across = img.runs(true, rowOf(py - 0.175), left + 2, 799, kBlackPx);
        ASSERT_EQ(across.size(), 3u) << "x " << px;
        const std::vector<Span> down =
            img.runs(false, columnOf(px - 0.25), 0, bottom - 2, kBlackPx);
        ASSERT_EQ(down.size(), 3u) << "x " << px;
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(across[i].centre(), (frameX[i] + 1) * 400, kEdgeTol);
            EXPECT_NEAR(down[i].centre(), (1 - frameY[2 - i]) * 400, kEdgeTol);
            EXPECT_EQ(across[i].width(), 2);
            EXPECT_EQ(down[i].width(), 2);
        }
        // The grid lines y = 3 m (row 200) and x = 4 m (column 560) stop at the panel.
        EXPECT_TRUE(near(img, left - 3, 200, kBlackPx)) << "x " << px;
        EXPECT_FALSE(near(img, left + 3, 200, kBlackPx)) << "x " << px;
        EXPECT_TRUE(near(img, 560, bottom + 3, kBlackPx)) << "x " << px;
        EXPECT_FALSE(near(img, 560, bottom - 3, kBlackPx)) << "x " << px;
    }
    // Without the panel in the window the hidden trajectory shows.
    agv::phasePlaneX = 3.0;
    EXPECT_TRUE(near(renderScene(), columnOf(0.8), rowOf(0.45), kBluePx));
}

TEST_F(Picture, PhasePointsAndStartMarkerKeepTheirScaleUnderZoom) {
    agv::viewScale = 0.5;  // 1 m = 200 pixels
    agv::x0 = 1.5;         // start marker at window (-0.25, 0.375), clear of grid lines
    agv::y0 = 1.25;
    parkVehiclesOutside();
    placeErr(agv::contErr[0], 0, 0, 1.0, -kPi / 2);  // blue start dot, radius 4 px
    placeErr(agv::sampErr[0], 0, 0, -0.5, kPi / 4);  // black start dot, radius 2.4 px
    const Image img = renderScene();
    const int bx = columnOf(0.9), by = rowOf(0.4);
    for (int d : {-2, 2}) {
        EXPECT_TRUE(same(img.at(bx + d, by), kBluePx)) << d;
        EXPECT_TRUE(same(img.at(bx, by + d), kBluePx)) << d;
        EXPECT_FALSE(same(img.at(bx + 3 * d, by), kBluePx)) << d;
        EXPECT_FALSE(same(img.at(bx, by + 3 * d), kBluePx)) << d;
    }
    const int kx = columnOf(0.6 - 0.15), ky = rowOf(0.55 + 0.3 / 4);
    EXPECT_TRUE(same(img.at(kx, ky), kBlackPx));
    EXPECT_TRUE(same(img.at(kx + 5, ky), kWhitePx));
    // The start marker keeps its radius of 0.008 units (3.2 pixels).
    const int sx = columnOf(-0.25), sy = rowOf(0.375);
    EXPECT_TRUE(same(img.at(sx - 2, sy), kBlackPx) && same(img.at(sx + 2, sy), kBlackPx));
    EXPECT_TRUE(same(img.at(sx - 5, sy), kWhitePx) && same(img.at(sx + 5, sy), kWhitePx));
}

TEST_F(Picture, PhaseCurveBrokenWhereHeadingWraps) {
    parkVehiclesOutside();
    placeErr(agv::contErr[0], 0, 0, -0.5, 3.1);  // 3.1 -> -3.1: left out
    placeErr(agv::contErr[0], 1, 2, 0.5, -3.1);
    placeErr(agv::sampErr[0], 0, 0, -0.5, 1.5);  // 1.5 -> -1.5: joined
    placeErr(agv::sampErr[0], 1, 2, 0.5, -1.5);
    agv::nPointsPC[0] = agv::nPointsPI[0] = 1;
    const Image img = renderScene();
    for (double t : {0.25, 0.75}) {
        auto at = [&](double eth0, double eth1) {
            const double dd = -0.5 + t, eth = eth0 + t * (eth1 - eth0);
            return std::pair{columnOf(0.6 + 0.3 * dd), rowOf(0.55 + 0.3 / kPi * eth)};
        };
        const auto [bc, br] = at(3.1, -3.1);
        EXPECT_FALSE(near(img, bc, br, kBluePx)) << "t " << t;
        const auto [gc, gr] = at(1.5, -1.5);
        EXPECT_TRUE(near(img, gc, gr, kGreenPx)) << "t " << t;
    }
}

// ---- Primitives ---------------------------------------------------------------

TEST_F(Picture, BodyShapeIsThePentagonAboutItsReferencePoint) {
    // Body of 1.2 x 1.0 m, 0.2 m behind P, nose 30 degrees, at half scale:
    // vertices (-0.1, -0.25), (0.5, -0.25), (0.644, 0), (0.5, 0.25), (-0.1, 0.25).
    const double s = 0.5, halfW = 0.25, front = 0.5, rear = -0.1, tan30 = std::tan(kPi / 6);
    for (const bool turned : {false, true}) {  // heading 0, then a quarter turn left
        const Image img = renderAlone([&] {
            agv::drawBodyShape({0, 0}, 1.2 * s, 1.0 * s, 0.2 * s, 0.5235988, turned ? kPi / 2 : 0.0,
                               agv::kBlue);
        });
        // Lines across the body axis: rows when heading 0, columns when turned.
        for (int i = 302; i <= 498; i += 14) {
            const double across = std::abs((i + 0.5) / 400.0 - 1.0);  // |b| at the pixel centre
            const double nose = front + tan30 * (halfW - across);
            const Span r = img.extent(!turned, i, kBluePx);
            if (!turned) {  // the rear edge on the left, the nose on the right
                EXPECT_NEAR(r.first, (rear + 1) * 400, kEdgeTol) << "row " << i;
                EXPECT_NEAR(r.last + 1, (nose + 1) * 400, kSlantTol) << "row " << i;
            } else {  // the nose up, the rear edge below
                EXPECT_NEAR(r.first, (1 - nose) * 400, kSlantTol) << "column " << i;
                EXPECT_NEAR(r.last + 1, (1 - rear) * 400, kEdgeTol) << "column " << i;
            }
        }
        // Along the axis, 0.05 behind P: the full width, 200 pixels.
        const Span side = img.extent(turned, turned ? 420 : 380, kBluePx);
        EXPECT_NEAR(side.first, 300, kEdgeTol);
        EXPECT_NEAR(side.width(), 200, 2 * kEdgeTol);
    }
}

TEST_F(Picture, CapsuleHalfDiscAndRectangleCoverTheirAreas) {
    // Wheel capsule 0.24 + 0.12 long, 0.12 wide: 144 x 48 pixels, either way round.
    for (double rot : {0.0, kPi / 2}) {
        const Image img = renderAlone([&] {
            agv::drawCapsule({0, 0}, 0.24, 0.12, rot, agv::kBlue);
        });
        const Span along = img.extent(rot == 0.0, 399, kBluePx);
        const Span across = img.extent(rot != 0.0, 399, kBluePx);
        EXPECT_NEAR(along.width(), 144, 2 * kEdgeTol) << rot;
        EXPECT_NEAR(along.centre(), 400, kEdgeTol) << rot;
        EXPECT_NEAR(across.width(), 48, 2 * kEdgeTol) << rot;
    }
    // Half disc clockwise from -90 degrees: the half on the -x side.
    Image img = renderAlone([] { agv::drawHalfDisc({0, 0}, 0.25, -agv::kDrawHalfPi, agv::kBlue); });
    EXPECT_TRUE(same(img.at(350, 400), kBluePx));
    EXPECT_TRUE(same(img.at(450, 400), kWhitePx));
    EXPECT_NEAR(img.extent(false, 395, kBluePx).width(), 200, 2 * kEdgeTol);  // clear of the chord
    EXPECT_TRUE(img.runs(false, 402, 0, 799, kBluePx).empty());
    // From 0 degrees clockwise: the lower half.
    img = renderAlone([] { agv::drawHalfDisc({0, 0}, 0.25, 0.0, agv::kBlue); });
    EXPECT_TRUE(same(img.at(400, 450), kBluePx));
    EXPECT_TRUE(same(img.at(400, 350), kWhitePx));
    // Rectangle a = 0.5, b = 0.25 turned a quarter about its corner at the
    // origin: x in [-0.25, 0], y in [0, 0.5].
    img = renderAlone([] { agv::drawRect({0, 0}, 0.5, 0.25, kPi / 2, agv::kBlue); });
    const Span cols = img.extent(true, 300, kBluePx), rows = img.extent(false, 350, kBluePx);
    EXPECT_NEAR(cols.first, 300, kEdgeTol);
    EXPECT_NEAR(cols.last + 1, 400, kEdgeTol);
    EXPECT_NEAR(rows.first, 200, kEdgeTol);
    EXPECT_NEAR(rows.last + 1, 400, kEdgeTol);
}

TEST_F(Picture, SegmentWidthInWindowUnitsAndOutlinesTwoPixelsAfterIt) {
    const Image img = renderAlone([] {
        glLineWidth(7.0f);
        agv::drawSegment({-0.5, 0.5}, {0.5, 0.5}, 0.005, agv::kBlack);
        agv::drawSegment({-0.5, 0.25}, {0.5, 0.25}, 0.02, agv::kBlack);
        agv::drawCircle({0.0, -0.4}, 0.25, agv::kBlack);
    });
    const std::vector<Span> lines = img.runs(false, 400, 0, 450, kBlackPx);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].width(), 2);
    EXPECT_NEAR(lines[0].centre(), 200, kEdgeTol);
    EXPECT_EQ(lines[1].width(), 8);
    EXPECT_NEAR(lines[1].centre(), 300, kEdgeTol);
    const std::vector<Span> ring = img.runs(true, 559, 0, 799, kBlackPx);
    ASSERT_EQ(ring.size(), 2u);
    for (const Span& r : ring) EXPECT_EQ(r.width(), 2) << "circle after a segment";
    EXPECT_NEAR(ring[0].centre(), 300, kEdgeTol);
    EXPECT_NEAR(ring[1].centre(), 500, kEdgeTol);
}

// ---- Vehicles -----------------------------------------------------------------

// Draws the blue vehicle at P = window origin with theta 0 at half scale
// (1 m = 200 pixels); returns the pixel at body point (a, b) [m].
struct Vehicle {
    Image img;
    Rgb8 at(double a, double b) const { return pixelAt(img, 0.5 * a, 0.5 * b); }
};
Vehicle drawVehicle(int type, double phi) {
    agv::agvType = type;
    agv::viewScale = 0.5;
    agv::viewPanX = 1.0;  // world origin at the window origin
    agv::viewPanY = 0.25;
    return {renderAlone([&] { agv::drawAgv({0, 0}, 0.0, phi, agv::kBlue); })};
}

TEST_F(Picture, EachMechanismHasItsOwnDrawing) {
    struct Probe {
        double a, b;
        Rgb8 expected[3];  // 2DW1C, 1FDW1FS, 1RDW1FS
        const char* what;
    };
    const Probe probes[] = {
        {0.0, 0.0, {kWhitePx, kWhitePx, kWhitePx}, "reference dot"},
        {0.5, 0.1, {kBluePx, kBluePx, kBluePx}, "body"},
        {0.0, 0.62, {kBluePx, kBluePx, kBluePx}, "left large wheel"},
        {0.0, -0.62, {kBluePx, kBluePx, kBluePx}, "right large wheel"},
        {0.0, 0.3, {kWhitePx, kBluePx, kBlackPx}, "left motor / body over axle / axle"},
        {0.0, -0.3, {kWhitePx, kBluePx, kBlackPx}, "right motor / body over axle / axle"},
        {0.0, 0.45, {kBlackPx, kBluePx, kBlackPx}, "axle stub / body / axle"},
        {1.0, 0.2, {kBluePx, kWhitePx, kBluePx}, "front motor box"},
        {0.24, 0.02, {kBluePx, kBluePx, kWhitePx}, "rear drive motor"},
        {0.8, 0.02, {kWhitePx, kBluePx, kBluePx}, "caster behind the pivot"},
        {1.06, 0.0, {kBluePx, kWhitePx, kWhitePx}, "steered wheel at the pivot"},
    };
    for (int type = 1; type <= 3; ++type) {
        const Vehicle v = drawVehicle(type, 0.0);
        for (const Probe& p : probes) {
            const Rgb8 got = v.at(p.a, p.b);
            EXPECT_TRUE(same(got, p.expected[type - 1]))
                << "type " << type << ", " << p.what << " at (" << p.a << ", " << p.b
                << "): " << str(got);
        }
    }
}

TEST_F(Picture, CasterTrailsItsPivotAtTheSteeringAngle) {
    // phi = 0.3: caster centre at F - 0.2 (cos 0.3, sin 0.3); D lies inside
    // its rear end, 0.27 behind F along the turned axis; E 0.27 straight behind F.
    const double c = std::cos(0.3), s = std::sin(0.3);
    const double cx = 1.0 - 0.2 * c, cy = -0.2 * s, dx = 1.0 - 0.27 * c, dy = -0.27 * s;
    const Vehicle turned = drawVehicle(1, 0.3);
    EXPECT_TRUE(same(turned.at(cx, cy), kWhitePx)) << str(turned.at(cx, cy));
    EXPECT_TRUE(same(turned.at(dx, dy), kWhitePx)) << str(turned.at(dx, dy));
    EXPECT_TRUE(same(turned.at(0.73, 0.0), kBluePx)) << str(turned.at(0.73, 0.0));
    const Vehicle straight = drawVehicle(1, 0.0);
    EXPECT_TRUE(same(straight.at(dx, dy), kBluePx)) << str(straight.at(dx, dy));
    EXPECT_TRUE(same(straight.at(0.73, 0.0), kWhitePx)) << str(straight.at(0.73, 0.0));
}

}  // namespace
