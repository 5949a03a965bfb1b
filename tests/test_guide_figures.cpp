// Figures quoted in the user guide, docs/theory.md and docs/exercises.md.
//
// Each test names the guide section whose figures it checks. Expected values
// are written as the guide prints them; EXPECT_QUOTED allows half a unit of
// the last printed digit, so any change to the design, the models or the runs
// that moves a quoted figure fails here (then change the guide with it).
// Runs that have lost the path ("more than 2 m") are checked as bounds only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <initializer_list>
#include <limits>
#include <utility>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/runs.h"

namespace {

using namespace agv;

#define EXPECT_QUOTED(value, quoted, decimals) \
    EXPECT_NEAR((value), (quoted), 0.5 * std::pow(10.0, -(decimals)) + 1e-12)

constexpr double kMm = 1000.0;           // [mm/m] small errors are quoted in mm
constexpr double kAtClamp = 1.5 - 1e-9;  // [rad] "at the steering clamp"
constexpr double kLostPath = 2.0;        // [m] "more than 2 m"
constexpr double kGone = 0.01;           // [mm] "below 0.01 mm"
constexpr int k2DW1C = 0, kFront = 1, kRear = 2;
constexpr bool kCont = false, kSamp = true;

// fn [Hz] and zeta as entered with 'f': design and limit search.
void enterDesign(double fnHz, double z) {
    setNaturalFrequency(fnHz);
    zeta = z;
    designControl();
    searchTsmax();
}

// From the start-up state: Ts [s] as typed on the console (unless it is the
// default), the start pose as typed (x [m], y [m], heading [deg]), all runs.
void runFrom(double ts, double x, double y, double thDeg, int path = StraightLine) {
    applyStartupDefaults();
    if (ts != Ts) {
        setSamplingTime(ts, SampleRule::Console);
        designControl();
    }
    x0 = x;
    agv::y0 = y;
    th0 = thDeg * kDegToRad;
    runAllSimulations(path);
}

// The stored records 0..last of one run.
struct Stored {
    const VehicleState* s;
    const TrackError* e;
    int last;
};
Stored stored(bool sampled, int i) {
    if (sampled) return {sampTraj[i], sampErr[i], lastStoredRecord(nPointsPI[i])};
    return {contTraj[i], contErr[i], lastStoredRecord(nPointsPC[i])};
}

// Largest |d| [m] over the records whose distance run lies in [from, to) m.
double largestError(const Stored& r, double from, double to = 1e9) {
    double m = 0.0;
    for (int j = 0; j <= r.last; ++j) {
        if (r.s[j].dist >= from && r.s[j].dist < to) m = std::max(m, std::fabs(r.e[j].ed));
    }
    return m;
}
// Tail error [mm]: the largest |d| from 15 m run to the end.
double tailMm(bool sampled, int i) {
    return largestError(stored(sampled, i), 15.0) * kMm;
}

// Extremes of a quantity f(state, error) over the records from fromDist [m] run.
template <class F>
std::pair<double, double> extremes(const Stored& r, F f, double fromDist = -1e300) {
    double lo = 1e300, hi = -1e300;
    for (int j = 0; j <= r.last; ++j) {
        if (r.s[j].dist < fromDist) continue;
        lo = std::min(lo, f(r.s[j], r.e[j]));
        hi = std::max(hi, f(r.s[j], r.e[j]));
    }
    return {lo, hi};
}
double dd(const VehicleState&, const TrackError& e) {
    return e.dd;
}
double absPhi(const VehicleState& s, const TrackError&) {
    return std::fabs(s.phi);
}

// Unclipped steering-rate command [rad/s] of the steered law at a record.
double command(const TrackError& e) {
    return -(kd2 * e.ed + kth2 * e.eth + kph2 * e.ephi);
}

// Largest |root| of a4 z^4 + ... + a0 at T [s] (Durand-Kerner iteration).
double largestRoot(const LoopCoefficients& k, double T) {
    const LoopFigures f = loopFiguresAt(k, T);
    std::complex<double> z[4];
    for (int j = 0; j < 4; ++j) z[j] = std::pow(std::complex<double>(0.4, 0.9), j);
    for (int it = 0; it < 500; ++it) {
        for (int j = 0; j < 4; ++j) {
            std::complex<double> p = f.a[4], den = f.a[4];
            for (int m = 3; m >= 0; --m) p = p * z[j] + f.a[m];
            for (int m = 0; m < 4; ++m) den *= m == j ? 1.0 : z[j] - z[m];
            z[j] -= p / den;
        }
    }
    double largest = 0.0;
    for (const auto& root : z) largest = std::max(largest, std::abs(root));
    return largest;
}

// The program's limit search (first T tried that fails) for any P, Q, R.
double limitOf(const LoopCoefficients& k) {
    for (double T = kTsmaxSearchStart + kTsmaxSearchStep;; T += kTsmaxSearchStep) {
        const LoopFigures f = loopFiguresAt(k, T);
        if (!(f.B[3] >= 0 && f.B[2] >= 0 && f.B[1] >= 0 && f.B[0] >= 0 && f.C >= 0)) return T;
        if (T > kTsmaxSearchLimit) return T;
    }
}

class GuideFigures : public ::testing::Test {
  protected:
    void SetUp() override {
        applyStartupDefaults();
        clearTrajectoryStores();
    }
};

// theory.md 5: the gains, and the poles they give the continuous loops.
TEST_F(GuideFigures, Theory5GainsAndClosedLoopPoles) {
    EXPECT_QUOTED(wn, 1.884956, 6);
    EXPECT_QUOTED(kdPI1, 2.664793, 6);
    EXPECT_QUOTED(kthPI1, 3.331860, 6);
    EXPECT_QUOTED(kiPI1, 0.888711, 6);
    for (double g : {kd2, kd3}) EXPECT_QUOTED(g, 6.697356, 6);
    for (double g : {kth2, kth3}) EXPECT_QUOTED(g, 8.577081, 6);
    for (double g : {kph2, kph3}) EXPECT_QUOTED(g, 4.550283, 6);
    EXPECT_QUOTED(-zeta * wn, -1.333, 3);  // target pair, met exactly by the P law
    EXPECT_QUOTED(wn * std::sqrt(1 - zeta * zeta), 1.333, 3);
    EXPECT_QUOTED(wn / (4 * zeta), 0.667, 3);
    // 2DW1C: target s^1 coefficient, the one realised, and the bound 2 sqrt(P R).
    const LoopCoefficients k = loopCoefficients(k2DW1C);
    EXPECT_QUOTED(1.5 * wn * wn, 5.329586, 6);
    EXPECT_QUOTED(k.Q, 5.625853, 6);
    EXPECT_QUOTED(2 * std::sqrt(k.P * k.R), 5.618, 3);
    // Real pole r of s^3 + R s^2 + Q s + P by Newton; the pair from sum and product.
    double r = -0.5;
    for (int it = 0; it < 50; ++it)
        r -= (((r + k.R) * r + k.Q) * r + k.P) / ((3 * r + 2 * k.R) * r + k.Q);
    const double sigma = (-k.R - r) / 2, omega = std::sqrt(-k.P / r - sigma * sigma);
    EXPECT_QUOTED(r, -0.591, 3);
    EXPECT_QUOTED(sigma, -1.370, 3);
    EXPECT_QUOTED(omega, 1.459, 3);
    EXPECT_QUOTED(std::hypot(sigma, omega), 2.001, 3);
    EXPECT_QUOTED(-sigma / std::hypot(sigma, omega), 0.685, 3);
    // The closed forms derived in the guide, at the defaults and at zeta = 0.3.
    for (double z : {0.707, 0.3}) {
        enterDesign(0.3, z);
        EXPECT_NEAR(kdPI1, 0.75 * wn * wn / V, 1e-12);
        EXPECT_NEAR(kiPI1, wn / (3 * z), 1e-12);
        EXPECT_NEAR(kthPI1, wn * (2 * z + 1 / (4 * z)), 1e-12);
        EXPECT_NEAR(loopCoefficients(k2DW1C).Q, wn * wn * (17 * z * z + 1) / (12 * z * z), 1e-12);
        EXPECT_NEAR(kd2, wn * wn * wn * L / (V * V), 1e-12);
    }
}

// theory.md 9 and 6: integration and timing constants.
TEST_F(GuideFigures, Theory9IntegrationConstants) {
    EXPECT_EQ(kGillC1, 0.5);
    EXPECT_EQ(kGillC2, 0.292893219);
    EXPECT_EQ(kGillC3, 1.70710678);
    EXPECT_EQ(kGillC4, 0.16666667);
    EXPECT_QUOTED(dt / kStepsPerRecord, 0.002, 12);
    EXPECT_EQ(kEndDist, 20.0);
    EXPECT_EQ(kMaxRecords, 3000);
    EXPECT_QUOTED(kTsmaxSearchStart + kTsmaxSearchStep, 0.011, 12);
    EXPECT_EQ(kTsmaxSearchLimit, 10.0);
    EXPECT_EQ(kStartupTsNudge, 0.00001);
}

// theory.md 6: the record grid, and the worked example of hold and delay.
TEST_F(GuideFigures, Theory6RecordGridAndDelay) {
    const double grid[3][3] = {{0.2, 10, 0.02}, {0.17, 8, 0.02125}, {0.22, 11, 0.02}};
    for (const auto& g : grid) {
        setSamplingTime(g[0], g[0] == 0.2 ? SampleRule::Startup : SampleRule::Console);
        EXPECT_EQ(stepsPerSample, g[1]);
        EXPECT_QUOTED(dt, g[2], 12);
    }
    runFrom(0.1, 0, 1, 0);
    const double phi[] = {-0.300, -0.600, -0.900, -1.200, -1.345};  // at 0.1 ... 0.5 s
    const double u[] = {-6.70, -5.20, -3.44, -1.45};                // at 0 ... 0.3 s
    for (int k = 0; k < 5; ++k) EXPECT_QUOTED(sampTraj[kFront][5 * k + 5].phi, phi[k], 3);
    for (int k = 0; k < 4; ++k) EXPECT_QUOTED(command(sampErr[kFront][5 * k]), u[k], 2);
    const VehicleState* c = contTraj[kFront];
    const auto* peak = std::min_element(c, c + 100, [](auto& a, auto& b) { return a.phi < b.phi; });
    EXPECT_QUOTED(peak->phi, -0.965, 3);
    EXPECT_QUOTED((peak - c) * dt, 0.46, 2);
}

// theory.md 7 and 8, exercises.md 1: loop coefficients, Hurwitz figures,
// roots, the limit sampling times and their scaling with fn.
TEST_F(GuideFigures, Theory7And8StabilityAndLimits) {
    const double pqr[2][3] = {{2.368230, 5.625853, 3.331860}, {6.697356, 8.577081, 4.550283}};
    const double b[2][5] = {{63.955, 18.790, 10.668, 2.473, 0.114},
                            {69.734, 8.649, 13.822, 3.474, 0.321}};
    const double c[2] = {64.45, -450.39}, rootAt02[2] = {0.9724, 1.1126};
    for (int i = 0; i < 3; ++i) {
        const int row = i == k2DW1C ? 0 : 1;
        const LoopCoefficients k = loopCoefficients(i);
        EXPECT_QUOTED(k.P, pqr[row][0], 6);
        EXPECT_QUOTED(k.Q, pqr[row][1], 6);
        EXPECT_QUOTED(k.R, pqr[row][2], 6);
        for (int j = 0; j < 5; ++j) EXPECT_QUOTED(loopFigures[i].B[j], b[row][j], 3);
        EXPECT_QUOTED(loopFigures[i].C, c[row], 2);
        EXPECT_EQ(isStableAtTs(i), row == 0);
        EXPECT_QUOTED(largestRoot(k, 0.2), rootAt02[row], 4);
        EXPECT_QUOTED(Tsmax[i], row == 0 ? 0.211 : 0.168, 9);
    }
    // Either side of each limit: C, the largest root; where C crosses zero.
    const LoopCoefficients both[2] = {loopCoefficients(k2DW1C), loopCoefficients(kFront)};
    const double side[2][2][3] = {{{0.210, 1.19, 0.99955}, {0.211, -6.11, 1.00226}},
                                  {{0.167, 5.67, 0.99768}, {0.168, -3.11, 1.00125}}};
    const double crossing[2] = {0.21016, 0.16765}, wnT[2] = {0.39615, 0.31601};
    for (int row = 0; row < 2; ++row) {
        for (const auto& s : side[row]) {
            EXPECT_QUOTED(loopFiguresAt(both[row], s[0]).C, s[1], 2);
            EXPECT_QUOTED(largestRoot(both[row], s[0]), s[2], 5);
        }
        double lo = 0.1, hi = 0.3;
        for (int it = 0; it < 60; ++it) {
            const double mid = (lo + hi) / 2;
            (loopFiguresAt(both[row], mid).C > 0 ? lo : hi) = mid;
        }
        EXPECT_QUOTED(lo, crossing[row], 5);
        EXPECT_QUOTED(wn * lo, wnT[row], 5);
    }
    setSamplingTime(0.1, SampleRule::Console);  // a new Ts: new verdicts, same Tsmax
    designControl();
    EXPECT_TRUE(isStableAtTs(kFront));
    EXPECT_QUOTED(Tsmax[kFront], 0.168, 9);
    const double fnLimits[2][3] = {{0.1, 0.631, 0.503}, {1.0, 0.064, 0.051}};
    for (const auto& row : fnLimits) {
        enterDesign(row[0], 0.707);
        EXPECT_QUOTED(Tsmax[0], row[1], 9);
        EXPECT_QUOTED(Tsmax[1], row[2], 9);
        EXPECT_TRUE(Tsmax[0] * fn >= 0.063 - 1e-9 && Tsmax[0] * fn <= 0.064 + 1e-9);
        EXPECT_TRUE(Tsmax[1] * fn >= 0.050 - 1e-9 && Tsmax[1] * fn <= 0.051 + 1e-9);
        Ts = 0.2;
        designControl();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(isStableAtTs(i), row[0] < 0.3) << row[0];
    }
}

// Figures of one sampled-data run: largest |d| [mm] over the records whose
// distance run lies in 5-10 m, 10-15 m and from 15 m on (the tail error),
// with the decimals the guide prints. kSkip: not quoted; kLost: "more than
// 2 m"; kBelow: "below 0.01 mm".
constexpr double kLost = -1.0, kBelow = -2.0, kSkip = std::numeric_limits<double>::quiet_NaN();
struct Row {
    int i;
    double ts, x, y, thDeg;
    int path;
    double band[3];
    int decimals;
};
void checkRows(std::initializer_list<Row> rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "mechanism " << row.i << ", Ts " << row.ts << ", start "
                                        << row.x << " " << row.y << " " << row.thDeg);
        runFrom(row.ts, row.x, row.y, row.thDeg, row.path);
        const double from[] = {5, 10, 15}, to[] = {10, 15, 1e9};
        for (int j = 0; j < 3; ++j) {
            const double mm = largestError(stored(kSamp, row.i), from[j], to[j]) * kMm;
            if (row.band[j] == kLost) {
                EXPECT_GT(mm, kLostPath * kMm);
            } else if (row.band[j] == kBelow) {
                EXPECT_LT(mm, kGone);
            } else if (row.band[j] >= 0) {
                EXPECT_QUOTED(mm, row.band[j], row.decimals);
            }
        }
    }
}
constexpr int kLine = StraightLine;

