// The scene, the vehicle drawings, the phase plane and the keys, drawn into
// the recording stand-in of the primitives (recorder.cpp) and compared call by
// call with what the drawing dimensions and the view mappings give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "console/startup.h"
#include "graphics/agv.h"
#include "graphics/keys.h"
#include "graphics/phase_plane.h"
#include "graphics/scene.h"
#include "sim/runs.h"

using namespace agv;
using Call = std::pair<std::string, std::vector<double>>;  // name, values (colour last)
using Calls = std::vector<Call>;
extern Calls recordedCalls;

namespace {

constexpr double kTol = 1e-12;  // [window units] the same sums taken in another order
constexpr double kPiD = 3.14159265358979;

// clang-format off
Call mk(std::string name, std::vector<double> v, Rgba c) {
    return v.insert(v.end(), {c.r, c.g, c.b, c.a}), Call{name, v};
}
auto seg = [](Point2 p, Point2 q, double w, Rgba c) { return mk("Segment", {p.x, p.y, q.x, q.y, w}, c); };
auto disc = [](Point2 p, double r, Rgba c) { return mk("Disc", {p.x, p.y, r}, c); };
auto text = [](float x, float y, std::string s) { return Call{"Text:" + s, {x, y}}; };
auto recorded = [](auto draw) { recordedCalls.clear(), draw(); return std::move(recordedCalls); };
// Point (a, b) [m] of the frame at o [window units] turned by r [rad].
Point2 at(Point2 o, double r, double a, double b) {
    const double s = viewScale;
    return {o.x + s * (a * cos(r) - b * sin(r)), o.y + s * (a * sin(r) + b * cos(r))};
}
// A record's position in the vehicle view: the world origin at (-2, -0.5) m.
Point2 W(const VehicleState& r) { return at({viewPanX - 2 * viewScale, viewPanY - viewScale / 2}, 0, r.x, r.y); }
void reset() { applyStartupDefaults(), viewScale = 0.3, viewPanX = 0.1, viewPanY = -0.05; }
void expectCalls(const Calls& got, const Calls& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].first + std::to_string(got[i].second.size()),
                  want[i].first + std::to_string(want[i].second.size())) << "call " << i;
        for (size_t k = 0; k < got[i].second.size(); ++k)
            ASSERT_NEAR(got[i].second[k], want[i].second[k], kTol) << i << want[i].first << k;
    }
}

// Vehicle drawing from its parts [m]: kind, frame (b: body frame at P turned by
// theta; s: steering frame at the pivot 1 m ahead, turned by theta + phi) and
// up to two points. B body, W large wheel, w small wheel, L thick and l thin
// line, X box by its corner, Y fork yoke, P pivot.
Calls vehicle(const std::string& parts, Point2 p, double th, double ph, Rgba col) {
    const double s = viewScale;
    Calls e;
    std::istringstream in(parts);
    for (std::string t; in >> t;) {
        double a = 0, b = 0, c = 0, d = 0, r = t[1] == 'b' ? th : th + ph;
        sscanf(t.c_str() + 2, "%lf,%lf,%lf,%lf", &a, &b, &c, &d);
        const Point2 o = t[1] == 'b' ? p : at(p, th, 1, 0), q = at(o, r, a, b), q2 = at(o, r, c, d);
        auto two = [&](const char* n1, const char* n2, std::vector<double> v) {
            e.insert(e.end(), {mk(n1, v, kWhite), mk(n2, v, kBlack)});
        };
        if (t[0] == 'B') e.push_back(mk("BodyShape", {p.x, p.y, 1.2 * s, s, .2 * s, .5235988, th}, col));
        if (t[0] == 'W') e.push_back(mk("Capsule", {q.x, q.y, .24 * s, .12 * s, r}, col));
        if (t[0] == 'L' || t[0] == 'l') e.push_back(seg(q, q2, (t[0] == 'L' ? .04 : .008) * s, kBlack));
        if (t[0] == 'w') two("Capsule", "CapsuleOutline", {q.x, q.y, .12 * s, .08 * s, r});
        if (t[0] == 'X') two("Rect", "RectOutline", {q.x, q.y, .16 * s, .16 * s, r});
        if (t[0] == 'Y') two("HalfDisc", "HalfCircle", {o.x, o.y, .04 * s, r - kPiD / 2});
        if (t[0] == 'P') two("Disc", "Circle", {o.x, o.y, .04 * s});
    }
    return e.push_back(disc(p, .04 * s, kWhite)), e;  // the reference point
}
// clang-format on

