// The program end to end: agvsim on a private Xvfb, its console answered
// through a pipe (line mode), keys typed into its window through XTest and
// the picture read back from the screen.
//
// Expected vehicle positions come from the same simulation run in this
// process, drawn through the vehicle-view mapping: a world point (x, y) [m]
// lies at window ((x - 2) * scale + panX, (y - 0.5) * scale + panY), and a
// window unit is 400 pixels (column (X + 1) * 400, row (1 - Y) * 400).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "child_process.h"
#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/runs.h"
#include "tests/support/x11_probe.h"
#include "tests/support/xvfb_environment.h"

namespace {

using agvtest::Frame;
using agvtest::Rgb;
using Clock = std::chrono::steady_clock;
using Answers = std::vector<std::pair<std::string, std::string>>;

// [s] bound of every wait for the program; generous, as frames of full
// stores are slow on a loaded machine.
constexpr double kWaitSeconds = 30.0;
const char* const kTitlePart = "機構選択";

// Console answers (prompt to wait for, line to type) of a start-up dialog
// that keeps every default: straight line, no changes, then any key twice.
const Answers kDefaultStart = {{"I= ", "0\n"},   {"入力 ", "n\n"}, {"入力 ", "n\n"},
                               {"入力 ", "n\n"}, {"計算へ", "\n"}, {"描画画面へ", "\n"}};

struct Px {
    double x, y;  // [pixels] column and row from the window's top-left corner
};

Px mapped(double x, double y, double scale = 0.2) {
    return {((x - 2.0) * scale + 1.0) * 400.0, (1.0 - (y - 0.5) * scale) * 400.0};
}
Px mapped(const agv::VehicleState& s) {
    return mapped(s.x, s.y);
}

// Colours as drawn: white, black (grid, outlines, text), red, green.
bool isWhite(Rgb c) {
    return c.r > 240 && c.g > 240 && c.b > 240;
}
bool isDark(Rgb c) {
    return c.r >= 0 && c.r < 60 && c.g < 60 && c.b < 60;
}
bool isRed(Rgb c) {
    return c.r > 200 && c.g < 60 && c.b < 60;
}
bool isGreen(Rgb c) {
    return c.r >= 0 && c.r < 60 && c.g > 200 && c.b < 60;
}
bool greenNear(const Frame& f, Px p) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (isGreen(f.at(static_cast<int>(p.x) + dx, static_cast<int>(p.y) + dy))) return true;
        }
    }
    return false;
}

// The vehicle's white reference dot (radius 0.04 m, 3.2 pixels at the
// default zoom): at least 20 white pixels within 5 pixels of p, centred on
// p within a pixel.
bool dotAt(const Frame& f, Px p) {
    int count = 0;
    double sx = 0.0, sy = 0.0;
    for (int r = static_cast<int>(p.y) - 6; r <= static_cast<int>(p.y) + 6; ++r) {
        for (int c = static_cast<int>(p.x) - 6; c <= static_cast<int>(p.x) + 6; ++c) {
            if (std::hypot(c + 0.5 - p.x, r + 0.5 - p.y) > 5.0 || !isWhite(f.at(c, r))) continue;
            ++count;
            sx += c + 0.5;
            sy += r + 0.5;
        }
    }
    return count >= 20 && std::hypot(sx / count - p.x, sy / count - p.y) <= 1.0;
}

// Centres [pixels] and widths of the dark runs along row `fixed` (or down
// column `fixed`) between from and to.
struct Run {
    double centre;
    int width;
};
std::vector<Run> darkRuns(const Frame& f, bool alongRow, int fixed, int from, int to) {
    std::vector<Run> runs;
    int start = -1;
    for (int i = from; i <= to; ++i) {
        const bool dark = i < to && isDark(alongRow ? f.at(i, fixed) : f.at(fixed, i));
        if (dark && start < 0) start = i;
        if (!dark && start >= 0) {
            runs.push_back({(start + i) / 2.0, i - start});
            start = -1;
        }
    }
    return runs;
}