// theory.md 10: just below and just above the limits, from y = 0.05 m.
TEST_F(GuideFigures, Theory10JustBelowAndAboveTheLimit) {
    checkRows({{kFront, 0.160, 0, 0.05, 0, kLine, {2.19, 0.84, 0.34}, 2},
               {kRear, 0.160, 0, 0.05, 0, kLine, {2.23, 0.86, 0.35}, 2},
               {kFront, 0.167, 0, 0.05, 0, kLine, {4.82, 4.33, 4.04}, 2},
               {kRear, 0.167, 0, 0.05, 0, kLine, {5.00, 4.65, 4.42}, 2},
               {kFront, 0.168, 0, 0.05, 0, kLine, {5.39, 5.52, 5.67}, 2},
               {kRear, 0.168, 0, 0.05, 0, kLine, {5.85, 6.23, 6.73}, 2},
               {kFront, 0.170, 0, 0.05, 0, kLine, {8.05, 9.79, 12.03}, 2},
               {kRear, 0.170, 0, 0.05, 0, kLine, {9.20, 12.71, 21.22}, 2},
               {k2DW1C, 0.200, 0, 0.05, 0, kLine, {7.53, 3.07, 1.47}, 2},
               {k2DW1C, 0.210, 0, 0.05, 0, kLine, {14.13, 12.79, 12.64}, 2},
               {k2DW1C, 0.211, 0, 0.05, 0, kLine, {15.06, 15.23, 16.14}, 2},
               {k2DW1C, 0.220, 0, 0.05, 0, kLine, {41.98, 71.45, 128.23}, 2}});
    for (int i = 0; i < 3; ++i) EXPECT_LT(tailMm(kCont, i), kGone) << i;
}