TEST(Drawing, VehiclesPartByPartInBodyAndSteeringFrames) {
    reset();
    // clang-format off
    const std::string wheels = " Wb0,.6 Wb0,-.6 ", axle = " Lb0,.6,0,-.6 ",
        fork = " Ys ls.048,.048,-.048,.048 ls.048,-.048,-.048,-.048 ";
    const std::string mech[] = {"",
        "Bb" + wheels + "Lb0,.54,0,.38 Xb-.08,.22 Lb0,-.54,0,-.38 Xb-.08,-.38 ws-.2,0 Ls0,0,-.08,0"
            " ls-.08,.048,-.24,.048 ls-.08,.048,-.08,-.048 ls-.24,-.048,-.08,-.048 Ps",
        axle + "Bb" + wheels + fork + "ws Ls0,.04,0,.12 Xs-.08,.12",
        "Bb" + axle + wheels + "Xb-.08,-.08 lb-.08,-.08,.08,.08 lb.08,-.08,-.08,.08 Lb.08,0,.16,0"
            " Xb.16,-.08" + fork + "ws"};
    // clang-format on
    for (int type : {1, 2, 3, 0}) {
        agvType = type;
        const Calls got = recorded([] { drawAgv({1.5, 0.7}, 0.4, -0.3, kGreen); });
        expectCalls(got, vehicle(mech[type], W({0, 0, 1.5, 0.7, 0}), 0.4, -0.3, kGreen));
    }
}

