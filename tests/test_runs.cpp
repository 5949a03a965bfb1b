// Integrator, continuous and sampled-data runs, and their trajectory stores.
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "sim_fixture.h"

// ---- Heap allocations, counted while gCountAllocations is set ---------------
namespace {
bool gCountAllocations = false;
long gAllocations = 0;
}  // namespace

// These replace the global allocation functions with malloc/free pairs; GCC
// cannot see that once they are inlined into a sanitizer build and warns of
// a mismatch that is not there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (gCountAllocations) ++gAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// clang-format off
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// clang-format on
#pragma GCC diagnostic pop

namespace {

using IntegratorTest = SimTest;
using RunsTest = SimTest;

// Calls f(state, error) for every stored record of both stores.
template <class F>
void forEachStored(F f) {
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        for (int n = 0; n <= agv::nPointsPC[i] + 1; ++n) f(agv::contTraj[i][n], agv::contErr[i][n]);
        for (int n = 0; n <= agv::nPointsPI[i] + 1; ++n) f(agv::sampTraj[i][n], agv::sampErr[i][n]);
    }
}

// The bytes of every stored record and of the bounds, for bitwise comparison.
std::vector<unsigned char> storedBytes() {
    std::vector<unsigned char> bytes;
    auto add = [&bytes](const void* p, std::size_t size) {
        const auto* b = static_cast<const unsigned char*>(p);
        bytes.insert(bytes.end(), b, b + size);
    };
    forEachStored([&](const agv::VehicleState& s, const agv::TrackError& e) {
        add(&s, sizeof s);
        add(&e, sizeof e);
    });
    add(agv::nPointsPC, sizeof agv::nPointsPC);
    add(agv::nPointsPI, sizeof agv::nPointsPI);
    return bytes;
}

// Largest |ed| of records [from, to] of a row.
double maxAbsEd(const agv::TrackError* row, int from, int to) {
    double m = 0.0;
    for (int n = from; n <= to; ++n) m = std::fmax(m, std::fabs(row[n].ed));
    return m;
}

TEST_F(IntegratorTest, FirstGillStageIsHalfAnEulerStep) {
    double y = 0.0;
    double q = 0.0;
    agv::rkgStage(1, 0.1, agv::kGillC1, 2.0, 3.0, 0.0, y, q);
    EXPECT_NEAR(y, 2.0 + 0.15, 1e-15);
    EXPECT_NEAR(q, 0.3, 1e-15);
}

// Integrates 2DW1C for 2 s under a held turning rate of 2 rad/s (an arc of
// radius 0.5 m) and returns the position error against the exact arc.
double heldTurnError(double h) {
    const double w = 2.0, duration = 2.0, th = 0.3;  // [rad/s], [s], [rad]
    agv::VehicleState s{0.0, th, 0.5, -0.2, 0.0};
    agv::TrackError e{};
    agv::computeTrackError(agv::StraightLine, s, e, e);
    agv::VehicleDerivative held{};
    held.theta = w;
    const int steps = static_cast<int>(std::lround(duration / h));
    for (int j = 0; j < steps; ++j) {
        agv::rkgStep(j, h, agv::StraightLine, agv::kType2DW1C, agv::lawPI, 1, held, s, e, s, e);
    }
    // Linear fields are exact up to the Gill weights, which are quoted to
    // eight digits: about 1e-9 of drift per second.
    EXPECT_NEAR(s.dist, duration, 1e-8);
    EXPECT_NEAR(s.theta, th + w * duration, 1e-8);
    EXPECT_NEAR(s.phi, std::atan(w), 1e-12);  // equivalent angle atan(L w / V)
    const double x = 0.5 + (std::sin(th + w * duration) - std::sin(th)) / w;
    const double y = -0.2 - (std::cos(th + w * duration) - std::cos(th)) / w;
    return std::hypot(s.x - x, s.y - y);
}

TEST_F(IntegratorTest, HeldTurnConvergesAtFourthOrder) {
    // Halving h divides a fourth-order error by 16; steps are chosen so that
    // the error stays far above the 1e-9 floor of the quoted weights.
    const double e1 = heldTurnError(0.2), e2 = heldTurnError(0.1), e3 = heldTurnError(0.05);
    EXPECT_LT(e1, 1e-4);
    EXPECT_NEAR(e1 / e2, 16.0, 3.0);
    EXPECT_NEAR(e2 / e3, 16.0, 3.0);
}

