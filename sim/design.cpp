#include "sim/design.h"

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

double bilinearB4(const double a[5]) {
    return a[4] + a[3] + a[2] + a[1] + a[0];
}
double bilinearB3(const double a[5]) {
    return 4.0 * (a[4] - a[0]) + 2.0 * (a[3] - a[1]);
}
double bilinearB2(const double a[5]) {
    return 6.0 * (a[4] + a[0]) - 2.0 * a[2];
}
double bilinearB1(const double a[5]) {
    return 4.0 * (a[4] - a[0]) + 2.0 * (a[1] - a[3]);
}
double bilinearB0(const double a[5]) {
    return a[4] - a[3] + a[2] - a[1] + a[0];
}
double hurwitzC(const double B[5]) {
    return (B[3] * B[2] - B[4] * B[1]) * B[1] - B[3] * B[3] * B[0];
}

// True when v is negative or NaN: the stop test of the limit search.
bool failsSearch(double v) {
    return !(v >= 0.0);
}

// The limit search of one mechanism; tests the conditions in the order
// B3, B2, B1, B0, C and stops at the first T where one is negative (or NaN).
double searchOne(const LoopCoefficients& k) {
    double T = kTsmaxSearchStart;
    for (int step = 0; step < kTsmaxSearchSteps; ++step) {
        T += kTsmaxSearchStep;
        double a[5];
        double B[5];
        computePolynomial(k, T, a);
        B[4] = bilinearB4(a);
        B[3] = bilinearB3(a);
        if (failsSearch(B[3])) break;
        B[2] = bilinearB2(a);
        if (failsSearch(B[2])) break;
        B[1] = bilinearB1(a);
        if (failsSearch(B[1])) break;
        B[0] = bilinearB0(a);
        if (failsSearch(B[0])) break;
        if (failsSearch(hurwitzC(B))) break;
    }
    return T;
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

LoopFigures loopFiguresAt(const LoopCoefficients& k, double T) {
    LoopFigures f{};
    computePolynomial(k, T, f.a);
    f.B[4] = bilinearB4(f.a);
    f.B[3] = bilinearB3(f.a);
    f.B[2] = bilinearB2(f.a);
    f.B[1] = bilinearB1(f.a);
    f.B[0] = bilinearB0(f.a);
    f.C = hurwitzC(f.B);
    return f;
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

}  // namespace agv
