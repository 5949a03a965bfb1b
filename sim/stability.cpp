#include "sim/stability.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/runs.h"

namespace agv {

namespace {

constexpr int kRootIterations = 500;    // Durand-Kerner sweeps; a 4th-degree polynomial
                                        // converges in far fewer
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

// Largest |root| of z^4 + c[3] z^3 + c[2] z^2 + c[1] z + c[0] (Durand-Kerner).
double largestRoot(const double c[kLoopStates]) {
    std::complex<double> z[kLoopStates];
    for (int k = 0; k < kLoopStates; ++k) z[k] = std::pow(std::complex<double>(0.4, 0.9), k);
    for (int it = 0; it < kRootIterations; ++it) {
        for (int k = 0; k < kLoopStates; ++k) {
            std::complex<double> p = 1.0;
            std::complex<double> den = 1.0;
            for (int m = kLoopStates - 1; m >= 0; --m) p = p * z[k] + c[m];
            for (int m = 0; m < kLoopStates; ++m) {
                if (m != k) den *= z[k] - z[m];
            }
            z[k] -= p / den;
        }
    }
    double largest = 0.0;
    for (const auto& root : z) largest = std::fmax(largest, std::abs(root));
    return largest;
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

double loopSpectralRadius(int i, int pathType, double ts) {
    double J[kLoopStates][kLoopStates];
    loopJacobian(i, pathType, ts, J);
    // Characteristic polynomial by Faddeev-LeVerrier: M_k = J M_(k-1) + c_(n-k+1) I,
    // c_(n-k) = -trace(J M_k) / k, with M_0 = 0 and c_n = 1.
    double c[kLoopStates + 1];
    c[kLoopStates] = 1.0;
    double M[kLoopStates][kLoopStates] = {};
    for (int k = 1; k <= kLoopStates; ++k) {
        double next[kLoopStates][kLoopStates];
        for (int r = 0; r < kLoopStates; ++r) {
            for (int q = 0; q < kLoopStates; ++q) {
                double sum = r == q ? c[kLoopStates - k + 1] : 0.0;
                for (int m = 0; m < kLoopStates; ++m) sum += J[r][m] * M[m][q];
                next[r][q] = sum;
            }
        }
        double trace = 0.0;
        for (int r = 0; r < kLoopStates; ++r) {
            for (int m = 0; m < kLoopStates; ++m) trace += J[r][m] * next[m][r];
        }
        c[kLoopStates - k] = -trace / k;
        for (int r = 0; r < kLoopStates; ++r) {
            for (int q = 0; q < kLoopStates; ++q) M[r][q] = next[r][q];
        }
    }
    for (double v : c) {
        if (!std::isfinite(v)) return std::nan("");
    }
    return largestRoot(c);
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
