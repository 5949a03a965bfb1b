// Kinematic models of the three mechanisms with their feedback laws.
//
// vehicleDerivatives gives the time derivative of a VehicleState for
// mechanism 1 (2DW1C: PI law on the turning rate), 2 (1FDW1FS) or 3
// (1RDW1FS: both P law on the steering rate, clipped to +-wmax). The model is
// time-invariant and keeps no state; the command component of the derivative
// record is the only value that survives between calls, and with the hold
// flag set it is left as found (the sampled-data run holds it that way).
// Called by the integrator of the runs. Units: m, rad, s.
#pragma once

#include "sim/parameters.h"

namespace agv {

// Vehicle state; the reference point is the midpoint of the rear axle.
struct VehicleState {
    double dist;   // [m] distance run; a run ends when it reaches kEndDist
    double theta;  // [rad] heading, counter-clockwise from +x
    double x;      // [m] reference point
    double y;      // [m]
    double phi;    // [rad] steering angle (2DW1C: equivalent angle of the caster)
};

// Time derivative of a VehicleState, same layout.
struct VehicleDerivative {
    double dist;   // [m/s] drive speed v
    double theta;  // [rad/s] turning rate omega (the command of 2DW1C)
    double x;      // [m/s]
    double y;      // [m/s]
    double phi;    // [rad/s] steering rate (the command of the steered mechanisms)
};

// Fed-back errors of the state being evaluated, and their time integrals.
struct ControlInputs {
    double errD;    // [m] ed
    double errTh;   // [rad] eth
    double errPhi;  // [rad] ephi
    double intD;    // [m s] integral of errD since the start of the run
    double intTh;   // [rad s] integral of errTh since the start of the run
};

// Law slots: the working records of a run are kept per slot; 1FDW1FS and
// 1RDW1FS share the P slot. Entry 0 of the slot arrays is not used.
constexpr int lawP = 1;
constexpr int lawPI = 2;
constexpr int kLawSlotCount = 3;

constexpr double kPhiLimit = 1.5;  // [rad] steering-angle clamp after every stage

// Law slot of mechanism type 1..3.
inline int lawSlotOf(int type) {
    return type == kType2DW1C ? lawPI : lawP;
}

// holdControl: 0 computes the command from inputs, 1 keeps deriv's command
// component (theta for 2DW1C, phi for the steered mechanisms). Every other
// component is recomputed from state on every call.
void vehicleDerivatives(int type, int slot, const VehicleState& state, const ControlInputs& inputs,
                        int holdControl, VehicleDerivative& deriv);

}  // namespace agv