TEST_F(IntegratorTest, SteeredLoopsIntegrateAtHighOrder) {
    // P laws on the line from a 10 cm error (steering rate never clipped, so
    // the right-hand side is smooth): halving h from 2 ms must move the
    // position at t = 2 s by far less than a fourth-order error estimate of
    // about h^4. Errors held over a step's stages would show up as O(h).
    agv::y0 = 0.1;
    for (int i : {1, 2}) {
        SCOPED_TRACE(i);
        agv::runContinuous(i, agv::StraightLine);  // dt = 0.02 s
        const agv::VehicleState coarse = agv::contTraj[i][100];
        enterSamplingTime(0.01);  // dt = 0.01 s
        agv::runContinuous(i, agv::StraightLine);
        const agv::VehicleState fine = agv::contTraj[i][200];
        EXPECT_LT(std::hypot(coarse.x - fine.x, coarse.y - fine.y), 1e-9);
        enterSamplingTime(0.2);
    }
}

TEST_F(RunsTest, RecordCountsFollowTheDistanceRun) {
    // At exactly 1 m/s and h = 0.002 s, 20 m take 10000 steps, or 10001 if
    // rounding leaves dist a hair short: the last record is 1000 either way.
    // The sampled run ends after 100 periods of 0.2 m, or after 101.
    agv::runAllSimulations(agv::StraightLine);
    for (int i : {0, 2}) {
        EXPECT_EQ(agv::nPointsPC[i], 999);
        EXPECT_TRUE(agv::nPointsPI[i] == 999 || agv::nPointsPI[i] == 1009) << agv::nPointsPI[i];
    }
    EXPECT_GT(agv::nPointsPC[1], 999);  // 1FDW1FS is slowed by cos(phi)
    EXPECT_GT(agv::nPointsPI[1], agv::nPointsPI[0]);

    agv::x0 = -3.0;  // the continuous runs count dist from x0, the sampled ones from 0
    agv::runAllSimulations(agv::StraightLine);
    for (int i : {0, 2}) {
        EXPECT_EQ(agv::nPointsPC[i], 1149);
        EXPECT_TRUE(agv::nPointsPI[i] == 999 || agv::nPointsPI[i] == 1009) << agv::nPointsPI[i];
    }

    agv::x0 = 20.0;  // the continuous runs end after their first step
    agv::runAllSimulations(agv::StraightLine);
    for (int i = 0; i < agv::kMechanismCount; ++i) EXPECT_EQ(agv::nPointsPC[i], -1);

    agv::x0 = 0.0;
    enterSamplingTime(0.3);  // N = 15: the run ends after 67 periods, at 20.1 m
    EXPECT_EQ(agv::runSampled(0, agv::StraightLine), 1005);
    EXPECT_NEAR(agv::sampTraj[0][1005].dist, 20.1, 1e-6);
}

TEST_F(RunsTest, FullStoreEndsEveryRunAtRecord2999) {
    enterSamplingTime(0.005);  // dt = 0.005 s: 20 m would need 4000 records
    agv::runAllSimulations(agv::StraightLine);
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        EXPECT_EQ(agv::nPointsPC[i], 2998);
        EXPECT_EQ(agv::nPointsPI[i], 2998);
    }
    EXPECT_NEAR(agv::contTraj[0][2999].dist, 14.995, 1e-6);  // 2999 records of 5 mm
    EXPECT_NEAR(agv::sampTraj[0][2999].dist, 14.995, 1e-6);
    EXPECT_EQ(agv::runSampled(0, agv::StraightLine), 2999);
}