// theory.md 11, exercises.md 3: beyond the limit 1FDW1FS oscillates steadily
// (the same size from both starts), 1RDW1FS runs away to the steering clamp.
TEST_F(GuideFigures, Theory11SteadyOscillationOrRunaway) {
    checkRows({{kFront, 0.18, 0, 0.05, 0, kLine, {kSkip, kSkip, 33}, 0},
               {kRear, 0.18, 0, 0.05, 0, kLine, {kSkip, kSkip, kLost}, 0}});
    EXPECT_GE(std::fabs(sampTraj[kRear][stored(kSamp, kRear).last].phi), kAtClamp);
    for (double y : {0.05, 1.0}) {
        checkRows({{kFront, 0.2, 0, y, 0, kLine, {kSkip, kSkip, 53}, 0}});
        auto heading = [](const VehicleState&, const TrackError& e) { return std::fabs(e.eth); };
        EXPECT_QUOTED(extremes(stored(kSamp, kFront), heading, 15).second, 0.2, 1) << y;
        EXPECT_QUOTED(extremes(stored(kSamp, kFront), absPhi, 15).second, 1.02, 2) << y;
    }
}

// theory.md 12, exercises.md 6: saturation from the 1 m start.
TEST_F(GuideFigures, Theory12SaturationFromALargeError) {
    checkRows({{kFront, 0.09, 0, 1, 0, kLine, {kSkip, kSkip, kBelow}, 0},
               {kRear, 0.10, 0, 0.9, 0, kLine, {kSkip, kSkip, kBelow}, 0},
               {kFront, 0.16, 0, 1, 0, kLine, {kSkip, kSkip, 1.43}, 2},
               {kRear, 0.09, 0, 1, 0, kLine, {kSkip, kSkip, kBelow}, 0}});
    EXPECT_QUOTED(extremes(stored(kSamp, kRear), absPhi).second, 1.29, 2);
    checkRows({{kFront, 0.1, 0, 1, 0, kLine, {kSkip, kSkip, kBelow}, 0},
               {kRear, 0.1, 0, 1, 0, kLine, {kSkip, kSkip, kLost}, 0}});
    // Continuous runs: steering peak [rad] and its time, last clipped record.
    const double peak[2] = {0.965, 0.904}, peakAt[2] = {0.46, 0.40}, lastClip[2] = {0.22, 0.20};
    for (int i : {kFront, kRear}) {
        const Stored r = stored(kCont, i);
        int top = 0, clipped = 0;
        for (int j = 0; j <= r.last; ++j) {
            if (std::fabs(r.s[j].phi) > std::fabs(r.s[top].phi)) top = j;
            if (std::fabs(command(r.e[j])) > wmax) clipped = j;
        }
        EXPECT_QUOTED(std::fabs(r.s[top].phi), peak[i - 1], 3) << i;
        EXPECT_QUOTED(top * dt, peakAt[i - 1], 2) << i;
        EXPECT_QUOTED(clipped * dt, lastClip[i - 1], 2) << i;
        EXPECT_LT(tailMm(kCont, i), kGone) << i;
    }
    // Sampled-data runs at 0.1 s: clipped commands, the rear-driven run's fall.
    int clipped[3] = {0, 0, 0}, instants = 0, clampAt = -1;
    for (int i : {kFront, kRear}) {
        const Stored r = stored(kSamp, i);
        for (int j = 0; j <= r.last; j += stepsPerSample, instants += i == kRear) {
            clipped[i] += std::fabs(command(r.e[j])) > wmax;
        }
    }
    const Stored rear = stored(kSamp, kRear);
    while (std::fabs(rear.s[++clampAt].phi) < kAtClamp && clampAt < rear.last) {
    }
    EXPECT_EQ(clipped[kFront], 3);
    EXPECT_EQ(clipped[kRear], 182);
    EXPECT_EQ(instants, 202);
    EXPECT_QUOTED(clampAt * dt, 1.48, 2);
    EXPECT_QUOTED(extremes(stored(kSamp, kFront), absPhi).second, 1.345, 3);
    EXPECT_QUOTED(sampTraj[kRear][20].phi, -1.2, 1);
    EXPECT_QUOTED(sampTraj[kRear][50].theta, -1.21, 2);  // at 1.0 s
    EXPECT_QUOTED(contTraj[kRear][50].theta, -0.66, 2);
    // Rule of thumb: the rear-driven loop with P and Q scaled by 1 / cos^2(phi).
    const double frozen[3][3] = {{0.0, 1.000, 0.168}, {0.9, 2.588, 0.096}, {1.2, 7.616, 0.037}};
    for (const auto& row : frozen) {
        const double g = 1 / (std::cos(row[0]) * std::cos(row[0]));
        LoopCoefficients k = loopCoefficients(kRear);
        k.P *= g;
        k.Q *= g;
        EXPECT_QUOTED(g, row[1], 3);
        EXPECT_QUOTED(limitOf(k), row[2], 9);
    }
}

