#include "sim/stability.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <complex>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/runs.h"

namespace agv {

namespace {

constexpr double kCoarseGrowth = 1.05;  // coarse walk of the limit search: +5 % a step
// The grid of searchTsmax in whole steps: T = n / kGridPerSecond [s].
const int kGridPerSecond = static_cast<int>(1.0 / kTsmaxSearchStep + 0.5);
const int kFirstGridPoint = static_cast<int>(kTsmaxSearchStart * kGridPerSecond + 0.5) + 1;
const int kLastGridPoint = static_cast<int>(kTsmaxSearchLimit * kGridPerSecond + 0.5);

// The steady motion on the path, as loop state: no error; the integral term
// and the held command that keep 2DW1C turning at V / kCircleRadius.
void steadyState(int type, int pathType, double x[kLoopStates]) {
    const double turn = pathType == Circle ? V / kCircleRadius : 0.0;  // [rad/s]
    const bool pi = type == kType2DW1C;
    x[0] = 0.0;
    x[1] = 0.0;
    x[2] = pi ? -turn / kiPI1 : 0.0;  // omega = -kiPI1 c with no error
    x[3] = pi ? turn : 0.0;           // the steered mechanisms' steering rate is 0
}

// One sampling period from loop state x to out, for mechanism type on
// pathType, in `steps` integration steps of h [s]. The vehicle is placed
// where the polar angle (circle) or x (line) is 0: the errors do not depend
// on where along the path it is.
void periodMap(int type, int pathType, int steps, double h, const double x[kLoopStates],
               double out[kLoopStates]) {
    const int slot = lawSlotOf(type);
    const bool pi = type == kType2DW1C;
    const bool circle = pathType == Circle;
    VehicleState s{};
    s.x = circle ? kCircleRadius - x[0] : 0.0;
    s.y = circle ? 0.0 : x[0];
    s.theta = x[1] + (circle ? kHalfPi : 0.0);
    s.phi = pi ? 0.0 : x[2] + (circle ? std::atan(L * kCircleCurv) : 0.0);
    TrackError e{};  // refParam 0: the polar angle starts near 0
    computeTrackError(pathType, s, e, e);

    ControlInputs& in = slotInputsOf(slot);
    in.errD = e.ed;
    in.errTh = e.eth;
    in.errPhi = e.ephi;
    in.intD = pi ? x[2] / kdPI1 : 0.0;  // c = kdPI1 intD + kthPI1 intTh with intTh = 0
    in.intTh = 0.0;
    VehicleDerivative sample{};
    vehicleDerivatives(type, slot, s, in, 0, sample);  // this instant's command
    VehicleDerivative held = sample;                   // the previous one is applied
    (pi ? held.theta : held.phi) = x[3];
    for (int j = 1; j <= steps; ++j) {  // j >= 1: the integrals are carried, not reset
        VehicleState next;
        TrackError nextErr;
        rkgStep(j, h, pathType, type, slot, 1, held, s, e, next, nextErr);
        s = next;
        e = nextErr;
    }
    out[0] = e.ed;
    out[1] = e.eth;
    out[2] = pi ? kdPI1 * in.intD + kthPI1 * in.intTh : e.ephi;
    out[3] = pi ? sample.theta : sample.phi;
}

bool belowOne(int i, int pathType, int gridPoint) {
    return loopSpectralRadius(i, pathType, static_cast<double>(gridPoint) / kGridPerSecond) < 1.0;
}

// Jacobian J[row][col] of the one-period map of mechanism index i (0..2) on
// pathType at the sampling time ts [s], about the steady motion.
void loopJacobian(int i, int pathType, double ts, double J[kLoopStates][kLoopStates]) {
    const int type = i + 1;
    const int n = stepsPerSampleFor(ts, SampleRule::Console);
    const int steps = kStepsPerRecord * n;
    const double h = ts / n / kStepsPerRecord;  // [s]
    double steady[kLoopStates];
    steadyState(type, pathType, steady);
    for (int col = 0; col < kLoopStates; ++col) {
        double plus[kLoopStates], minus[kLoopStates], fPlus[kLoopStates], fMinus[kLoopStates];
        for (int k = 0; k < kLoopStates; ++k) plus[k] = minus[k] = steady[k];
        plus[col] += kLoopDiffStep;
        minus[col] -= kLoopDiffStep;
        periodMap(type, pathType, steps, h, plus, fPlus);
        periodMap(type, pathType, steps, h, minus, fMinus);
        for (int row = 0; row < kLoopStates; ++row) {
            J[row][col] = (fPlus[row] - fMinus[row]) / (2.0 * kLoopDiffStep);
        }
    }
}

}  // namespace

bool loopEigenvalues(int i, int pathType, double ts, std::complex<double> z[kLoopStates]) {
    Eigen::Matrix<double, kLoopStates, kLoopStates> J;
    {
        double rows[kLoopStates][kLoopStates];
        loopJacobian(i, pathType, ts, rows);
        for (int r = 0; r < kLoopStates; ++r) {
            for (int c = 0; c < kLoopStates; ++c) J(r, c) = rows[r][c];
        }
    }
    const std::complex<double> nan(std::nan(""), std::nan(""));
    if (!J.allFinite()) {
        for (int k = 0; k < kLoopStates; ++k) z[k] = nan;
        return false;
    }
    // Fixed-size real Schur decomposition (Hessenberg reduction, shifted QR):
    // no allocation; it gives up after a bounded number of sweeps.
    Eigen::EigenSolver<Eigen::Matrix<double, kLoopStates, kLoopStates>> solver(J, false);
    const bool found = solver.info() == Eigen::Success;
    for (int k = 0; k < kLoopStates; ++k) z[k] = found ? solver.eigenvalues()(k) : nan;
    return found;
}

double loopSpectralRadius(int i, int pathType, double ts) {
    std::complex<double> z[kLoopStates];
    if (!loopEigenvalues(i, pathType, ts, z)) return std::nan("");
    double largest = 0.0;
    for (const auto& root : z) largest = std::fmax(largest, std::abs(root));
    return largest;
}

double searchLoopLimit(int i, int pathType) {
    int pass = 0;  // last grid point known to pass (0: none yet)
    int n = kFirstGridPoint;
    while (n < kLastGridPoint && belowOne(i, pathType, n)) {
        pass = n;
        const int grown = static_cast<int>(n * kCoarseGrowth);
        n = std::min(grown > n ? grown : n + 1, kLastGridPoint);
    }
    if (pass == 0) return static_cast<double>(n) / kGridPerSecond;
    int fail = n;  // fails (or is the bound)
    while (fail - pass > 1) {
        const int mid = pass + (fail - pass) / 2;
        if (belowOne(i, pathType, mid)) {
            pass = mid;
        } else {
            fail = mid;
        }
    }
    return static_cast<double>(fail) / kGridPerSecond;
}

}  // namespace agv
