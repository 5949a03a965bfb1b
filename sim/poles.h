// Why a sampled-data loop loses stability: its poles in the z-plane, their
// locus against the sampling time, and its frequency response broken at the
// command.
//
// Poles of mechanism i's sampled loop at a sampling time, by one of two routes:
//   kRouteReport: the four roots of the configuration report's polynomial
//     a4 z^4 + ... + a0 (the loop linearised about the straight line; the
//     same for either path), solved in u = z - 1, whose coefficients are
//     closed forms free of cancellation;
//   kRouteModel: the four eigenvalues of the one-period map's Jacobian that
//     loopSpectralRadius builds from the simulation model on either path
//     (defined up to kTsmaxSearchLimit: its cost grows with Ts).
// The continuous design's poles (roots of s^3 + R s^2 + Q s + P) and their
// images z = exp(s Ts) show where ideal sampling would put them; the fourth
// sampled pole is the delay's, near 0 at small Ts.
//
// The loop broken at the command: L(s) = (R s^2 + Q s + P) / s^3 and the
// sampled loop with its hold and one-period delay,
//   L(z) = z^-1 [R T/(z-1) + Q T^2 (z+1)/(2(z-1)^2) + P T^3 (z^2+4z+1)/(6(z-1)^3)]
// at z = exp(j w T), 0 < w <= pi / T (the Nyquist frequency). Both phases
// start at -270 deg (three integrators) and are continuous in w (closed
// forms, no unwrapping): the phase rises through -180 deg once below the
// gain crossover (the lower gain margin: less gain destabilises) and the
// hold and delay bring it down through -180 deg again above it (the upper
// gain margin, which Ts uses up; the continuous loop has none).
//
// Reads the current gains (designControl first); owns no state. Every result
// is NaN where it is undefined: gains that are not finite (2DW1C at
// zeta = 0), a route or quantity that does not exist at that Ts. Units:
// Ts [s], w [rad/s], s [1/s], phases and angles [deg], gains [dB]. Called by
// the Python face and the Lab; the console program does not use it.
#pragma once

#include <complex>

#include "sim/stability.h"

namespace agv {

using Complex = std::complex<double>;

enum PoleRoute { kRouteReport = 0, kRouteModel = 1 };
constexpr int kRouteCount = 2;
constexpr int kSampledPoles = kLoopStates;  // four: the integrator chain and the delay
constexpr int kContinuousPoles = 3;

// The Lab's Ts slider range and the locus grid over it: kLocusPoints values,
// evenly spaced on a log scale, ends included.
constexpr double kLocusTsMin = 0.01;  // [s]
constexpr double kLocusTsMax = 1.0;   // [s]
constexpr int kLocusPoints = 200;

// A crossing of the unit circle is refined by bisection in Ts: on the report
// route to the resolution of a double; on the model route until its bracket
// is below this [s]. The model's radius carries errors of about 1e-8 (central
// differences) and changes by about 3 per second of Ts there, so a finer
// bracket would mean nothing.
constexpr double kModelCrossingTolerance = 1e-7;

// Poles of mechanism index i (0..2) by route (PoleRoute) on pathType at ts [s],
// sorted by modulus, then by angle. False, with NaN poles, when undefined.
bool sampledPoles(int i, int route, int pathType, double ts, Complex z[kSampledPoles]);

// Largest |z| of four poles (NaN if any is NaN).
double largestModulus(const Complex z[kSampledPoles]);

// The continuous closed loop's poles s [1/s], sorted by modulus, then angle;
// false (NaN) when the gains are not finite.
bool continuousPoles(int i, Complex s[kContinuousPoles]);

// The continuous poles mapped by ideal sampling: z = exp(s ts).
bool mappedContinuousPoles(int i, double ts, Complex z[kContinuousPoles]);

// count values from tsMin to tsMax [s], evenly spaced in log(Ts), ends exact.
void locusGrid(double tsMin, double tsMax, int count, double ts[]);

// The poles (sorted, as sampledPoles) and their largest modulus at each of
// ts[0..count-1] [s]: z[k] and largest[k]. Every face's locus is made of these.
void loopLocus(int i, int route, int pathType, const double ts[], int count,
               Complex z[][kSampledPoles], double largest[]);

// Where the largest |z| of a route first reaches 1 along an increasing Ts grid:
// the first grid interval with largest[k - 1] < 1 <= largest[k] (largest[]:
// the largest moduli at ts[]) is bisected with the route itself. ts is NaN
// when no such interval exists; pole is the largest pole there (upper
// half-plane), whose angle is w T at the oscillation that sets in.
struct LocusCrossing {
    double ts;     // [s]
    Complex pole;  // on the unit circle
};
LocusCrossing locusCrossing(int i, int route, int pathType, const double ts[],
                            const double largest[], int count);

// L at s = j omega (continuous) and at z = exp(j omega ts) (sampled);
// omega [rad/s] > 0, for the sampled loop at most pi / ts.
Complex continuousLoop(int i, double omega);
Complex sampledLoop(int i, double ts, double omega);

// |L| [dB] and its phase [deg], continuous from -270 deg at omega -> 0; the
// sampled loop for ts > 0, the continuous loop for ts = 0. NaN beyond pi / ts.
void loopResponseAt(int i, double ts, double omega, double& magnitudeDb, double& phaseDeg);

// Crossovers [rad/s] and margins of one loop. The continuous loop has no upper
// phase crossover: upperCrossover NaN, upperGainMargin +infinity.
struct LoopMargins {
    double crossover;        // gain crossover wc: |L| = 1 (the highest below pi / Ts)
    double phaseMargin;      // [deg] 180 + phase at wc
    double lowerCrossover;   // phase rises through -180 deg
    double lowerGainMargin;  // [dB] |L| there: the gain may fall this much
    double upperCrossover;   // phase falls through -180 deg again (sampled loop)
    double upperGainMargin;  // [dB] -|L| there: the gain may rise this much
};
LoopMargins continuousMargins(int i);
LoopMargins sampledMargins(int i, double ts);

// What the hold and the delay take from the phase margin at ts [deg]: the
// continuous margin, less the hold's wc T / 2 and the delay's wc T at the
// continuous crossover wc, leaves `left`; the sampled loop's exact margin
// beside it.
struct PhaseBudget {
    double continuousMargin;
    double hold;
    double delay;
    double left;
    double sampledMargin;
};
PhaseBudget phaseBudget(int i, double ts);

}  // namespace agv
