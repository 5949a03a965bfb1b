// Control design: gains from fn and zeta, stability figures at Ts and the
// limit sampling times.
#include <cmath>
#include <cstring>

#include "sim_fixture.h"

namespace {

constexpr double kGainTol = 5e-7;     // gains quoted to six decimals
constexpr double kHurwitzTol = 5e-3;  // C quoted to two decimals

using DesignTest = SimTest;

TEST_F(DesignTest, DefaultGainsPlaceThePoles) {
    EXPECT_NEAR(agv::kdPI1, 2.664793, kGainTol);
    EXPECT_NEAR(agv::kthPI1, 3.331860, kGainTol);
    EXPECT_NEAR(agv::kiPI1, 0.888711, kGainTol);
    for (double kd : {agv::kd2, agv::kd3}) EXPECT_NEAR(kd, 6.697356, kGainTol);
    for (double kth : {agv::kth2, agv::kth3}) EXPECT_NEAR(kth, 8.577081, kGainTol);
    for (double kph : {agv::kph2, agv::kph3}) EXPECT_NEAR(kph, 4.550283, kGainTol);
}

TEST_F(DesignTest, HurwitzValuesAtDefaults) {
    EXPECT_NEAR(agv::loopFigures[0].C, 64.45, kHurwitzTol);
    EXPECT_NEAR(agv::loopFigures[1].C, -450.39, kHurwitzTol);
    EXPECT_NEAR(agv::loopFigures[2].C, -450.39, kHurwitzTol);
}

TEST_F(DesignTest, LimitSamplingTimesAndVerdictsPerFrequency) {
    struct Case {
        double fn;
        const char* tsmax2dw1c;
        const char* tsmaxSteered;
        bool stable[3];  // at Ts = 0.2 s
    };
    const Case cases[] = {{0.3, "0.211", "0.168", {true, false, false}},
                          {0.1, "0.631", "0.503", {true, true, true}},
                          {1.0, "0.064", "0.051", {false, false, false}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fn);
        enterNaturalFrequency(c.fn);
        EXPECT_EQ(printed3(agv::Tsmax[0]), c.tsmax2dw1c);
        EXPECT_EQ(printed3(agv::Tsmax[1]), c.tsmaxSteered);
        EXPECT_EQ(agv::Tsmax[1], agv::Tsmax[2]);
        EXPECT_EQ(
            0, std::memcmp(&agv::loopFigures[1], &agv::loopFigures[2], sizeof(agv::LoopFigures)));
        for (int i = 0; i < agv::kMechanismCount; ++i) EXPECT_EQ(agv::isStableAtTs(i), c.stable[i]);

        // The verdict agrees with the search: stable one search step below
        // the limit, unstable at it.
        for (int i = 0; i < agv::kMechanismCount; ++i) {
            SCOPED_TRACE(i);
            const double limit = agv::Tsmax[i];
            agv::Ts = limit - agv::kTsmaxSearchStep;
            agv::designControl();
            EXPECT_TRUE(agv::isStableAtTs(i));
            agv::Ts = limit;
            agv::designControl();
            EXPECT_FALSE(agv::isStableAtTs(i));
        }
        agv::Ts = 0.2;
    }
}

TEST_F(DesignTest, SamplingTimeChangesVerdictsButNotLimits) {
    const double before[3] = {agv::Tsmax[0], agv::Tsmax[1], agv::Tsmax[2]};
    enterSamplingTime(0.1);
    for (int i = 0; i < agv::kMechanismCount; ++i) EXPECT_TRUE(agv::isStableAtTs(i));
    enterSamplingTime(0.3);
    for (int i = 0; i < agv::kMechanismCount; ++i) EXPECT_FALSE(agv::isStableAtTs(i));
    agv::searchTsmax();
    for (int i = 0; i < agv::kMechanismCount; ++i) EXPECT_EQ(agv::Tsmax[i], before[i]);
}

TEST_F(DesignTest, ZeroDampingBreaksOnlyThePiLaw) {
    agv::zeta = 0.0;
    agv::designControl();
    agv::searchTsmax();
    EXPECT_FALSE(agv::isStableAtTs(0));
    EXPECT_EQ(printed3(agv::Tsmax[0]), "0.011");  // stops at the first T tried

    // Steered laws: third pole wn, no damping term.
    const double wn = agv::wn;
    EXPECT_NEAR(agv::kph2, wn, kGainTol);
    EXPECT_NEAR(agv::kth2, wn * wn, kGainTol);
    EXPECT_NEAR(agv::kd2, wn * wn * wn, kGainTol);
    for (int i = 1; i < agv::kMechanismCount; ++i) {
        const agv::LoopFigures& f = agv::loopFigures[i];
        for (double b : f.B) EXPECT_TRUE(std::isfinite(b));
        EXPECT_TRUE(std::isfinite(f.C));
        EXPECT_TRUE(std::isfinite(agv::Tsmax[i]));
    }
}

TEST_F(DesignTest, ZeroFrequencySearchIsBounded) {
    // Steered laws: all gains 0, so B3 = B2 = C = 0 at every T and no test
    // ever fails; the search ends at its bound. The PI law's integral gain
    // is 0/0 = NaN, which stops its search at once.
    enterNaturalFrequency(0.0);
    EXPECT_EQ(printed3(agv::Tsmax[0]), "0.011");
    for (int i = 1; i < agv::kMechanismCount; ++i) {
        EXPECT_NEAR(agv::Tsmax[i], agv::kTsmaxSearchLimit, 0.0005);
        EXPECT_FALSE(agv::isStableAtTs(i));  // the verdict wants B3, B2, C strictly positive
    }
}

}  // namespace