// "" when the 1 m grid lies where scale and pans put it: the 2-pixel lines
// through the world origin, the others scale * 400 pixels apart. Vertical
// lines are read along row 640, horizontal ones down column 100 (below the
// text): nothing else is drawn there, and no grid line of the views tested
// runs along them.
std::string gridError(const Frame& f, double scale, double panX, double panY) {
    const double spacing = scale * 400.0;
    const double originX = (-2.0 * scale + panX + 1.0) * 400.0;
    const double originY = (1.0 - (-0.5 * scale + panY)) * 400.0;
    std::string error;
    for (int axis = 0; axis < 2; ++axis) {
        const auto runs =
            axis == 0 ? darkRuns(f, true, 640, 0, 799) : darkRuns(f, false, 100, 200, 799);
        const double origin = axis == 0 ? originX : originY;
        bool originFound = false;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (runs[i].width >= 2 && std::fabs(runs[i].centre - origin) <= 1.0) originFound = true;
            if (i > 0 && std::fabs(runs[i].centre - runs[i - 1].centre - spacing) > 1.5) {
                error += " line at " + std::to_string(runs[i].centre) + " off the spacing;";
            }
        }
        if (!originFound || runs.size() < 5) {
            error += std::string(axis == 0 ? " no origin column " : " no origin row ") +
                     std::to_string(origin) + ";";
        }
    }
    return error;
}

// Column of the phase plane's left frame line, read along row 290 starting
// just right of where the white panel's edge should be.
double phaseFrameLeft(const Frame& f, double phasePlaneX) {
    const int from = static_cast<int>((phasePlaneX - 0.4 + 1.0) * 400.0) + 5;
    const auto runs = darkRuns(f, true, 290, from, 799);
    return runs.empty() ? -1.0 : runs.front().centre;
}

const auto* const gXvfb = ::testing::AddGlobalTestEnvironment(new agvtest::XvfbEnvironment);

class JourneyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        display_ = agvtest::openDisplay();
        ASSERT_NE(display_, nullptr);
        agv::applyStartupDefaults();
        agv::clearTrajectoryStores();
    }

    void TearDown() override {
        if (app_.pid > 0) {
            kill(app_.pid, SIGKILL);
            finishChild(app_, kWaitSeconds);
        }
        // The next test must not find this window.
        for (auto deadline = Clock::now() + std::chrono::seconds(5);
             window_ != 0 && Clock::now() < deadline;) {
            window_ = agvtest::findWindow(display_, kTitlePart, 0.0);
        }
        agvtest::closeDisplay(display_);
    }

    // Waits for each prompt in turn, each printed after the one before, and
    // types its line.
    bool answer(const Answers& answers) {
        for (const auto& [prompt, line] : answers) {
            if (!waitForOutput(app_, prompt, kWaitSeconds, seen_)) return false;
            seen_ = app_.out.find(prompt, seen_) + prompt.size();
            sendInput(app_, line, false);
        }
        return true;
    }
    std::string tail() const {
        return app_.out.substr(app_.out.size() - std::min<std::size_t>(app_.out.size(), 400));
    }

    // Starts agvsim, answers its start-up dialog and waits for its first frame.
    void launch(const Answers& answers) {
        app_ = startChild({AGV_PROGRAM});
        ASSERT_TRUE(answer(answers)) << tail();
        window_ = agvtest::findWindow(display_, kTitlePart, kWaitSeconds);
        ASSERT_NE(window_, 0u) << "no window";
        // Cleared to white, and no longer changing.
        Frame previous;
        waitFrame([&](const Frame& f) {
            const bool settled = isWhite(f.at(5, 790)) && f == previous;
            previous = f;
            return settled;
        });
    }

    void type(const std::string& keys) {
        for (char c : keys) agvtest::typeChar(display_, window_, c);
    }

    // Polls the window until ready holds (bounded) and returns the last frame.
    Frame waitFrame(const std::function<bool(const Frame&)>& ready) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(kWaitSeconds);
        Frame f;
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            f = agvtest::grabFrame(display_, window_);
        } while (!ready(f) && Clock::now() < deadline);
        return f;
    }

    void endWithEscape() {
        type("\x1b");
        EXPECT_EQ(describeEnd(finishChild(app_, kWaitSeconds)), "exit 0");
        app_.pid = -1;
    }

    agvtest::Display* display_ = nullptr;
    agvtest::WindowId window_ = 0;
    Child app_;
    std::size_t seen_ = 0;  // output up to here has been waited for
};

