#include "sim/design.h"

#include <cmath>

namespace agv {

double kdPI1 = 0.0;
double kthPI1 = 0.0;
double kiPI1 = 0.0;
double kd2 = 0.0, kth2 = 0.0, kph2 = 0.0;
double kd3 = 0.0, kth3 = 0.0, kph3 = 0.0;

LoopFigures loopFigures[kMechanismCount];
double Tsmax[kMechanismCount];

namespace {

// Number of T values the limit search tries: 0.011, 0.012, ... up to 100.000 s.
const int kTsmaxSearchSteps =
    static_cast<int>((kTsmaxSearchLimit - kTsmaxSearchStart) / kTsmaxSearchStep + 0.5);

void computePolynomial(const LoopCoefficients& k, double T, double a[5]) {
    a[4] = 6.0;
    a[3] = -18.0;
    a[2] = ((k.P * T + 3.0 * k.Q) * T + 6.0 * k.R) * T + 18.0;
    a[1] = (4.0 * k.P * T * T - 12.0 * k.R) * T - 6.0;
    a[0] = ((k.P * T - 3.0 * k.Q) * T + 6.0 * k.R) * T;
}

// B0..B4 of the loop at T from their closed forms: the bilinear transform of
// 6z(z-1)^3 + 6RT(z-1)^2 + 3QT^2(z^2-1) + PT^3(z^2+4z+1) worked out by hand.
// The sums of the a's that define them cancel: their constants (6, -18, 18,
// -6) are exact but the T terms are rounded, so B4 = 6PT^3 summed from the
// a's came out -6.9e-16 at T = 1e-6 s and turned a stable loop unstable.
void computeBilinear(const LoopCoefficients& k, double T, double B[5]) {
    const double rT = k.R * T;
    const double qT2 = k.Q * T * T;
    const double pT3 = k.P * T * T * T;
    B[4] = 6.0 * pT3;
    B[3] = 12.0 * T * T * (k.Q - k.P * T);
    B[2] = 24.0 * rT - 24.0 * qT2 + 4.0 * pT3;
    B[1] = 48.0 - 48.0 * rT + 12.0 * qT2 + 4.0 * pT3;
    B[0] = 48.0 + 24.0 * rT - 2.0 * pT3;
}
double hurwitzC(const double B[5]) {
    return (B[3] * B[2] - B[4] * B[1]) * B[1] - B[3] * B[3] * B[0];
}

// True when v is negative or NaN: the stop test of the limit search.
bool failsSearch(double v) {
    return !(v >= 0.0);
}

// The limit search of one mechanism: the first T at which B3, B2, B1, B0 or
// C is negative (or NaN).
double searchOne(const LoopCoefficients& k) {
    double T = kTsmaxSearchStart;
    for (int step = 0; step < kTsmaxSearchSteps; ++step) {
        T += kTsmaxSearchStep;
        double B[5];
        computeBilinear(k, T, B);
        if (failsSearch(B[3]) || failsSearch(B[2]) || failsSearch(B[1]) || failsSearch(B[0]) ||
            failsSearch(hurwitzC(B))) {
            break;
        }
    }
    return T;
}

// a0..a4, B0..B4 and C of the loop with coefficients k at sampling time T [s].
LoopFigures loopFiguresAt(const LoopCoefficients& k, double T) {
    LoopFigures f{};
    computePolynomial(k, T, f.a);
    computeBilinear(k, T, f.B);
    f.C = hurwitzC(f.B);
    return f;
}

}  // namespace

LoopCoefficients loopCoefficients(int i) {
    switch (i) {
        case 0:
            return {V * kiPI1 * kdPI1, V * kdPI1 + kiPI1 * kthPI1, kthPI1};
        case 1:
            return {(V * V / L) * kd2, (V / L) * kth2, kph2};
        default:
            return {(V * V / L) * kd3, (V / L) * kth3, kph3};
    }
}

void designControl() {
    // 2DW1C: closed loop (s^2 + 2 zeta wn s + wn^2)(s + alpha1), alpha1 = wn / (4 zeta).
    const double alpha1 = wn / (4.0 * zeta);
    const double c2 = 2.0 * zeta * wn + alpha1;
    const double c1 = (2.0 * zeta * alpha1 + wn) * wn;
    const double c0 = wn * wn * alpha1;
    kdPI1 = c1 / (2.0 * V);
    kthPI1 = c2;
    kiPI1 = c0 / (kdPI1 * V);

    // Steered mechanisms: third pole alpha = wn.
    const double alpha = wn;
    kph2 = kph3 = 2.0 * zeta * wn + alpha;
    kth2 = kth3 = (wn * wn + 2.0 * zeta * wn * alpha) * L / V;
    kd2 = kd3 = wn * wn * alpha * L / (V * V);

    for (int i = 0; i < kMechanismCount; ++i) {
        loopFigures[i] = loopFiguresAt(loopCoefficients(i), Ts);
    }
}

void searchTsmax() {
    for (int i = 0; i < kMechanismCount; ++i) Tsmax[i] = searchOne(loopCoefficients(i));
}

bool isStableAtTs(int i) {
    const LoopFigures& f = loopFigures[i];
    for (int b = 0; b < 5; ++b) {
        if (!(f.B[b] > 0.0)) return false;
    }
    return f.C > 0.0;
}

bool gainsFinite(int i) {
    const double gains[kMechanismCount][3] = {
        {kdPI1, kthPI1, kiPI1}, {kd2, kth2, kph2}, {kd3, kth3, kph3}};
    for (double k : gains[i]) {
        if (!std::isfinite(k)) return false;
    }
    return true;
}

}  // namespace agv