// exercises.md 2: tail errors from the default 1 m start, Ts 0.16 ... 0.22 s.
TEST_F(GuideFigures, Exercise2WhereTheSampledRunStopsConverging) {
    const double table[6][3] = {{0.16, 0.1, 1.4}, {0.17, 0.1, 23}, {0.18, 0.2, 33},
                                {0.20, 22, 53},   {0.21, 141, 77}, {0.22, 313, 91}};
    for (const auto& t : table) {
        checkRows({{k2DW1C, t[0], 0, 1, 0, kLine, {kSkip, kSkip, t[1]}, t[1] < 1 ? 1 : 0},
                   {kFront, t[0], 0, 1, 0, kLine, {kSkip, kSkip, t[2]}, t[2] < 2 ? 1 : 0},
                   {kRear, t[0], 0, 1, 0, kLine, {kSkip, kSkip, kLost}, 0}});
    }
    checkRows({{k2DW1C, 0.22, 0, 1, 0, kLine, {324, 310, 313}, 0}});
}

// exercises.md 3: the phase planes at the defaults.
TEST_F(GuideFigures, Exercise3ThreePhasePlanes) {
    runAllSimulations(StraightLine);
    EXPECT_GE(extremes(stored(kCont, k2DW1C), dd).first, 0.0);
    EXPECT_QUOTED(extremes(stored(kCont, kFront), dd).first * kMm, -4.8, 1);
    EXPECT_QUOTED(extremes(stored(kCont, kRear), dd).first * kMm, -4.1, 1);
    EXPECT_QUOTED(extremes(stored(kSamp, k2DW1C), dd).first * kMm, -63.5, 1);
    EXPECT_QUOTED(extremes(stored(kSamp, kRear), dd).first, 0.77, 2);
    EXPECT_QUOTED(extremes(stored(kSamp, kRear), dd).second, 2.45, 2);
    auto eth = [](const VehicleState&, const TrackError& e) { return e.eth; };
    EXPECT_LT(extremes(stored(kSamp, kRear), eth).first, -3.1);  // runs through +-pi
    EXPECT_GT(extremes(stored(kSamp, kRear), eth).second, 3.1);
}

