// Stability of the sampled-data loops on either path, from the simulation
// model itself.
//
// A mechanism's sampled-data loop carries four quantities from one sampling
// instant to the next: the displacement error ed [m], the heading error eth
// [rad], a third error (for the steered mechanisms the steering-angle error
// ephi [rad]; for 2DW1C the integral term c = kdPI1 intD + kthPI1 intTh
// [rad], the only combination of its two error integrals that the PI law
// reads: the other direction is neutral, it changes nothing, and would show
// as an eigenvalue 1 that is no instability) and the held command h (the
// command computed at the previous instant, applied over the next period;
// [rad/s]). One sampling period maps them through the vehicle model, the
// control law, the hold and the Runge-Kutta-Gill integrator exactly as the
// sampled-data run does (the same rkgStep and vehicleDerivatives, ten steps
// per record interval, stepsPerSample by the console rule).
//
// loopSpectralRadius linearises that map about steady motion along the path
// and returns the largest |eigenvalue| of its Jacobian. The steady motion has
// no error; on the line the steering angle, the integral term and the command
// are 0; on the circle the steered mechanisms hold the steady angle
// atan(L kCircleCurv) with a zero steering rate, and 2DW1C turns at
// V / kCircleRadius, which its integral term supplies. There the steering
// clamp (1.5 rad), the rate clip (wmax) and the heading wrap of the line are
// all inactive, so the Jacobian is that of the smooth model. The Jacobian is
// taken by central differences with the step kLoopDiffStep (see there); its
// eigenvalues by Eigen.
//
// Reads the current gains (designControl first); uses the law slots' working
// inputs (every run sets them afresh); changes nothing else. Called by the
// Python face and the tests; the console program does not use it.
#pragma once

#include <complex>

namespace agv {

constexpr int kLoopStates = 4;  // ed, eth, ephi or c, held command
// Central-difference step in every state [m, rad, rad/s]. The truncation
// error of a central difference is about step^2 times the map's third
// derivatives (of order 1 here), the rounding error about 1e-13 / step (the
// errors are computed from positions of a few metres after up to a few
// thousand steps). 1e-5 keeps their sum near 1e-8, far below the radius's change
// of about 0.003 per 1 ms of sampling time near a limit.
constexpr double kLoopDiffStep = 1e-5;

// The four eigenvalues of that Jacobian for mechanism index i (0..2) on
// pathType at ts [s], in the solver's order (Eigen's real Schur form: no
// allocation, a bounded number of QR sweeps). False, with every entry NaN,
// when the Jacobian is not finite (2DW1C at zeta = 0) or the solver fails.
// The cost grows with ts: eight sampling periods of integration.
bool loopEigenvalues(int i, int pathType, double ts, std::complex<double> z[kLoopStates]);

// Largest |eigenvalue| of that Jacobian; NaN when it is not finite.
double loopSpectralRadius(int i, int pathType, double ts);

// Limit sampling time [s] of mechanism i on pathType, reported as searchTsmax
// reports Tsmax: the first Ts of the grid 0.011, 0.012, ... s at which the
// radius is no longer below 1 (NaN counts as not below), at most
// kTsmaxSearchLimit. The grid is walked in steps growing by 5 % and the
// crossing then found by bisection between the last passing and the first
// failing grid point, so it assumes a single crossing within that 5 %.
double searchLoopLimit(int i, int pathType);

}  // namespace agv