TEST_F(JourneyTest, SteppingMovesBothVehiclesAlongTheirRecords) {
    agv::runAllSimulations(agv::pathType);  // what the program computes from the same settings
    const auto& cont = agv::contTraj;
    const auto& samp = agv::sampTraj;
    launch(kDefaultStart);
    EXPECT_TRUE(dotAt(agvtest::grabFrame(display_, window_), mapped(0.0, 1.0)));

    // 2DW1C: after 5 steps (10 records) the two vehicles are still within a pixel.
    type("sssss");
    Frame f = waitFrame([&](const Frame& g) { return dotAt(g, mapped(samp[0][10])); });
    EXPECT_TRUE(dotAt(f, mapped(samp[0][10])));
    EXPECT_TRUE(dotAt(f, mapped(cont[0][10])));
    type(std::string(20, 's'));
    f = waitFrame([&](const Frame& g) { return dotAt(g, mapped(samp[0][50])); });
    EXPECT_TRUE(dotAt(f, mapped(samp[0][50])));

    // 1RDW1FS, unstable at this Ts: 50 steps take the vehicles far apart.
    type("3");
    f = waitFrame([&](const Frame& g) { return dotAt(g, mapped(0.0, 1.0)); });
    EXPECT_TRUE(dotAt(f, mapped(0.0, 1.0)));
    const Px pc = mapped(cont[2][100]), pi = mapped(samp[2][100]);
    ASSERT_GT(std::hypot(pc.x - pi.x, pc.y - pi.y), 120.0);  // clear of each other
    type(std::string(50, 's'));
    f = waitFrame([&](const Frame& g) { return dotAt(g, pi) && dotAt(g, pc); });
    EXPECT_TRUE(dotAt(f, pc)) << pc.x << ", " << pc.y;
    EXPECT_TRUE(dotAt(f, pi)) << pi.x << ", " << pi.y;
    endWithEscape();
}

// Region of one settings-panel line: its glyphs stand on the baseline at
// window height y and rise 14 pixels.
bool sameTextLine(const Frame& a, const Frame& b, double y) {
    const int base = static_cast<int>((1.0 - y) * 400.0);
    for (int r = base - 14; r <= base + 4; ++r) {
        for (int c = 15; c < 400; ++c) {
            if (a.at(c, r).r != b.at(c, r).r) return false;
        }
    }
    return true;
}

TEST_F(JourneyTest, MechanismKeysChangeTheDrawingAndThePanel) {
    launch(kDefaultStart);
    // Both vehicles stand at the start, P = (240, 360), heading 0, 80 px/m.
    // Probes: A, 0.3 m left of P (2DW1C's left motor, 1RDW1FS's rear axle);
    // B, 1 m ahead and 0.2 m left (1FDW1FS's front motor); C, 0.24 m ahead
    // (1RDW1FS's drive motor). Elsewhere they see the green body.
    const auto probe = [](const Frame& f, int x, int y, bool (*is)(Rgb)) {
        return is(f.at(x, y - 1)) && is(f.at(x, y)) && is(f.at(x, y + 1));
    };
    const Frame f1 = agvtest::grabFrame(display_, window_);
    EXPECT_TRUE(probe(f1, 240, 336, isWhite));
    EXPECT_TRUE(probe(f1, 320, 344, isGreen));
    EXPECT_TRUE(probe(f1, 259, 360, isGreen));

    type("2");
    const Frame f2 = waitFrame([&](const Frame& f) { return probe(f, 320, 344, isWhite); });
    EXPECT_TRUE(probe(f2, 240, 336, isGreen));
    EXPECT_TRUE(probe(f2, 320, 344, isWhite));
    EXPECT_TRUE(probe(f2, 259, 360, isGreen));
    EXPECT_FALSE(sameTextLine(f1, f2, 0.90));  // (1-2) 1FDW1FS AGV
    EXPECT_FALSE(sameTextLine(f1, f2, 0.85));  // (2-1) Simple P-Control

    type("3");
    const Frame f3 = waitFrame([&](const Frame& f) { return probe(f, 259, 360, isWhite); });
    EXPECT_TRUE(probe(f3, 240, 336, isDark));
    EXPECT_TRUE(probe(f3, 320, 344, isGreen));
    EXPECT_TRUE(probe(f3, 259, 360, isWhite));
    EXPECT_FALSE(sameTextLine(f2, f3, 0.90));  // (1-3) 1RDW1FS AGV
    EXPECT_TRUE(sameTextLine(f2, f3, 0.85));   // the same control law
    endWithEscape();
}

