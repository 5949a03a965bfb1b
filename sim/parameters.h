// Shared parameters and state of the whole program.
//
// Owns every setting the user can change (mechanism, path, fn, zeta, Ts, start
// pose), the fixed vehicle constants, the values derived from them (wn,
// stepsPerSample, dt) and the view/animation state of the window. Every module
// reads and writes these single instances directly; there is no other copy.
//
// Units: metres, radians and seconds everywhere inside the program; degrees
// only on the console (kRadToDeg, kDegToRad). View values are window units
// (the window spans -1..+1 on both axes).
//
// Callers: the settings operations (settings.h) set the defaults and change
// the settings for every face; the keyboard callback changes the view, and
// the console dialog resets it after every run.
#pragma once

namespace agv {

// ---- Shared constants -------------------------------------------------------
constexpr double kPi = 3.14159265358979;     // [rad] the program's pi
constexpr double kTwoPi = 6.28318530717958;  // [rad] full turn, twice kPi
constexpr double kHalfPi = 1.5707963267948;  // [rad] quarter turn
constexpr double kRadToDeg = 57.2957795;     // [deg/rad] console output
constexpr double kDegToRad = 0.0174532925;   // [rad/deg] console input
constexpr double kNominalStep = 0.02;        // [s] record interval aimed at
constexpr double kStartupTsNudge = 0.00001;  // [s] added to Ts by the start-up rule only
// Largest stepsPerSample: keeps 10 x stepsPerSample (integration steps per
// sampling period) well inside int for any finite Ts, e.g. Ts = 1e300 s.
constexpr int kMaxStepsPerSample = 100000000;

// ---- Fixed vehicle constants ------------------------------------------------
constexpr double V = 1.0;     // [m/s] travel speed of every vehicle
constexpr double L = 1.0;     // [m] wheelbase: reference point to steered wheel/caster
constexpr double Vmax = 2.0;  // [m/s] drive maximum speed, only reported
constexpr double wmax = 3.0;  // [rad/s] steering-rate limit of the steered mechanisms

// Mechanism codes of agvType; per-mechanism arrays use index agvType - 1.
constexpr int kMechanismCount = 3;
constexpr int kType2DW1C = 1;
constexpr int kType1FDW1FS = 2;
constexpr int kType1RDW1FS = 3;

// ---- Selection state --------------------------------------------------------
extern int agvType;      // 1..3: mechanism drawn and animated in the window
extern int pathType;     // 0 = straight line y = 0, 1 = circle x^2+y^2 = 4
extern char currentKey;  // last key typed in the window; picks the dialog's entry

// ---- Design inputs ----------------------------------------------------------
extern double fn;    // [Hz] natural frequency of the error system
extern double zeta;  // [-] damping ratio
extern double wn;    // [rad/s] kTwoPi * fn, set together with fn
extern double Ts;    // [s] sampling time of the sampled-data run, > 0
extern double x0;    // [m] start position x
extern double y0;    // [m] start position y
extern double th0;   // [rad] start heading (entered in degrees)
extern double ph0;   // [rad] start steering angle of both runs

// ---- Derived timing ---------------------------------------------------------
extern int stepsPerSample;  // [-] record intervals per sampling period, >= 1
extern double dt;           // [s] record interval Ts / stepsPerSample

// ---- View and animation state of the window ---------------------------------
extern double viewScale;    // [window units per m] path/vehicle view zoom
extern double viewPanX;     // [window units] horizontal shift of the view
extern double viewPanY;     // [window units] vertical shift of the view
extern double phasePlaneX;  // [window units] centre x of the phase plane
extern double phasePlaneY;  // [window units] centre y of the phase plane
extern int animIndexPC;     // continuous-run record the vehicle stands on
extern int animIndexPI;     // sampled-data-run record the vehicle stands on
extern int animSampleK;     // sampling instants passed up to animIndexPI

// Defaults of the view state, restored after every simulation run.
constexpr double kDefaultViewScale = 0.2;     // [window units per m]
constexpr double kDefaultPhasePlaneX = 0.6;   // [window units]
constexpr double kDefaultPhasePlaneY = 0.55;  // [window units]

// Which rule derives stepsPerSample from Ts: the start-up rule adds
// kStartupTsNudge before dividing, the console rule does not.
enum class SampleRule { Startup, Console };

// stepsPerSample for a sampling time ts [s]: trunc(ts / kNominalStep) (plus the
// start-up nudge), at least 1 and at most kMaxStepsPerSample. Defined for
// every double, NaN and infinities included.
int stepsPerSampleFor(double ts, SampleRule rule);

// Sets Ts together with stepsPerSample and dt. Does not rerun the design:
// the faces change Ts through changeSamplingTime (settings.h).
void setSamplingTime(double ts, SampleRule rule);

// Sets fn together with wn. Does not rerun the design: the faces change fn
// through changeFrequency (settings.h).
void setNaturalFrequency(double frequencyHz);

// View reset done after every simulation run: scale, phase-plane position
// and animation indices. The pans are kept.
void resetViewAfterRun();

}  // namespace agv
