// Shared parameters: start-up values and the rules deriving stepsPerSample
// and dt from the sampling time.
#include <climits>
#include <cmath>
#include <limits>

#include "sim_fixture.h"

namespace {

constexpr double kWnTol = 5e-7;  // [rad/s] wn quoted to six decimals

using ParametersTest = SimTest;

TEST_F(ParametersTest, StartupDefaultsGiveTenRecordsPerSample) {
    EXPECT_NEAR(agv::wn, 1.884956, kWnTol);
    EXPECT_EQ(agv::stepsPerSample, 10);
    EXPECT_DOUBLE_EQ(agv::dt, 0.02);
}

TEST_F(ParametersTest, StartupRuleNudgesAndConsoleRuleTruncates) {
    // 0.58 / 0.02 is 28.999999999999996 in double arithmetic.
    EXPECT_EQ(agv::stepsPerSampleFor(0.58, agv::SampleRule::Console), 28);
    EXPECT_EQ(agv::stepsPerSampleFor(0.58, agv::SampleRule::Startup), 29);
    EXPECT_EQ(agv::stepsPerSampleFor(0.0, agv::SampleRule::Startup), 1);
    EXPECT_EQ(agv::stepsPerSampleFor(-5.0, agv::SampleRule::Console), 1);

    struct Case {
        double ts, dt;
        int steps;
    };
    for (const Case& c : {Case{0.05, 0.025, 2}, Case{0.03, 0.03, 1}, Case{0.01, 0.01, 1}}) {
        SCOPED_TRACE(c.ts);
        agv::setSamplingTime(c.ts, agv::SampleRule::Console);
        EXPECT_EQ(agv::Ts, c.ts);
        EXPECT_EQ(agv::stepsPerSample, c.steps);
        EXPECT_DOUBLE_EQ(agv::dt, c.dt);
    }
}

TEST_F(ParametersTest, HugeAndUndefinedSamplingTimesStayInRange) {
    // Ten integration steps per record interval must still fit an int.
    static_assert(10LL * agv::kMaxStepsPerSample <= INT_MAX, "steps per period overflow");
    const double inf = std::numeric_limits<double>::infinity();
    for (double ts : {1e6, 1e300, inf, std::nan("")}) {
        for (auto rule : {agv::SampleRule::Startup, agv::SampleRule::Console}) {
            SCOPED_TRACE(ts);
            const int n = agv::stepsPerSampleFor(ts, rule);
            EXPECT_GE(n, 1);
            EXPECT_LE(n, agv::kMaxStepsPerSample);
        }
    }
    EXPECT_EQ(agv::stepsPerSampleFor(1e6, agv::SampleRule::Console), 50000000);
}

TEST_F(ParametersTest, HeadingEnteredInDegreesRoundTrips) {
    agv::th0 = 90.0 * agv::kDegToRad;
    EXPECT_DOUBLE_EQ(agv::th0, 1.570796325);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.3f", agv::th0 * agv::kRadToDeg);
    EXPECT_STREQ(shown, "90.000");
}

}  // namespace