TEST_F(JourneyTest, ViewKeysMoveTheGridAndThePhasePlaneByTheirSteps) {
    launch(kDefaultStart);
    struct Step {
        char key;
        double scale, panX, panY, phaseX;
    };
    // Pans are 0.05 window units (20 px); 'w' makes the grid 72 px instead of 80.
    const Step steps[] = {{'x', 0.2, -0.05, 0.0, 0.6}, {'X', 0.2, 0.0, 0.0, 0.6},
                          {'y', 0.2, 0.0, -0.05, 0.6}, {'Y', 0.2, 0.0, 0.0, 0.6},
                          {'w', 0.18, 0.0, 0.0, 0.6},  {'W', 0.2, 0.0, 0.0, 0.6},
                          {'z', 0.2, 0.0, 0.0, 0.55},  {'Z', 0.2, 0.0, 0.0, 0.6}};
    EXPECT_EQ(gridError(agvtest::grabFrame(display_, window_), 0.2, 0.0, 0.0), "");
    for (const Step& s : steps) {
        const double frameLeft = (s.phaseX - 0.3 + 1.0) * 400.0;
        type(std::string(1, s.key));
        const Frame f = waitFrame([&](const Frame& g) {
            return gridError(g, s.scale, s.panX, s.panY).empty() &&
                   std::fabs(phaseFrameLeft(g, s.phaseX) - frameLeft) <= 1.5;
        });
        EXPECT_EQ(gridError(f, s.scale, s.panX, s.panY), "") << "after " << s.key;
        EXPECT_NEAR(phaseFrameLeft(f, s.phaseX), frameLeft, 1.5) << "after " << s.key;
    }
    endWithEscape();
}

TEST_F(JourneyTest, NewSamplingTimeShowsNewTrajectoriesWithoutAnotherKey) {
    agv::runAllSimulations(agv::pathType);
    std::vector<Px> before;
    for (int j = 0; j <= agv::nPointsPI[0]; ++j) before.push_back(mapped(agv::sampTraj[0][j]));
    agv::setSamplingTime(0.1, agv::SampleRule::Console);
    agv::designControl();
    agv::runAllSimulations(agv::pathType);
    // Points of the new green curve well clear of the old one, of the
    // vehicles at the start, of the text and of the phase-plane panel.
    std::vector<Px> probes;
    for (int j = 0; j <= agv::nPointsPI[0]; ++j) {
        const Px p = mapped(agv::sampTraj[0][j]);
        const bool shown = p.x > 5 && p.x < 795 && p.y > 180 && p.y < 795 &&
                           !(p.x > 470 && p.y < 350) && std::hypot(p.x - 240, p.y - 360) > 120;
        const bool clear = std::all_of(before.begin(), before.end(), [&](const Px& q) {
            return std::hypot(p.x - q.x, p.y - q.y) > 5.0;
        });
        if (shown && clear) probes.push_back(p);
    }
    ASSERT_GE(probes.size(), 10u);
    const auto greenProbes = [&](const Frame& f) {
        return std::count_if(probes.begin(), probes.end(),
                             [&](const Px& p) { return greenNear(f, p); });
    };

    launch(kDefaultStart);
    EXPECT_EQ(greenProbes(agvtest::grabFrame(display_, window_)), 0);
    type("t");
    ASSERT_TRUE(answer({{"入力　Ts[s]=", "0\n"}})) << tail();
    ASSERT_TRUE(answer({{"Ts= 0.000 <= 0.  設定し直し", ""}})) << tail();
    ASSERT_TRUE(answer(
        {{"入力　Ts[s]=", "0.1\n"}, {"入力 ", "n\n"}, {"計算へ", "\n"}, {"描画画面へ", "\n"}}))
        << tail();
    const Frame f = waitFrame(
        [&](const Frame& g) { return greenProbes(g) == static_cast<long>(probes.size()); });
    EXPECT_EQ(greenProbes(f), static_cast<long>(probes.size()));
    endWithEscape();
}

// Red pixels against the circle of radius 160 px about (240, 440): how many
// of 72 rays meet red near it, and the largest distance of any red pixel of
// the frame from it.
struct RedCircle {
    int rays = 0;
    int pixels = 0;
    double worst = 0.0;  // [pixels]
};
RedCircle redCircle(const Frame& f) {
    RedCircle c;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            if (!isRed(f.at(x, y))) continue;
            ++c.pixels;
            c.worst = std::max(c.worst, std::fabs(std::hypot(x + 0.5 - 240, y + 0.5 - 440) - 160));
        }
    }
    for (int deg = 0; deg < 360; deg += 5) {
        const double a = deg * agv::kPi / 180.0;
        bool red = false;
        for (double r = 155.0; r <= 165.0 && !red; r += 0.5) {
            red = isRed(f.at(static_cast<int>(std::floor(240 + r * std::cos(a))),
                             static_cast<int>(std::floor(440 - r * std::sin(a)))));
        }
        c.rays += red ? 1 : 0;
    }
    return c;
}