TEST(Drawing, FramesInOrderWithinTheStoredRecords) {
    reset();
    for (int j = 0; j < kMechanismCount * kMaxRecords; ++j) {  // records differing in every field
        (&contTraj[0][0])[j] = {0.0, 0.01 * j, 0.1 * j, 1.0 + 0.01 * j, 0.3 - 0.001 * j};
        (&sampTraj[0][0])[j] = {0.0, 0.02 * j, 0.1 * j, 1.0 - 0.02 * j, 0.001 * j};
    }
    const char* names[] = {"(1-1) 2DW1C AGV", "(1-2) 1FDW1FS AGV", "(1-3) 1RDW1FS AGV"};
    // clang-format off
    struct { int type, path, nPC, nPI, sampleK, indexPC, indexPI; double fn, zeta, ts; const char* line; } rows[] = {
        {1, 0, 4, 4, 3, 2, 3, 0.3, 0.707, 0.2, "fn=0.30[Hz],zeta=0.707, Ts=0.20[s]\n"},
        {2, 1, 6, 3, 1, 6, 0, 1.25, 0.5, 0.25, "fn=1.25[Hz],zeta=0.500, Ts=0.25[s]\n"},
        {3, 0, 5, 2, 9, 0, 3, 0.29, 0.707, 12.0, "fn=0.28[Hz],zeta=0.707, Ts=#.##[s]\n"},
        {1, 1, 5000, -1, 1000000, 9999, 7, NAN, 10.0, 9.5, "fn=#.##[Hz],zeta=#.###, Ts=9.50[s]\n"},
        {2, 0, -1, 2998, 0, 0, 2, 1.999, -0.1, 0.2, "fn=1.99[Hz],zeta=#.###, Ts=0.20[s]\n"}};
    const double s = viewScale, l = -0.95;  // [window units] left edge of the panel
    const Point2 o = W({});
    auto circle = [&](int i) { return at(o, i * 2 * kPiD / 100, 2.0, 0.0); };
    auto veh = [](const VehicleState& v, Rgba c) { return recorded([&] { drawAgv({v.x, v.y}, v.theta, v.phi, c); }); };
    phasePlaneX = 0.5, x0 = 0.5, agv::y0 = 1.2, stepsPerSample = 2;
    for (const auto& r : rows) {
        const int m = r.type - 1, lastPC = std::min(r.nPC + 1, kMaxRecords - 1);
        agvType = r.type, pathType = r.path, nPointsPC[m] = r.nPC, nPointsPI[m] = r.nPI;
        animSampleK = r.sampleK, animIndexPC = r.indexPC, animIndexPI = r.indexPI;
        fn = r.fn, zeta = r.zeta, Ts = r.ts;
        Calls e = {{"begin", {}}, text(-0.99, 0.95, "AGV Continuous(PC) and Sampled Data(PI) Control"),
            text(l, .9, names[m]), text(l, .85, m ? "(2-1) Simple P-Control" : "(2-2) PI-Control"),
            text(l + .12, .8, r.line), text(l, .75, r.path ? "(3) Path=Circle" : "(3) Path=Straight Line"),
            text(l + .05, .7, "Blue  Curve : Trajectory by Continuous-Control"),
            text(l + .05, .65, "Green Curve : Trajectory by Sampled-Data-Control"),
            text(l + .05, .6, "1 grid=(1.0, 1.0)[m]"), {"Grid", {o.x, o.y, 0, 40, s, s}}};
        if (r.path == 0) e.push_back(seg(o, {o.x + 30 * s, o.y}, 0.013, kRed));
        for (int i = 0; r.path == 1 && i <= 100; ++i)
            e.push_back(seg(circle(std::max(i - 1, 0)), circle(i), .01, kRed));
        for (int j = 1; j <= std::min(r.nPC, 2998); ++j)  // a full store's bound is 2998
            e.push_back(seg(W(contTraj[m][j - 1]), W(contTraj[m][j]), .005, kBlue));
        for (int j = 1; j <= std::min(r.nPI, 2998); ++j)
            e.push_back(seg(W(sampTraj[m][j - 1]), W(sampTraj[m][j]), .005, kGreen));
        e.push_back(disc(W({0, 0, 0.5, 1.2, 0}), 0.008, kBlack));
        for (int k = 0; k <= r.sampleK && 2 * k <= std::min(r.nPI + 1, 2999); ++k)  // stored ones
            e.push_back(disc(W(sampTraj[m][2 * k]), .03 * s, kBlack));
        for (const Calls& part : {veh(contTraj[m][std::min(r.indexPC, lastPC)], kBlue),
                 veh(sampTraj[m][std::min(r.indexPI, std::max(r.nPI + 1, 0))], kGreen),
                 Calls{mk("Rect", {.5 - .4, .55 - .4, 2, 10, 0}, kWhite)},
                 recorded([&] { drawPhasePlane(r.type, r.indexPC, r.indexPI); }), Calls{{"end", {}}}})
            e.insert(e.end(), part.begin(), part.end());
        SCOPED_TRACE(r.line);
        expectCalls(recorded(displayScene), e);
    }
    // clang-format on
}

