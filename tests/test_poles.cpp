// The sampled loops' poles, their locus against Ts and the loop broken at the
// command, checked against what they must satisfy independently of how they
// are found: the report's polynomial and its Hurwitz verdict, the model's
// spectral radius and path limits, the limit search's grid, ideal sampling
// at small Ts, and the loop's own complex value.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/poles.h"
#include "sim/runs.h"
#include "sim/settings.h"

namespace {

using namespace agv;
constexpr double kStep = kTsmaxSearchStep;  // [s] the limit search's grid
constexpr double kRootTol = 1e-12;          // residuals and moduli of well separated roots
constexpr double kDegPerRad = 180.0 / kPi;

class Poles : public ::testing::Test {
  protected:
    void SetUp() override { applyStartupDefaults(); }
};

Complex reportPolynomial(const LoopFigures& f, Complex z) {
    return (((f.a[4] * z + f.a[3]) * z + f.a[2]) * z + f.a[1]) * z + f.a[0];
}

TEST_F(Poles, ReportRootsSolveTheReportsPolynomialAndAgreeWithItsVerdict) {
    for (double ts : {0.05, 0.15, 0.2, 0.3, 0.6}) {
        changeSamplingTime(ts, SampleRule::Console);
        for (int i = 0; i < kMechanismCount; ++i) {
            Complex z[kSampledPoles];
            ASSERT_TRUE(sampledPoles(i, kRouteReport, Circle, ts, z));
            Complex sum = 0.0, product = 1.0;
            for (const Complex& root : z) {
                EXPECT_LT(std::abs(reportPolynomial(loopFigures[i], root)), kRootTol * 100);
                sum += root;
                product *= root;
            }
            const LoopFigures& f = loopFigures[i];  // Vieta: sum -a3/a4, product a0/a4
            EXPECT_NEAR(std::abs(sum + f.a[3] / f.a[4]), 0.0, kRootTol);
            EXPECT_NEAR(std::abs(product - f.a[0] / f.a[4]), 0.0, kRootTol);
            for (int k = 1; k < kSampledPoles; ++k) EXPECT_LE(std::abs(z[k - 1]), std::abs(z[k]));
            EXPECT_EQ(largestModulus(z) < 1.0, isStableAtTs(i)) << i << " Ts " << ts;
        }
    }
}

// The model's eigenvalues give loopSpectralRadius; on the line they are the
// report's for the steered mechanisms. For 2DW1C they differ in proportion to
// wn h (its error integrals are a first-order quadrature within the
// integrator): the same wn Ts at fn 0.3 and 0.03 Hz has h 0.00214 and 0.002 s.
TEST_F(Poles, ModelRouteMatchesTheRadiusAndOnTheLineTheReport) {
    double ratio[2];
    for (int n = 0; n < 2; ++n) {
        const double fnHz = n == 0 ? 0.3 : 0.03, ts = 0.045 / fnHz;
        changeFrequency(fnHz, zeta);
        for (int i = 0; i < kMechanismCount; ++i) {
            Complex model[kSampledPoles], report[kSampledPoles];
            sampledPoles(i, kRouteModel, StraightLine, ts, model);
            sampledPoles(i, kRouteReport, StraightLine, ts, report);
            for (int path : {StraightLine, Circle}) {
                Complex z[kSampledPoles];
                sampledPoles(i, kRouteModel, path, ts, z);
                EXPECT_NEAR(largestModulus(z) / loopSpectralRadius(i, path, ts), 1.0, 1e-12);
            }
            double gap = 0.0;
            for (int k = 0; k < kSampledPoles; ++k)
                gap = std::fmax(gap, std::abs(model[k] - report[k]));
            const double h = ts / stepsPerSampleFor(ts, SampleRule::Console) / kStepsPerRecord;
            if (i == 0) {
                ratio[n] = gap / (wn * h);
                EXPECT_GT(gap, 1e-5);
            } else {
                EXPECT_LT(gap, 1e-8) << i;
            }
        }
    }
    EXPECT_NEAR(ratio[0] / ratio[1], 1.0, 0.02);
}

TEST_F(Poles, LocusCrossesTheCircleAtTheLimits) {
    for (double fnHz : {0.3, 0.1}) {
        changeFrequency(fnHz, zeta);
        double grid[kLocusPoints], largest[kLocusPoints];
        Complex z[kLocusPoints][kSampledPoles];
        locusGrid(kLocusTsMin, kLocusTsMax, kLocusPoints, grid);
        EXPECT_DOUBLE_EQ(grid[0], kLocusTsMin);
        EXPECT_DOUBLE_EQ(grid[kLocusPoints - 1], kLocusTsMax);
        for (int i = 0; i < kMechanismCount; ++i) {
            for (int path : {StraightLine, Circle}) {
                for (int route : {kRouteReport, kRouteModel}) {
                    if (route == kRouteReport && path == Circle) continue;
                    loopLocus(i, route, path, grid, kLocusPoints, z, largest);
                    const LocusCrossing c =
                        locusCrossing(i, route, path, grid, largest, kLocusPoints);
                    const double limit =
                        route == kRouteReport ? Tsmax[i] : searchLoopLimit(i, path);
                    EXPECT_GT(c.ts, limit - kStep - 1e-9) << fnHz << " " << i << " " << path;
                    EXPECT_LE(c.ts, limit + 1e-9) << fnHz << " " << i << " " << path;
                    EXPECT_NEAR(std::abs(c.pole), 1.0, route == kRouteReport ? 1e-12 : 1e-6);
                }
            }
        }
    }
}

// Ideal sampling: at small Ts the three chain poles approach exp(s Ts) to a
// relative error that shrinks with Ts, and the delay's pole approaches R Ts.
TEST_F(Poles, SmallTsApproachesIdealSampling) {
    double error[2];
    for (int n = 0; n < 2; ++n) {
        const double ts = n == 0 ? 1e-3 : 1e-4;
        Complex z[kSampledPoles], mapped[kContinuousPoles];
        sampledPoles(1, kRouteReport, StraightLine, ts, z);
        mappedContinuousPoles(1, ts, mapped);
        EXPECT_NEAR(z[0].real() / (loopCoefficients(1).R * ts), 1.0, 20 * ts);
        error[n] = 0.0;
        for (const Complex& m : mapped) {
            double nearest = HUGE_VAL;
            for (int k = 1; k < kSampledPoles; ++k)
                nearest = std::fmin(nearest, std::abs(z[k] - m));
            error[n] = std::fmax(error[n], nearest / std::abs(m - 1.0));
        }
    }
    EXPECT_NEAR(error[0] / error[1], 10.0, 0.5);
}

TEST_F(Poles, MarginsOfBothLoops) {
    for (int i : {0, 1}) {
        const LoopCoefficients k = loopCoefficients(i);
        const LoopMargins c = continuousMargins(i);
        EXPECT_NEAR(std::abs(continuousLoop(i, c.crossover)), 1.0, 1e-12);
        EXPECT_NEAR(c.phaseMargin, 180.0 + kDegPerRad * std::arg(continuousLoop(i, c.crossover)),
                    1e-9);
        EXPECT_NEAR(continuousLoop(i, c.lowerCrossover).imag(), 0.0, 1e-12);
        EXPECT_NEAR(c.lowerGainMargin,
                    20 * std::log10(std::abs(continuousLoop(i, c.lowerCrossover))), 1e-9);
        EXPECT_TRUE(std::isinf(c.upperGainMargin));
        // The closed forms against the loop's complex value, modulo a turn.
        for (double ts : {0.0, 0.1, 0.2}) {
            for (double w : {0.3, 2.0, 9.0}) {
                double db, phase;
                loopResponseAt(i, ts, w, db, phase);
                const Complex L = ts == 0.0 ? continuousLoop(i, w) : sampledLoop(i, ts, w);
                EXPECT_NEAR(db, 20 * std::log10(std::abs(L)), 1e-9);
                EXPECT_NEAR(std::remainder(phase - kDegPerRad * std::arg(L), 360.0), 0.0, 1e-9);
            }
        }
        // At the report's limit the pair on the circle is 1 + L(z) = 0: no
        // phase margin and no upper gain margin, at the pole's angle w T.
        double grid[kLocusPoints], largest[kLocusPoints];
        Complex z[kLocusPoints][kSampledPoles];
        locusGrid(kLocusTsMin, kLocusTsMax, kLocusPoints, grid);
        loopLocus(i, kRouteReport, StraightLine, grid, kLocusPoints, z, largest);
        const LocusCrossing at =
            locusCrossing(i, kRouteReport, StraightLine, grid, largest, kLocusPoints);
        const LoopMargins s = sampledMargins(i, at.ts);
        EXPECT_NEAR(s.phaseMargin, 0.0, 1e-6);
        EXPECT_NEAR(s.upperGainMargin, 0.0, 1e-6);
        EXPECT_NEAR(s.crossover * at.ts, std::arg(at.pole), 1e-7);
        EXPECT_GT(sampledMargins(i, at.ts * 0.99).upperGainMargin, 0.0);
        EXPECT_LT(sampledMargins(i, at.ts * 1.01).phaseMargin, 0.0);
        // The budget's first-order estimate closes on the exact margin as Ts shrinks.
        const PhaseBudget wide = phaseBudget(i, 0.1), narrow = phaseBudget(i, 0.01);
        EXPECT_LT(std::fabs(narrow.left - narrow.sampledMargin),
                  0.05 * std::fabs(wide.left - wide.sampledMargin));
        EXPECT_NEAR(wide.hold * 2, wide.delay, 1e-12);
        EXPECT_GT(k.Q * k.R, k.P);  // a stable continuous design: positive lower margin
    }
}

TEST_F(Poles, UndefinedLoopsGiveNaN) {
    zeta = 0.0;
    changeFrequency(fn, zeta);  // 2DW1C cannot be designed; the steered mechanisms can
    Complex z[kSampledPoles], s[kContinuousPoles];
    for (int route : {kRouteReport, kRouteModel}) {
        EXPECT_FALSE(sampledPoles(0, route, StraightLine, 0.2, z));
        EXPECT_TRUE(std::isnan(largestModulus(z)));
        EXPECT_TRUE(sampledPoles(1, route, StraightLine, 0.2, z));
    }
    EXPECT_FALSE(continuousPoles(0, s));
    EXPECT_TRUE(std::isnan(sampledMargins(0, 0.2).phaseMargin));
    applyStartupDefaults();
    for (double ts : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        EXPECT_FALSE(sampledPoles(1, kRouteReport, StraightLine, ts, z)) << ts;
        EXPECT_TRUE(std::isnan(sampledMargins(1, ts).crossover)) << ts;
    }
    EXPECT_FALSE(sampledPoles(1, kRouteModel, Circle, kTsmaxSearchLimit * 1.01, z));
    sampledPoles(1, kRouteReport, StraightLine, 1e300, z);  // ends, whatever it finds
}

}  // namespace
