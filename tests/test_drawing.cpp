// The scene with its vehicles and phase plane, and the keys, drawn into the
// recording stand-in of the primitives (recorder.cpp) and compared call by
// call with what the drawing dimensions and the view mappings give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "graphics/keys.h"
#include "graphics/scene.h"
#include "sim/runs.h"
#include "sim/settings.h"

using namespace agv;
using Call = std::pair<std::string, std::vector<double>>;  // name, values (colour last)
using Calls = std::vector<Call>;
extern Calls recordedCalls;
struct ProgramEnded {};  // thrown by the stand-in's endProgram

namespace {

constexpr double kTol = 1e-12;  // [window units] the same sums taken in another order
// The picture's colours as the program's description gives them: alpha 0 in all.
const Rgba red{1, 0, 0, 0}, green{0, 1, 0, 0}, blue{0, 0, 1, 0}, white{1, 1, 1, 0};
const Rgba black{0, 0, 0, 0};

Call mk(std::string name, std::vector<double> v, Rgba c) {
    return v.insert(v.end(), {c.r, c.g, c.b, c.a}), Call{name, v};
}
auto seg = [](Point2 p, Point2 q, double w, Rgba c) {
    return mk("Segment", {p.x, p.y, q.x, q.y, w}, c);
};
auto disc = [](Point2 p, double r, Rgba c) { return mk("Disc", {p.x, p.y, r}, c); };
auto text = [](float x, float y, std::string s) { return Call{"Text:" + s, {x, y}}; };
auto recorded = [](auto draw) {
    recordedCalls.clear(), draw();
    return std::move(recordedCalls);
};
// Point (a, b) [m] of the frame at o [window units] turned by r [rad].
Point2 at(Point2 o, double r, double a, double b) {
    const double s = viewScale;
    return {o.x + s * (a * cos(r) - b * sin(r)), o.y + s * (a * sin(r) + b * cos(r))};
}
// A record's position in the vehicle view: the world origin at (-2, -0.5) m.
Point2 W(const VehicleState& r) {
    return {(r.x - 2.0) * viewScale + viewPanX, (r.y - 0.5) * viewScale + viewPanY};
}
void expectCalls(const Calls& got, const Calls& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {  // .at() throws, and fails, on a length mismatch
        ASSERT_EQ(got[i].first, want[i].first) << what << " call " << i;
        for (size_t k = 0; k < std::max(got[i].second.size(), want[i].second.size()); ++k)
            ASSERT_NEAR(got[i].second.at(k), want[i].second.at(k), kTol)
                << what << i << got[i].first << k;
    }
}

// The parts [m] of each mechanism's drawing: kind, frame (b: body frame at P
// turned by theta; s: steering frame at the pivot 1 m ahead, turned by
// theta + phi), up to two points. B body, W large wheel, w small wheel, L thick
// and l thin line, X box by its corner, Y fork yoke, P pivot.
const std::string kWheels = " Wb0,.6 Wb0,-.6 ", kAxle = " Lb0,.6,0,-.6 ",
                  kFork = " Ys ls.048,.048,-.048,.048 ls.048,-.048,-.048,-.048 ";
// clang-format off
const std::string kParts[] = {
    "Bb" + kWheels + "Lb0,.54,0,.38 Xb-.08,.22 Lb0,-.54,0,-.38 Xb-.08,-.38 ws-.2,0 Ls0,0,-.08,0"
        " ls-.08,.048,-.24,.048 ls-.08,.048,-.08,-.048 ls-.24,-.048,-.08,-.048 Ps",
    kAxle + "Bb" + kWheels + kFork + "ws Ls0,.04,0,.12 Xs-.08,.12",
    "Bb" + kAxle + kWheels + "Xb-.08,-.08 lb-.08,-.08,.08,.08 lb.08,-.08,-.08,.08 Lb.08,0,.16,0"
        " Xb.16,-.08" + kFork + "ws"};
// clang-format on
Calls vehicle(int m, const VehicleState& v, Rgba col) {
    const double s = viewScale, th = v.theta;
    const Point2 p = W(v);
    Calls e;
    std::istringstream in(kParts[m]);
    for (std::string t; in >> t;) {
        double a = 0, b = 0, c = 0, d = 0, r = t[1] == 'b' ? th : th + v.phi;
        sscanf(t.c_str() + 2, "%lf,%lf,%lf,%lf", &a, &b, &c, &d);
        const Point2 o = t[1] == 'b' ? p : at(p, th, 1, 0), q = at(o, r, a, b), q2 = at(o, r, c, d);
        auto two = [&](const char* n1, const char* n2, std::vector<double> v) {
            e.insert(e.end(), {mk(n1, v, white), mk(n2, v, black)});
        };
        if (t[0] == 'B')
            e.push_back(mk("BodyShape", {p.x, p.y, 1.2 * s, s, .2 * s, .5235988, r}, col));
        if (t[0] == 'W') e.push_back(mk("Capsule", {q.x, q.y, .24 * s, .12 * s, r}, col));
        if (toupper(t[0]) == 'L') e.push_back(seg(q, q2, (t[0] == 'L' ? .04 : .008) * s, black));
        if (t[0] == 'w') two("Capsule", "CapsuleOutline", {q.x, q.y, .12 * s, .08 * s, r});
        if (t[0] == 'X') two("Rect", "RectOutline", {q.x, q.y, .16 * s, .16 * s, r});
        if (t[0] == 'Y') two("HalfDisc", "HalfCircle", {o.x, o.y, .04 * s, r - kPi / 2});
        if (t[0] == 'P') two("Disc", "Circle", {o.x, o.y, .04 * s});
    }
    return e.push_back(disc(p, .04 * s, white)), e;  // the reference point
}

TEST(Drawing, FramesInOrderWithinTheStoredRecords) {
    applyStartupDefaults(), stepsPerSample = 2;
    const double eth[] = {0.2, 3.1, -3.1, 1.5, -1.5, 0.0};  // [rad] steps 2.9, 6.2, 4.6, 3, 1.5
    const bool joined[] = {1, 1, 0, 0, 1, 1}, all[] = {1, 1, 1, 1, 1, 1};  // step into j % 6 < pi
    for (int j = 0; j < kMechanismCount * kMaxRecords; ++j) {  // records differ in every field
        (&contTraj[0][0])[j] = {0.0, 0.01 * j, 0.1 * j, 1.0 + 0.01 * j, 0.3 - 0.001 * j};
        (&sampTraj[0][0])[j] = {0.0, 0.02 * j, 0.1 * j, 1.0 - 0.02 * j, 0.001 * j};
        (&contErr[0][0])[j].dd = 0.01 * j - 0.2, (&contErr[0][0])[j].eth = eth[j % 6];
        (&sampErr[0][0])[j].dd = -0.02 * j, (&sampErr[0][0])[j].eth = eth[j % 6] / 2;  // all < pi
    }
    const char* names[] = {"(1-1) 2DW1C AGV", "(1-2) 1FDW1FS AGV", "(1-3) 1RDW1FS AGV"};
    // clang-format off
    struct { int type, path, nPC, nPI, K, iPC, iPI; double fn, zeta, ts; const char* line;
    } rows[] = {{1, 0, 4, 4, 3, 2, 3, 0.3, 0.707, 0.2, "fn=0.30[Hz],zeta=0.707, Ts=0.20[s]\n"},
        {2, 1, 7, 3, 1, 6, 2, 1.25, 0.5, 0.25, "fn=1.25[Hz],zeta=0.500, Ts=0.25[s]\n"},
        {3, 0, 5, 2, 9, 4, 3, 0.29, 0.707, 12.0, "fn=0.28[Hz],zeta=0.707, Ts=#.##[s]\n"},
        {1, 1, 5000, -1, 1000000, 9999, 7, NAN, 10., 9.5, "fn=#.##[Hz],zeta=#.###, Ts=9.50[s]\n"},
        {2, 0, -1, 2998, 0, 0, 2, 1.999, -0.1, 0.2, "fn=1.99[Hz],zeta=#.###, Ts=0.20[s]\n"}};
    // clang-format on
    // A non-default view and phase plane; panel edge and phase-plane centre [window units].
    viewScale = 0.3, viewPanX = 0.1, viewPanY = -0.05, phasePlaneX = 0.5, x0 = 0.5, agv::y0 = 1.2;
    const double s = viewScale, l = -0.95, x = 0.5, y = 0.55, h = 0.3;
    const Point2 o = W({});
    const Rgba k = black;
    auto q = [&](const TrackError& e) { return Point2{x + 0.3 * e.dd, y + 0.3 / kPi * e.eth}; };
    for (const auto& r : rows) {
        const int m = r.type - 1, pc = std::min(r.iPC, std::min(r.nPC + 1, kMaxRecords - 1)),
                  pi = std::min(r.iPI, std::max(r.nPI + 1, 0));  // records stored: 0..n + 1
        agvType = r.type, pathType = r.path, nPointsPC[m] = r.nPC, nPointsPI[m] = r.nPI, fn = r.fn;
        animSampleK = r.K, animIndexPC = r.iPC, animIndexPI = r.iPI, zeta = r.zeta, Ts = r.ts;
        Calls e = {{"begin", {}},
                   text(-0.99, 0.95, "AGV Continuous(PC) and Sampled Data(PI) Control"),
                   text(l, .9, names[m]),
                   text(l, .85, m ? "(2-1) Simple P-Control" : "(2-2) PI-Control"),
                   text(l + .12, .8, r.line),
                   text(l, .75, r.path ? "(3) Path=Circle" : "(3) Path=Straight Line"),
                   text(l + .05, .7, "Blue  Curve : Trajectory by Continuous-Control"),
                   text(l + .05, .65, "Green Curve : Trajectory by Sampled-Data-Control"),
                   text(l + .05, .6, "1 grid=(1.0, 1.0)[m]"),
                   {"Grid", {o.x, o.y, 0, 40, s, s}}};
        auto poly = [&](auto pt, const auto* v, int n, Rgba c, const bool* keep) {
            for (int j = 1; j <= std::min(n, 2998); ++j)  // a full store's bound is 2998
                if (keep[j % 6]) e.push_back(seg(pt(v[j - 1]), pt(v[j]), .005, c));
        };
        if (r.path == 0) e.push_back(seg(o, {o.x + 30 * s, o.y}, 0.013, red));
        for (int i = 0; r.path == 1 && i <= 100; ++i)  // radius 2 m about O, 101 segments
            e.push_back(seg(at(o, std::max(i - 1, 0) * 2 * kPi / 100, 2, 0),
                            at(o, i * 2 * kPi / 100, 2, 0), .01, red));
        poly(W, contTraj[m], r.nPC, blue, all), poly(W, sampTraj[m], r.nPI, green, all);
        e.push_back(disc(W({0, 0, 0.5, 1.2, 0}), 0.008, k));
        for (int i = 0; i <= r.K && 2 * i <= std::min(r.nPI + 1, 2999); ++i)  // stored ones
            e.push_back(disc(W(sampTraj[m][2 * i]), .03 * s, k));
        for (const Calls& v :
             {vehicle(m, contTraj[m][pc], blue), vehicle(m, sampTraj[m][pi], green),
              Calls{mk("Rect", {x - .4, y - .4, 2, 10, 0}, white), text(x + .1, y - .05, "dd(t)"),
                    text(x - .1, y + .2, "dth[rad]"), text(x - .11, y + .38, "blue :Conti-Control"),
                    text(x - .11, y + .33, "green:Sample-Control"),
                    text(x - .2, y - .35, "(dd,dth) Phase Plane")}})
            e.insert(e.end(), v.begin(), v.end());
        for (double v : {0.0, -h, h}) e.push_back(seg({x + h, y + v}, {x - h, y + v}, .006, k));
        for (double v : {0.0, -h, h}) e.push_back(seg({x + v, y + h}, {x + v, y - h}, .006, k));
        e.insert(e.end(),
                 {disc(q(contErr[m][0]), .01, blue), disc(q(contErr[m][pc]), .006, blue)});
        poly(q, contErr[m], r.nPC, blue, joined), poly(q, sampErr[m], r.nPI, green, all);
        e.insert(e.end(),
                 {disc(q(sampErr[m][0]), .006, k), disc(q(sampErr[m][pi]), .006, k), {"end", {}}});
        expectCalls(recorded(displayScene), e, r.line);
    }
}

TEST(Drawing, KeysStepPanZoomAndRedrawOneFrameEach) {
    applyStartupDefaults(), nPointsPC[0] = nPointsPI[0] = 100, nPointsPC[1] = 7, nPointsPI[1] = 5;
    nPointsPC[2] = nPointsPI[2] = -1;  // only record 0 stored
    // Keys typed from mechanism 1 at record 0 and the view (0.1, -0.05, 0.3, 0.6): mechanism,
    // indices PC and PI, sampling instants, pans x and y, scale, phase-plane x, frames drawn.
    // clang-format off
    const std::pair<std::string, std::vector<double>> rows[] = {
        {"sssss", {1, 10, 10, 1, .1, -.05, .3, .6, 5}}, {"ss2", {2, 0, 0, 0, .1, -.05, .3, .6, 3}},
        {"2ssssss", {2, 7, 5, 0, .1, -.05, .3, .6, 7}}, {"ss3s", {3, 0, 0, 0, .1, -.05, .3, .6, 4}},
        {"sssss0", {1, 0, 0, 0, .1, -.05, .3, .6, 6}},
        {"2ss1", {1, 0, 0, 0, .1, -.05, .3, .6, 4}},
        {"qxxXyYYwWWzZZ", {1, 0, 0, 0, .05, 0, .3 / .9, .65, 12}}};
    // clang-format on
    for (auto [keys, want] : rows) {
        agvType = 1, animIndexPC = animIndexPI = animSampleK = 0;
        viewPanX = .1, viewPanY = -.05, viewScale = .3, phasePlaneX = .6;
        const Calls c = recorded([&] {
            for (char key : keys) onKey(key, 0, 0);
        });
        const std::vector<double> got = {double(agvType),
                                         double(animIndexPC),
                                         double(animIndexPI),
                                         double(animSampleK),
                                         viewPanX,
                                         viewPanY,
                                         viewScale,
                                         phasePlaneX,
                                         double(std::count(c.begin(), c.end(), Call{"begin", {}})),
                                         double(!c.empty() && c.back() == Call{"end", {}}),
                                         double(currentKey)};
        want.insert(want.end(), {1, double(keys.back())});  // frames end with endFrame
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], kTol) << keys << i;
    }
    EXPECT_THROW(onKey(27, 0, 0), ProgramEnded);  // ESC ends the program through the window
}

}  // namespace