TEST(Drawing, PhasePlaneLabelsFrameDotsAndCurveBreaks) {
    reset();
    const double x = phasePlaneX = 0.45, y = phasePlaneY = 0.5, w = 0.3, h = 0.3;
    const double eth[] = {0.2, 3.1, -3.1, 1.5, -1.5, 0.0};  // steps 2.9, 6.2, 4.6, 3.0, 1.5 [rad]
    for (int j = 0; j < 6; ++j) {
        contErr[1][j].dd = 0.1 * j - 0.2, contErr[1][j].eth = eth[j];
        sampErr[1][j].dd = -0.05 * j, sampErr[1][j].eth = eth[j] / 2;  // steps 1.45, 3.1 < pi
    }
    nPointsPC[1] = 5, nPointsPI[1] = 2;
    // clang-format off
    auto q = [&](int j, const TrackError* e) { return Point2{x + 0.3 * e[j].dd, y + 0.3 / kPiD * e[j].eth}; };
    Calls e = {text(x + .1, y - .05, "dd(t)"), text(x - .1, y + .2, "dth[rad]"),
        text(x - .11, y + .38, "blue :Conti-Control"), text(x - .11, y + .33, "green:Sample-Control"),
        text(x - .2, y - .35, "(dd,dth) Phase Plane"), seg({x + w, y}, {x - w, y}, .006, kBlack),
        seg({x + w, y - h}, {x - w, y - h}, .006, kBlack), seg({x + w, y + h}, {x - w, y + h}, .006, kBlack),
        seg({x, y + h}, {x, y - h}, .006, kBlack), seg({x - w, y + h}, {x - w, y - h}, .006, kBlack),
        seg({x + w, y + h}, {x + w, y - h}, .006, kBlack), disc(q(0, contErr[1]), .01, kBlue),
        disc(q(3, contErr[1]), .006, kBlue)};
    for (int j : {1, 4, 5}) e.push_back(seg(q(j - 1, contErr[1]), q(j, contErr[1]), .005, kBlue));
    for (int j : {1, 2}) e.push_back(seg(q(j - 1, sampErr[1]), q(j, sampErr[1]), .005, kGreen));
    e.insert(e.end(), {disc(q(0, sampErr[1]), .006, kBlack), disc(q(1, sampErr[1]), .006, kBlack)});
    // clang-format on
    expectCalls(recorded([] { drawPhasePlane(2, 3, 1); }), e);
}

TEST(Drawing, KeysStepPanZoomAndRedrawOneFrameEach) {
    reset();
    nPointsPC[0] = nPointsPI[0] = 100, nPointsPC[1] = 7, nPointsPI[1] = 5;
    nPointsPC[2] = nPointsPI[2] = -1;  // only record 0 stored
    double *px = &viewPanX, *py = &viewPanY, *sc = &viewScale, *pp = &phasePlaneX;
    // Keys typed from mechanism 1 at record 0: mechanism, indices, one view value after them.
    // clang-format off
    struct { std::string keys; int type, indexPC, indexPI, sampleK; double* view; double want; } rows[] = {
        {"sssss", 1, 10, 10, 1, sc, .3}, {"ss2", 2, 0, 0, 0, sc, .3}, {"ss3", 3, 0, 0, 0, sc, .3},
        {"ss1", 1, 0, 0, 0, sc, .3}, {"ss0", 1, 0, 0, 0, sc, .3}, {"2ssssss", 2, 7, 5, 0, sc, .3},
        {"3s", 3, 0, 0, 0, sc, .3}, {"x", 1, 0, 0, 0, px, .05}, {"X", 1, 0, 0, 0, px, .15},
        {"y", 1, 0, 0, 0, py, -.1}, {"Y", 1, 0, 0, 0, py, 0}, {"w", 1, 0, 0, 0, sc, .27},
        {"W", 1, 0, 0, 0, sc, .3 / .9}, {"zzz", 1, 0, 0, 0, pp, .45}, {"Z", 1, 0, 0, 0, pp, .65},
        {"q", 1, 0, 0, 0, sc, .3}};
    for (const auto& r : rows) {
        agvType = 1, animIndexPC = animIndexPI = animSampleK = 0;
        viewPanX = .1, viewPanY = -.05, viewScale = .3, phasePlaneX = .6;
        const Calls c = recorded([&] { for (char k : r.keys) onKey(k, 0, 0); });
        const long n = r.keys.size() - std::count(r.keys.begin(), r.keys.end(), 'q');  // frames
        EXPECT_EQ(std::vector<long>({agvType, animIndexPC, animIndexPI, animSampleK, currentKey,
                                     std::count(c.begin(), c.end(), Call{"begin", {}}),
                                     std::count(c.begin(), c.end(), Call{"end", {}})}),
                  std::vector<long>({r.type, r.indexPC, r.indexPI, r.sampleK, r.keys.back(), n, n}))
            << r.keys;
        EXPECT_NEAR(*r.view, r.want, kTol) << r.keys;
    }
    // clang-format on
}

}  // namespace
