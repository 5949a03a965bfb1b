// Time of one whole frame of the window at full trajectories, on a private
// Xvfb with Mesa's software renderer (llvmpipe).
//
// State: the start-up defaults with Ts = 0.005 s, so that every store holds
// 3000 records (nPointsPC = nPointsPI = 2998); mechanism 2DW1C on the
// straight line. A frame is beginFrame + composeScene + endFrame (flush and
// swap) + glFinish, timed one by one.
//
// BM_Frame/records:N  the whole frame with the bounds of the shown mechanism
//                     cut by hand to N stored records (both stores).
// BM_Curves/way:W     only the two trajectories of 3000 records (5996
//                     segments) after a clear, drawn five ways, to show what
//                     GL state changes between segments cost on llvmpipe:
//                       0 drawSegment, as the program draws them;
//                       1 colour, width, glBegin/glEnd and a width reset to
//                         the same 2 pixels per segment, lighting left off;
//                       2 colour and width once per curve, a glBegin/glEnd
//                         per segment;
//                       3 one GL_LINES per curve;
//                       4 lighting switched off and on around every segment
//                         (any state change between segments stops Mesa from
//                         merging them into one draw).
// Counters: p50 and p90 = median and 90th percentile of the frame times of
// the run [ms] (the default time column is the mean).
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/gl_window.h"
#include "bench/xvfb_server.h"
#include "graphics/primitives.h"
#include "graphics/scene.h"
#include "graphics/window.h"
#include "sim/parameters.h"
#include "sim/runs.h"
#include "sim/settings.h"

namespace {

constexpr double kFullRunTs = 0.005;  // [s] fills every store: 20 s of travel > 3000 records
int fullBoundPC = 0;                  // bounds of mechanism 1 after the full runs
int fullBoundPI = 0;

void loadFullRuns() {
    agv::applyStartupDefaults();
    agv::changeSamplingTime(kFullRunTs, agv::SampleRule::Console);
    agv::runAllSimulations(agv::StraightLine);
    agv::resetViewAfterRun();
    fullBoundPC = agv::nPointsPC[0];
    fullBoundPI = agv::nPointsPI[0];
}

// Times `frame` once per iteration and reports the median and 90th percentile.
template <class Frame>
void timeFrames(benchmark::State& state, Frame frame) {
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        frame();
        glFinish();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        ms.push_back(took.count() * 1e3);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["p50"] = ms[ms.size() / 2];
    state.counters["p90"] = ms[ms.size() * 9 / 10];
}

void BM_Frame(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    agv::nPointsPC[0] = std::min(records - 2, fullBoundPC);
    agv::nPointsPI[0] = std::min(records - 2, fullBoundPI);
    timeFrames(state, [] { agv::displayScene(); });
    state.counters["segments"] = std::max(0, 2 * (agv::nPointsPC[0] + agv::nPointsPI[0]));
    agv::nPointsPC[0] = fullBoundPC;
    agv::nPointsPI[0] = fullBoundPI;
}
BENCHMARK(BM_Frame)
    ->ArgName("records")
    ->Arg(1)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(3000)
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);

void emitCurve(int variant, const agv::VehicleState* traj, int bound, const agv::Rgba& c) {
    const double w = agv::kTrajectoryWidth;
    if (variant == 4) {
        agv::Point2 prev = agv::worldToWindow(traj[0].x, traj[0].y);
        glLineWidth(static_cast<float>(w * agv::kPixelsPerUnit));
        for (int j = 1; j <= bound; ++j) {
            const agv::Point2 cur = agv::worldToWindow(traj[j].x, traj[j].y);
            glDisable(GL_LIGHTING);
            glColor4f(c.r, c.g, c.b, c.a);
            glBegin(GL_LINES);
            glVertex2d(prev.x, prev.y);
            glVertex2d(cur.x, cur.y);
            glEnd();
            glEnable(GL_LIGHTING);
            prev = cur;
        }
        return;
    }
    if (variant == 0) {
        agv::Point2 prev = agv::worldToWindow(traj[0].x, traj[0].y);
        for (int j = 1; j <= bound; ++j) {
            const agv::Point2 cur = agv::worldToWindow(traj[j].x, traj[j].y);
            agv::drawSegment(prev, cur, w, c);
            prev = cur;
        }
        return;
    }
    glDisable(GL_LIGHTING);
    glColor4f(c.r, c.g, c.b, c.a);
    glLineWidth(static_cast<float>(w * agv::kPixelsPerUnit));
    if (variant == 3) glBegin(GL_LINES);
    agv::Point2 prev = agv::worldToWindow(traj[0].x, traj[0].y);
    for (int j = 1; j <= bound; ++j) {
        const agv::Point2 cur = agv::worldToWindow(traj[j].x, traj[j].y);
        if (variant == 1) {  // drawSegment's calls, lighting left off
            glColor4f(c.r, c.g, c.b, c.a);
            glLineWidth(static_cast<float>(w * agv::kPixelsPerUnit));
        }
        if (variant != 3) glBegin(GL_LINES);
        glVertex2d(prev.x, prev.y);
        glVertex2d(cur.x, cur.y);
        if (variant != 3) glEnd();
        if (variant == 1) glLineWidth(agv::kSegmentRestWidth);
        prev = cur;
    }
    if (variant == 3) glEnd();
    glEnable(GL_LIGHTING);
}

void BM_Curves(benchmark::State& state) {
    const int variant = static_cast<int>(state.range(0));
    timeFrames(state, [variant] {
        agv::beginFrame();
        emitCurve(variant, agv::contTraj[0], fullBoundPC, agv::kBlue);
        emitCurve(variant, agv::sampTraj[0], fullBoundPI, agv::kGreen);
    });
}
BENCHMARK(BM_Curves)->ArgName("way")->DenseRange(0, 4)->UseManualTime()->MinTime(1.0)->Unit(
    benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);  // Mesa's software renderer
    if (agvtest::startXvfb().empty()) {
        std::fprintf(stderr, "bench_frame: could not start Xvfb\n");
        return 1;
    }
    agvtest::openPictureWindow();
    benchmark::AddCustomContext("GL_RENDERER",
                                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    loadFullRuns();
    if (fullBoundPC != agv::kMaxRecords - 2 || fullBoundPI != agv::kMaxRecords - 2) {
        std::fprintf(stderr, "bench_frame: stores not full (%d, %d)\n", fullBoundPC, fullBoundPI);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    glutExit();
    agvtest::stopXvfb();
    return 0;
}