TEST_F(JourneyTest, PathChangeDrawsTheCircle) {
    launch(kDefaultStart);
    EXPECT_GT(redCircle(agvtest::grabFrame(display_, window_)).worst, 100.0);  // the straight path
    type("c");
    ASSERT_TRUE(answer({{"I= ", "1\n"},
                        {"入力 ", "n\n"},
                        {"入力 ", "n\n"},
                        {"入力 ", "n\n"},
                        {"計算へ", "\n"},
                        {"描画画面へ", "\n"}}))
        << tail();
    // The 4-px red line (0.01 units) lies under both trajectories, which run
    // along it once they reach it; its edges and the stretches they miss
    // still show.
    const Frame f = waitFrame([](const Frame& g) {
        const RedCircle c = redCircle(g);
        return c.worst <= 2.5 && c.rays >= 50;
    });
    const RedCircle c = redCircle(f);
    EXPECT_LE(c.worst, 2.5);  // the line is 4 px wide
    EXPECT_GE(c.rays, 50);
    EXPECT_GE(c.pixels, 500);
    endWithEscape();
}

TEST_F(JourneyTest, UnknownKeyChangesNothingAndEscapeEndsWithStatusZero) {
    launch(kDefaultStart);
    const Frame before = agvtest::grabFrame(display_, window_);
    type("q");
    // Nothing to wait for; a pan there and back proves 'q' was handled and
    // left no state behind that the next redraw would show.
    type("x");
    waitFrame([&](const Frame& f) { return gridError(f, 0.2, -0.05, 0.0).empty(); });
    type("X");
    const Frame after = waitFrame([&](const Frame& f) { return f == before; });
    EXPECT_TRUE(after == before);
    endWithEscape();
}

TEST_F(JourneyTest, KeyToFrameLatencyAtFullStores) {
    agv::setSamplingTime(0.005, agv::SampleRule::Console);
    agv::designControl();
    agv::runAllSimulations(agv::pathType);
    ASSERT_EQ(agv::nPointsPC[0], agv::kMaxRecords - 2);
    ASSERT_EQ(agv::nPointsPI[0], agv::kMaxRecords - 2);
    launch({{"I= ", "0\n"},
            {"入力 ", "n\n"},
            {"入力 ", "y\n"},
            {"入力　Ts[s]=", "0.005\n"},
            {"入力 ", "n\n"},
            {"計算へ", "\n"},
            {"描画画面へ", "\n"}});
    // Each 's' moves the vehicles 0.01 m (0.8 px): the outlines around them change.
    const auto region = [&] { return agvtest::grabRect(display_, window_, 180, 290, 220, 150); };
    std::vector<double> ms;
    for (int i = 0; i < 30; ++i) {
        Frame previous = region();
        for (auto end = Clock::now() + std::chrono::seconds(2); Clock::now() < end;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const Frame now = region();
            if (now == previous) break;
            previous = now;
        }
        const auto start = Clock::now();
        type("s");
        for (auto end = start + std::chrono::seconds(2); Clock::now() < end;) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));  // leave the CPU to agvsim
            if (!(region() == previous)) {
                ms.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                break;
            }
        }
    }
    ASSERT_GE(ms.size(), 20u) << "too few steps changed the picture";
    std::sort(ms.begin(), ms.end());
    std::printf(
        "key-to-frame latency of 's' at %d records: median %.1f ms, min %.1f, max %.1f (%zu "
        "keys)\n",
        agv::nPointsPC[0], ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
    RecordProperty("key_to_frame_median_ms", std::to_string(ms[ms.size() / 2]));
    endWithEscape();
}

}  // namespace

// Start-up to the first frame, with every console answer typed ahead: the
// design, the six runs and the window. Printed, not asserted.
TEST_F(JourneyTest, StartUpToFirstFrameTime) {
    for (const char* ts : {"0.2", "0.005"}) {
        const auto start = Clock::now();
        app_ = startChild({AGV_PROGRAM});
        sendInput(app_, std::string("0\nn\ny\n") + ts + "\nn\n\n\n", false);
        window_ = agvtest::findWindow(display_, kTitlePart, kWaitSeconds);
        ASSERT_NE(window_, 0u) << "no window";
        waitFrame([&](const Frame& f) { return isWhite(f.at(5, 790)); });
        std::printf("start-up to first frame at Ts = %s s: %.0f ms\n", ts,
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        endWithEscape();
        for (auto end = Clock::now() + std::chrono::seconds(5);
             window_ != 0 && Clock::now() < end;) {
            window_ = agvtest::findWindow(display_, kTitlePart, 0.0);
        }
    }
}