TEST_F(RunsTest, SampledCommandIsHeldOnePeriodLate) {
    agv::runAllSimulations(agv::StraightLine);
    // 2DW1C: u0 = -kdPI1 * y0 (no heading error, no integral yet) stands
    // for two periods, records 1..20; then a new command every 10 records.
    for (int n = 1; n <= 20; ++n) EXPECT_NEAR(agv::sampTraj[0][n].phi, std::atan(-2.664793), 1e-6);
    for (int start = 20; start < 200; start += 10) {
        SCOPED_TRACE(start);
        const double phi = agv::sampTraj[0][start + 1].phi;
        for (int n = start + 2; n <= start + 10; ++n)
            EXPECT_DOUBLE_EQ(agv::sampTraj[0][n].phi, phi);
        EXPECT_NE(phi, agv::sampTraj[0][start].phi);
    }
    // 1RDW1FS: u0 = -kd3 * 1 m is clipped to -3 rad/s, so phi falls by
    // 0.06 rad per record for two periods.
    for (int n = 0; n <= 20; ++n) EXPECT_NEAR(agv::sampTraj[2][n].phi, -0.06 * n, 1e-9);
}

TEST_F(RunsTest, StoredHeadingErrorStaysWithinHalfTurn) {
    struct Case {
        int path;
        double fn;
        const char* what;
    };
    // On the circle the heading grows past a full turn; at fn = 1 Hz and
    // Ts = 0.2 s the sampled 2DW1C diverges and its heading passes 1e25.
    for (const Case& c :
         {Case{agv::Circle, 0.3, "circle"}, Case{agv::StraightLine, 1.0, "diverging"}}) {
        SCOPED_TRACE(c.what);
        enterNaturalFrequency(c.fn);
        agv::runAllSimulations(c.path);
        double maxTheta = 0.0;
        int outside = 0;
        forEachStored([&](const agv::VehicleState& st, const agv::TrackError& e) {
            outside += !withinHalfTurn(e.eth);
            maxTheta = std::fmax(maxTheta, std::fabs(st.theta));
        });
        EXPECT_EQ(outside, 0);
        EXPECT_GT(maxTheta, c.path == agv::Circle ? 2 * agv::kPi : 1e25);
    }
}

TEST_F(RunsTest, StoreReducesHeadingErrorSoundly) {
    const double twoPi = 2 * std::acos(-1.0);
    struct Case {
        agv::TrajectoryStore store;
        double eth, stored;
    };
    for (const Case& c : {Case{agv::kContinuousStore, 7.0, 7.0 - twoPi},
                          Case{agv::kSampledStore, -10.0, -10.0 + 2 * twoPi}}) {
        agv::TrackError e{};
        e.eth = c.eth;
        agv::storeRecord(c.store, 1, 5, agv::VehicleState{}, e);
        const agv::TrackError& kept =
            c.store == agv::kContinuousStore ? agv::contErr[1][5] : agv::sampErr[1][5];
        EXPECT_NEAR(kept.eth, c.stored, 1e-12);
        EXPECT_EQ(e.eth, c.eth);  // the working record is untouched
    }

    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(agv::reduceStoredHeading(inf)));  // no angle to reduce
    EXPECT_TRUE(std::isnan(agv::reduceStoredHeading(-inf)));
    EXPECT_TRUE(std::isnan(agv::reduceStoredHeading(std::nan(""))));
    for (double huge : {1e300, -1e300, 1e25, 3.3e4})
        EXPECT_TRUE(withinHalfTurn(agv::reduceStoredHeading(huge)));
}

TEST_F(RunsTest, RerunWithSameSettingsIsBitIdentical) {
    agv::runAllSimulations(agv::StraightLine);
    const std::vector<unsigned char> first = storedBytes();

    // Something different in between: nothing may carry over to the rerun.
    agv::y0 = -0.7;
    enterSamplingTime(0.05);
    agv::runAllSimulations(agv::Circle);
    agv::applyStartupDefaults();
    agv::runAllSimulations(agv::StraightLine);

    EXPECT_TRUE(storedBytes() == first);
}

TEST_F(RunsTest, StartOnThePathStaysOnIt) {
    agv::y0 = 0.0;
    agv::runAllSimulations(agv::StraightLine);
    int off = 0;
    forEachStored([&off](const agv::VehicleState& st, const agv::TrackError& e) {
        off += st.y != 0.0 || e.ed != 0.0 || e.eth != 0.0;
    });
    EXPECT_EQ(off, 0);
}

