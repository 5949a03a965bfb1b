// The settings changes of the program, written once for every face.
//
// Each operation changes the shared settings (parameters.h) and reruns what
// depends on them (design.h), as the console dialog takes them: the start-up
// defaults; a new fn and zeta (the design and the limit search); a new Ts by
// a stepsPerSample rule (the timing and the design; the limits do not depend
// on Ts); a new start pose. And the checks by which a face refuses a typed
// setting: the console asks Ts again (one message a fault) and takes fn and
// zeta as typed; the Python face refuses all three.
// Owns no state of its own. Called by the console's start-up and dialog, the
// Python module, the tests, the store dump and the benchmarks. Units: Hz, s,
// m and rad.
#pragma once

#include "sim/parameters.h"

namespace agv {

// Start-up settings.
constexpr double kStartupFn = 0.3;      // [Hz]
constexpr double kStartupZeta = 0.707;  // [-]
constexpr double kStartupTs = 0.2;      // [s]
constexpr double kStartupX = 0.0;       // [m]
constexpr double kStartupY = 1.0;       // [m]

// Mechanism 1, the straight line, fn 0.3 Hz, zeta 0.707, Ts 0.2 s with the
// design and the limit search, stepsPerSample and dt by the start-up rule,
// the pose (0 m, 1 m, 0 rad) and steering angle 0, pans 0, currentKey '0',
// and the view reset of a run, so that a fresh state never depends on
// earlier use.
void applyStartupDefaults();

// A new fn [Hz] (with wn) and zeta, then the design at the current Ts and
// the limit search. Takes every double: zeta = 0 leaves 2DW1C's gains not
// finite (see gainsFinite).
void changeFrequency(double fnHz, double dampingRatio);

// What a check of a typed setting found.
enum class SettingCheck {
    Accepted,
    NotPositive,  // not greater than 0, or NaN (fn, Ts)
    Negative,     // below 0, or NaN (zeta)
    NotFinite,    // +infinity (and -infinity for zeta)
};

// A typed sampling time [s]. Accepted: Ts with stepsPerSample and dt by the
// rule, then the design. Refused (see checkSamplingTime): Ts alone holds the
// value, which the console shows as the old one when it asks again; nothing
// else changes.
SettingCheck changeSamplingTime(double ts, SampleRule rule);

// The start pose: position [m] and heading [rad], taken literally.
void changeStartPose(double xM, double yM, double headingRad);

// The start steering angle [rad] of every run (0 in the console program).
void changeStartSteering(double phiRad);

SettingCheck checkSamplingTime(double ts);            // Ts [s]: finite and > 0
SettingCheck checkNaturalFrequency(double fnHz);      // fn [Hz]: finite and > 0
SettingCheck checkDampingRatio(double dampingRatio);  // zeta [-]: finite and >= 0

}  // namespace agv