// exercises.md 4: damping ratio 0.3 and 1.0 (fn 0.3 Hz, Ts 0.2 s).
TEST_F(GuideFigures, Exercise4DampingRatio) {
    enterDesign(0.3, 0.3);
    EXPECT_QUOTED(Tsmax[0], 0.147, 9);
    EXPECT_QUOTED(Tsmax[1], 0.199, 9);
    EXPECT_QUOTED(kth2, 5.684892, 6);
    EXPECT_QUOTED(kph2, 3.015929, 6);
    EXPECT_QUOTED(kiPI1, 2.094395, 6);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(isStableAtTs(i));
    runAllSimulations(StraightLine);
    EXPECT_QUOTED(extremes(stored(kCont, kFront), dd).first * kMm, -75, 0);
    EXPECT_QUOTED(extremes(stored(kCont, kRear), dd).first * kMm, -93, 0);
    EXPECT_GT(extremes(stored(kSamp, k2DW1C), dd).second, 1.0);

    enterDesign(0.3, 1.0);
    EXPECT_QUOTED(Tsmax[0], 0.196, 9);
    EXPECT_QUOTED(Tsmax[1], 0.144, 9);
    EXPECT_QUOTED(kdPI1, 2.664793, 6);  // k_d does not depend on zeta
    EXPECT_QUOTED(kd2, 6.697356, 6);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(isStableAtTs(i));
    runAllSimulations(StraightLine);
    for (int i = 0; i < 3; ++i) EXPECT_GE(extremes(stored(kCont, i), dd).first, 0.0) << i;
}

