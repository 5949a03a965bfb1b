#include "sim/poles.h"

#include <Eigen/Core>
#include <cmath>
#include <limits>
#include <unsupported/Eigen/Polynomials>

#include "sim/design.h"
#include "sim/parameters.h"

namespace agv {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const Complex kNaNPole(kNaN, kNaN);
constexpr double kDegPerRad = 180.0 / kPi;
// The frequency scan of the sampled loop's margins: kMarginGridPoints values
// of w T, evenly spaced on a log scale from a thousandth of the continuous
// loop's lower phase crossover (times T) up to pi (Nyquist). Neighbours differ
// by under 1 %, far less than the distance between the loop's crossings.
constexpr int kMarginGridPoints = 2048;
constexpr double kMarginGridBelow = 1e-3;   // lowest w T as a fraction of the reference
constexpr double kMarginGridLowest = 1e-9;  // w T when the reference is undefined
constexpr int kBisections = 200;            // more than a double's bisection ever needs

bool finiteLoop(const LoopCoefficients& k) {
    return std::isfinite(k.P) && std::isfinite(k.Q) && std::isfinite(k.R);
}

bool before(const Complex& a, const Complex& b) {
    const double ma = std::abs(a), mb = std::abs(b);
    return ma < mb || (ma == mb && std::arg(a) < std::arg(b));
}

// Sorted by modulus, then angle (insertion sort of a handful).
template <int N>
void sortPoles(Complex z[N]) {
    for (int k = 1; k < N; ++k) {
        const Complex v = z[k];
        int m = k;
        for (; m > 0 && before(v, z[m - 1]); --m) z[m] = z[m - 1];
        z[m] = v;
    }
}

template <int N>
void fillNaN(Complex z[N]) {
    for (int k = 0; k < N; ++k) z[k] = kNaNPole;
}

// Roots of c[0] + c[1] x + ... + c[N] x^N (c[N] != 0) by Eigen's balanced
// companion matrix; false when a coefficient is not finite.
template <int N>
bool polynomialRoots(const double c[N + 1], Complex roots[N]) {
    Eigen::Matrix<double, N + 1, 1> coefficients;
    for (int k = 0; k <= N; ++k) {
        if (!std::isfinite(c[k])) return false;
        coefficients(k) = c[k];
    }
    Eigen::PolynomialSolver<double, N> solver(coefficients);
    for (int k = 0; k < N; ++k) roots[k] = solver.roots()(k);
    return true;
}

// The sampled loop at theta = w T in (0, pi]: numerator N(z) = c2 z^2 + c1 z + c0
// of L(z) = N(z) / (6 z (z-1)^3), written as exp(j theta) (re + j im) with the
// cancelling cos(theta) - 1 taken as -2 sin^2(theta / 2).
struct SampledTerms {
    double re, im, halfSine;
};
SampledTerms sampledTerms(const LoopCoefficients& k, double T, double theta) {
    const double half = std::sin(0.5 * theta);
    const double rT = k.R * T, qT2 = k.Q * T * T, pT3 = k.P * T * T * T;
    return {-24.0 * rT * half * half + 2.0 * pT3 * (std::cos(theta) + 2.0),
            6.0 * qT2 * std::sin(theta), half};
}

// ln |L| and the phase [rad] of the sampled loop at theta: arg N - arg z - 3 arg(z - 1),
// with arg(z - 1) = theta / 2 + pi / 2 and arg N = theta + atan2(im, re), im > 0.
double sampledLogGain(const LoopCoefficients& k, double T, double theta) {
    const SampledTerms t = sampledTerms(k, T, theta);
    return std::log(std::hypot(t.re, t.im)) - std::log(48.0 * t.halfSine * t.halfSine * t.halfSine);
}
double sampledPhase(const LoopCoefficients& k, double T, double theta) {
    const SampledTerms t = sampledTerms(k, T, theta);
    return std::atan2(t.im, t.re) - 1.5 * theta - 1.5 * kPi;
}

double continuousLogGain(const LoopCoefficients& k, double w) {
    return std::log(std::hypot(k.P - k.R * w * w, k.Q * w)) - 3.0 * std::log(w);
}
double continuousPhase(const LoopCoefficients& k, double w) {
    return std::atan2(k.Q * w, k.P - k.R * w * w) - 1.5 * kPi;
}

// The root of f in [lo, hi], where f(lo) and f(hi) differ in sign, to a double's resolution.
template <class F>
double bisect(F f, double lo, double hi) {
    const bool lowNegative = f(lo) < 0.0;
    for (int n = 0; n < kBisections; ++n) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        ((f(mid) < 0.0) == lowNegative ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

LoopMargins undefinedMargins() {
    return {kNaN, kNaN, kNaN, kNaN, kNaN, kNaN};
}

double dB(double logGain) {
    return 20.0 * logGain / std::log(10.0);
}

}  // namespace

bool sampledPoles(int i, int route, int pathType, double ts, Complex z[kSampledPoles]) {
    bool found = false;
    if (ts > 0.0 && std::isfinite(ts)) {
        if (route == kRouteModel) {
            found = ts <= kTsmaxSearchLimit && loopEigenvalues(i, pathType, ts, z);
        } else {
            // In u = z - 1: 6u^4 + 6u^3 + (6RT + 3QT^2 + PT^3)u^2 + 6(QT^2 + PT^3)u + 6PT^3.
            const LoopCoefficients k = loopCoefficients(i);
            const double T = ts, rT = k.R * T, qT2 = k.Q * T * T, pT3 = k.P * T * T * T;
            const double c[kSampledPoles + 1] = {6.0 * pT3, 6.0 * (qT2 + pT3),
                                                 6.0 * rT + 3.0 * qT2 + pT3, 6.0, 6.0};
            found = polynomialRoots<kSampledPoles>(c, z);
            for (int m = 0; found && m < kSampledPoles; ++m) z[m] += 1.0;
        }
    }
    if (!found) {
        fillNaN<kSampledPoles>(z);
        return false;
    }
    sortPoles<kSampledPoles>(z);
    return true;
}

double largestModulus(const Complex z[kSampledPoles]) {
    double largest = 0.0;
    for (int k = 0; k < kSampledPoles; ++k) {
        const double m = std::abs(z[k]);
        if (std::isnan(m)) return kNaN;
        largest = std::fmax(largest, m);
    }
    return largest;
}

bool continuousPoles(int i, Complex s[kContinuousPoles]) {
    const LoopCoefficients k = loopCoefficients(i);
    const double c[kContinuousPoles + 1] = {k.P, k.Q, k.R, 1.0};
    if (!polynomialRoots<kContinuousPoles>(c, s)) {
        fillNaN<kContinuousPoles>(s);
        return false;
    }
    sortPoles<kContinuousPoles>(s);
    return true;
}

bool mappedContinuousPoles(int i, double ts, Complex z[kContinuousPoles]) {
    Complex s[kContinuousPoles];
    const bool found = continuousPoles(i, s) && ts > 0.0 && std::isfinite(ts);
    for (int k = 0; k < kContinuousPoles; ++k) z[k] = found ? std::exp(s[k] * ts) : kNaNPole;
    return found;
}

void locusGrid(double tsMin, double tsMax, int count, double ts[]) {
    if (count <= 0) return;
    const double span = std::log(tsMax / tsMin);
    for (int k = 0; k < count; ++k) {
        ts[k] = count == 1 ? tsMin : tsMin * std::exp(span * k / (count - 1));
    }
    if (count > 1) ts[count - 1] = tsMax;
}

void loopLocus(int i, int route, int pathType, const double ts[], int count,
               Complex z[][kSampledPoles], double largest[]) {
    for (int k = 0; k < count; ++k) {
        sampledPoles(i, route, pathType, ts[k], z[k]);
        largest[k] = largestModulus(z[k]);
    }
}

LocusCrossing locusCrossing(int i, int route, int pathType, const double ts[],
                            const double largest[], int count) {
    LocusCrossing found{kNaN, kNaNPole};
    int k = 1;
    while (k < count && !(largest[k - 1] < 1.0 && !(largest[k] < 1.0))) ++k;
    if (k >= count) return found;
    Complex z[kSampledPoles];
    double lo = ts[k - 1], hi = ts[k];
    for (int n = 0; n < kBisections; ++n) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        if (route == kRouteModel && hi - lo < kModelCrossingTolerance) break;
        sampledPoles(i, route, pathType, mid, z);
        (largestModulus(z) < 1.0 ? lo : hi) = mid;
    }
    found.ts = 0.5 * (lo + hi);
    sampledPoles(i, route, pathType, found.ts, z);
    found.pole = z[kSampledPoles - 1];
    found.pole = Complex(found.pole.real(), std::fabs(found.pole.imag()));
    return found;
}

Complex continuousLoop(int i, double omega) {
    const LoopCoefficients k = loopCoefficients(i);
    const Complex s(0.0, omega);
    return (k.R * s * s + k.Q * s + k.P) / (s * s * s);
}

Complex sampledLoop(int i, double ts, double omega) {
    const LoopCoefficients k = loopCoefficients(i);
    const double T = ts;
    const Complex z = std::exp(Complex(0.0, omega * T));
    const Complex e = z - 1.0;
    return (k.R * T / e + k.Q * T * T * (z + 1.0) / (2.0 * e * e) +
            k.P * T * T * T * (z * z + 4.0 * z + 1.0) / (6.0 * e * e * e)) /
           z;
}

void loopResponseAt(int i, double ts, double omega, double& magnitudeDb, double& phaseDeg) {
    const LoopCoefficients k = loopCoefficients(i);
    magnitudeDb = phaseDeg = kNaN;
    if (!(omega > 0.0) || !finiteLoop(k)) return;
    if (ts == 0.0) {
        magnitudeDb = dB(continuousLogGain(k, omega));
        phaseDeg = kDegPerRad * continuousPhase(k, omega);
    } else if (ts > 0.0 && omega * ts <= kPi * (1.0 + 1e-12)) {
        const double theta = std::fmin(omega * ts, kPi);
        magnitudeDb = dB(sampledLogGain(k, ts, theta));
        phaseDeg = kDegPerRad * sampledPhase(k, ts, theta);
    }
}

LoopMargins continuousMargins(int i) {
    const LoopCoefficients k = loopCoefficients(i);
    if (!finiteLoop(k) || !(k.P > 0.0 && k.Q > 0.0 && k.R > 0.0)) return undefinedMargins();
    // |L(jw)| = 1 in x = w^2: x^3 - R^2 x^2 - (Q^2 - 2PR) x - P^2 = 0; its highest
    // positive root.
    const double c[4] = {-k.P * k.P, -(k.Q * k.Q - 2.0 * k.P * k.R), -k.R * k.R, 1.0};
    Complex x[3];
    polynomialRoots<3>(c, x);
    double highest = kNaN;
    for (const Complex& root : x) {
        if (root.real() > 0.0 && std::fabs(root.imag()) <= 1e-9 * std::abs(root) &&
            !(root.real() <= highest)) {
            highest = root.real();
        }
    }
    LoopMargins m;
    m.crossover = std::sqrt(highest);
    m.phaseMargin = 180.0 + kDegPerRad * continuousPhase(k, m.crossover);
    // The phase is -180 deg where P = R w^2; there L = -QR / P.
    m.lowerCrossover = std::sqrt(k.P / k.R);
    m.lowerGainMargin = dB(std::log(k.Q * k.R / k.P));
    m.upperCrossover = kNaN;
    m.upperGainMargin = std::numeric_limits<double>::infinity();
    return m;
}

LoopMargins sampledMargins(int i, double ts) {
    const LoopCoefficients k = loopCoefficients(i);
    if (!finiteLoop(k) || !(ts > 0.0 && std::isfinite(ts))) return undefinedMargins();
    const double T = ts;
    double lowest = kMarginGridBelow * T * std::sqrt(k.P / k.R);
    if (!(lowest > 0.0 && lowest < kPi)) lowest = kMarginGridLowest;
    lowest = std::fmin(lowest, kMarginGridBelow * kPi);
    const double step = std::log(kPi / lowest) / (kMarginGridPoints - 1);
    auto gain = [&](double theta) { return sampledLogGain(k, T, theta); };
    auto phase = [&](double theta) { return sampledPhase(k, T, theta) + kPi; };  // 0 at -180 deg

    LoopMargins m = undefinedMargins();
    double thetaCross = kNaN, thetaLower = kNaN, thetaUpper = kNaN;
    double prevTheta = lowest, prevGain = gain(lowest), prevPhase = phase(lowest);
    for (int n = 1; n < kMarginGridPoints; ++n) {
        const double theta = n == kMarginGridPoints - 1 ? kPi : lowest * std::exp(step * n);
        const double g = gain(theta), p = phase(theta);
        if (prevGain > 0.0 && !(g > 0.0)) thetaCross = bisect(gain, prevTheta, theta);  // highest
        if (std::isnan(thetaLower) && prevPhase < 0.0 && !(p < 0.0)) {
            thetaLower = bisect(phase, prevTheta, theta);
        } else if (!std::isnan(thetaLower) && std::isnan(thetaUpper) && prevPhase > 0.0 &&
                   !(p > 0.0)) {
            thetaUpper = bisect(phase, prevTheta, theta);
        }
        prevTheta = theta;
        prevGain = g;
        prevPhase = p;
    }
    if (!std::isnan(thetaCross)) {
        m.crossover = thetaCross / T;
        m.phaseMargin = kDegPerRad * phase(thetaCross);
    }
    if (!std::isnan(thetaLower)) {
        m.lowerCrossover = thetaLower / T;
        m.lowerGainMargin = dB(gain(thetaLower));
    }
    if (!std::isnan(thetaUpper)) {
        m.upperCrossover = thetaUpper / T;
        m.upperGainMargin = -dB(gain(thetaUpper));
    }
    return m;
}

PhaseBudget phaseBudget(int i, double ts) {
    const LoopMargins c = continuousMargins(i);
    PhaseBudget b;
    b.continuousMargin = c.phaseMargin;
    b.hold = kDegPerRad * c.crossover * ts / 2.0;
    b.delay = kDegPerRad * c.crossover * ts;
    b.left = b.continuousMargin - b.hold - b.delay;
    b.sampledMargin = sampledMargins(i, ts).phaseMargin;
    return b;
}

}  // namespace agv