TEST_F(RunsTest, ContinuousRunsSettleOnBothPaths) {
    // The slowest closed-loop pole is the PI law's wn / (4 zeta) = 0.67 1/s;
    // 20 s later the 1 m start error has shrunk far below a millimetre.
    constexpr double kSettledTol = 1e-3;  // [m] and [rad]
    for (int path : {agv::StraightLine, agv::Circle}) {
        agv::runAllSimulations(path);
        for (int i = 0; i < agv::kMechanismCount; ++i) {
            SCOPED_TRACE(testing::Message() << "path " << path << " mechanism " << i);
            EXPECT_LT(std::fabs(agv::contErr[i][agv::nPointsPC[i] + 1].ed), kSettledTol);
            EXPECT_LT(std::fabs(agv::contErr[i][agv::nPointsPC[i] + 1].eth), kSettledTol);
        }
    }
}

TEST_F(RunsTest, SampledRunsConvergeOnlyBelowTsmax) {
    // A 1 cm start error keeps the loop near its linearisation. Below the
    // limit the error decays (second half of the run under 10 % of it,
    // last record under 1 %); above it the error grows until the steering
    // limits bound it, to well over twice the start error.
    constexpr double kStart = 0.01;  // [m]
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        for (double factor : {0.8, 1.25}) {
            SCOPED_TRACE(testing::Message() << "mechanism " << i << " Ts/Tsmax " << factor);
            agv::applyStartupDefaults();
            agv::y0 = kStart;
            enterSamplingTime(factor * agv::Tsmax[i]);
            const int last = agv::runSampled(i, agv::StraightLine);
            const double lateMax = maxAbsEd(agv::sampErr[i], last / 2, last);
            if (factor < 1.0) {
                EXPECT_LT(lateMax, 0.1 * kStart);
                EXPECT_LT(std::fabs(agv::sampErr[i][last].ed), 0.01 * kStart);
            } else {
                EXPECT_GT(lateMax, 2.0 * kStart);
            }
        }
    }
}

TEST_F(RunsTest, RunsAllocateNothing) {
    gAllocations = 0;
    gCountAllocations = true;
    agv::runAllSimulations(agv::StraightLine);
    agv::runAllSimulations(agv::Circle);
    gCountAllocations = false;
    EXPECT_EQ(gAllocations, 0);
}

TEST_F(RunsTest, ExtremeSettingsFinishWithinTheStore) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    struct Case {
        const char* what;
        double zeta, fn, ts, x0, y0, th0;
    };
    const Case cases[] = {
        {"zeta 0", 0.0, 0.3, 0.2, 0.0, 1.0, 0.0},
        {"fn 0", 0.707, 0.0, 0.2, 0.0, 1.0, 0.0},
        {"th0 1e300 deg", 0.707, 0.3, 0.2, 0.0, 1.0, 1e300 * agv::kDegToRad},
        {"x0 NaN", 0.707, 0.3, 0.2, nan, 1.0, 0.0},
        {"y0 inf", 0.707, 0.3, 0.2, 0.0, inf, 0.0},
        {"Ts 1e300", 0.707, 0.3, 1e300, 0.0, 1.0, 0.0},
        {"Ts inf", 0.707, 0.3, inf, 0.0, 1.0, 0.0},
        {"Ts NaN", 0.707, 0.3, nan, 0.0, 1.0, 0.0},
    };
    for (const Case& c : cases) {
        for (int path : {agv::StraightLine, agv::Circle}) {
            SCOPED_TRACE(testing::Message() << c.what << ", path " << path);
            agv::applyStartupDefaults();
            agv::zeta = c.zeta;
            enterNaturalFrequency(c.fn);
            enterSamplingTime(c.ts);
            agv::x0 = c.x0;
            agv::y0 = c.y0;
            agv::th0 = c.th0;
            agv::runAllSimulations(path);
            for (int i = 0; i < agv::kMechanismCount; ++i) {
                EXPECT_GE(agv::nPointsPC[i], -1);
                EXPECT_LE(agv::nPointsPC[i], agv::kMaxRecords - 2);
                EXPECT_GE(agv::nPointsPI[i], -1);
                EXPECT_LE(agv::nPointsPI[i], agv::kMaxRecords - 2);
            }
        }
    }
}

}  // namespace