// exercises.md 5: the circle from (1 m, 0 m, 90 deg), and its default start.
TEST_F(GuideFigures, Exercise5LineAndCircle) {
    checkRows({{k2DW1C, 0.2, 1, 0, 90, Circle, {kSkip, kSkip, 31}, 0},
               {kFront, 0.2, 1, 0, 90, Circle, {kSkip, kSkip, 79}, 0},
               {kRear, 0.2, 1, 0, 90, Circle, {kSkip, kSkip, kLost}, 0},
               {k2DW1C, 0.1, 1, 0, 90, Circle, {kSkip, kSkip, 0.1}, 1},
               {kFront, 0.1, 1, 0, 90, Circle, {kSkip, kSkip, kBelow}, 0},
               {kRear, 0.1, 1, 0, 90, Circle, {kSkip, kSkip, kLost}, 0}});
    const double turnRate[3] = {0.5, 0.447, 0.5};
    for (int i = 0; i < 3; ++i) {
        const Stored r = stored(kCont, i);
        EXPECT_QUOTED(r.s[r.last].phi, 0.464, 3) << i;
        EXPECT_QUOTED((r.s[r.last].theta - r.s[r.last - 1].theta) / dt, turnRate[i], 3) << i;
        EXPECT_QUOTED((r.s[r.last].dist - r.s[r.last - 1].dist) / dt, i == kFront ? 0.894 : 1, 3);
        EXPECT_QUOTED(r.e[0].dd, -1.0, 12);
        EXPECT_QUOTED(r.e[0].refPhi, 0.4636, 4);
    }
    runFrom(0.2, 0, 1, 0, Circle);
    EXPECT_QUOTED(contErr[0][0].eth, -kPi, 12);
    EXPECT_QUOTED(contErr[0][0].ed, 1.0, 12);
}

// exercises.md 6: start heading +-45 deg (mirror images), and at Ts = 0.1 s.
TEST_F(GuideFigures, Exercise6StartHeading) {
    const double reach[3] = {0.144, 0.288, 0.314};
    double up[3];
    runFrom(0.2, 0, 0, 45);
    for (int i = 0; i < 3; ++i) up[i] = extremes(stored(kCont, i), dd).second;
    runFrom(0.2, 0, 0, -45);
    for (int i = 0; i < 3; ++i) {
        EXPECT_QUOTED(up[i], reach[i], 3) << i;
        EXPECT_NEAR(extremes(stored(kCont, i), dd).first, -up[i], 1e-9) << i;
    }
    checkRows({{k2DW1C, 0.1, 0, 0, 45, kLine, {kSkip, kSkip, 0.01}, 2},
               {kFront, 0.1, 0, 0, 45, kLine, {kSkip, kSkip, kBelow}, 0},
               {kRear, 0.1, 0, 0, 45, kLine, {kSkip, kSkip, kLost}, 0}});
}

}  // namespace
