// Control design and stability analysis of the sampled-data loops.
//
// Owns the gains of the three control laws and, per mechanism (index
// agvType - 1: 2DW1C, 1FDW1FS, 1RDW1FS), the coefficients of the sampled-data
// characteristic polynomial at Ts, their bilinear transform, the Hurwitz value
// C and the limit sampling time Tsmax.
//
// designControl reads wn, zeta and Ts; searchTsmax reads the gains only.
// Called by the start-up and the console dialog: designControl then
// searchTsmax after a new fn/zeta, designControl alone after a new Ts.
// Nothing is validated here: zeta = 0 gives infinite/NaN 2DW1C gains, which
// are passed on and make that mechanism's verdict unstable (gainsFinite tells
// so). Faces that refuse such inputs use the checks of parameters.h.
#pragma once

#include "sim/parameters.h"

namespace agv {

// ---- Gains -------------------------------------------------------------------
// 2DW1C, PI law on the turning rate:
//   omega = -(kdPI1 d + kthPI1 the) - kiPI1 (kdPI1 Int d + kthPI1 Int the)
extern double kdPI1;   // [rad/(s m)] displacement gain
extern double kthPI1;  // [1/s] heading gain
extern double kiPI1;   // [1/s] integral gain
// 1FDW1FS and 1RDW1FS, P law on the steering rate:
//   dphi/dt = -(kd d + kth the + kph phie), clipped to +-wmax
extern double kd2, kth2, kph2;  // [rad/(s m)], [1/s], [1/s] of 1FDW1FS
extern double kd3, kth3, kph3;  // the same for 1RDW1FS

// Stability figures of one mechanism's sampled-data loop at one sampling time.
struct LoopFigures {
    double a[5];  // a0..a4 of a4 z^4 + a3 z^3 + a2 z^2 + a1 z + a0
    double B[5];  // B0..B4 of B0 w^4 + B1 w^3 + B2 w^2 + B3 w + B4 (bilinear transform)
    double C;     // Hurwitz value B1 (B3 B2 - B4 B1) - B3^2 B0
};

extern LoopFigures loopFigures[kMechanismCount];  // at the current Ts

// Loop coefficients of one mechanism: its loop seen from the command is
// -(R/s + Q/s^2 + P/s^3), its continuous closed loop s^3 + R s^2 + Q s + P.
struct LoopCoefficients {
    double P;  // [1/s^3]
    double Q;  // [1/s^2]
    double R;  // [1/s]
};

// P, Q, R of mechanism index i (0..2) from the current gains.
LoopCoefficients loopCoefficients(int i);
extern double Tsmax[kMechanismCount];  // [s] limit sampling times

// Grid and upper bound of the limit search: it tries T = 0.011, 0.012, ...
// up to kTsmaxSearchLimit; a mechanism whose conditions hold all the way
// shows the last T tried. The limits scale as 1 / fn (the loop depends on
// wn T only): 2DW1C's is about 0.0631 s Hz / fn, the steered mechanisms'
// 0.0504 s Hz / fn, so every fn down to 0.001 Hz gets its true limit (63 s)
// below the bound; every fn below about 0.00063 Hz reaches it. At the low end
// a limit below 0.011 s (fn above about 5.7 Hz for 2DW1C, 4.6 Hz for the
// steered mechanisms) shows as 0.011, the first T tried, not as a limit.
constexpr double kTsmaxSearchStart = 0.01;   // [s] the first T tried is start + step
constexpr double kTsmaxSearchStep = 0.001;   // [s]
constexpr double kTsmaxSearchLimit = 100.0;  // [s]

// Gains, and the loop figures of every mechanism at Ts.
void designControl();

// Limit sampling time of every mechanism from the current gains.
void searchTsmax();

// Verdict at Ts: every B and C strictly positive (a NaN makes it unstable).
bool isStableAtTs(int i);

// True when every gain of mechanism i's law is finite: 2DW1C cannot be
// designed at zeta = 0 (its third pole wn / (4 zeta) is infinite).
bool gainsFinite(int i);

}  // namespace agv
