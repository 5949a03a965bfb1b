// Reference paths and the tracking error of a vehicle pose.
//
// Two paths: the straight line y = 0 travelled toward +x, and the circle of
// radius 2 m about the origin travelled counter-clockwise. computeTrackError
// turns a vehicle state into a TrackError record; it keeps no state: the
// continuity of the polar angle on the circle is carried by the caller, who
// passes the record of the previous call. Called by the runs at the start of
// a run and after every integrator stage. Units: m, rad, 1/m.
#pragma once

#include "sim/vehicle.h"

namespace agv {

enum PathType { StraightLine = 0, Circle = 1 };

constexpr double kCircleRadius = 2.0;  // [m] radius of the circular path
constexpr double kCircleCurv = 0.5;    // [1/m] its curvature, for refCurv and refPhi only

// Reference point and tracking errors of one vehicle state; the trajectory
// stores keep one per record in exactly this layout.
struct TrackError {
    double refArc;    // [m] distance along the path to the reference point
    double refTheta;  // [rad] path heading at the reference point
    double refX;      // [m] reference point
    double refY;      // [m]
    double refPhi;    // [rad] steady steering angle atan(L * curvature)
    double refCurv;   // [1/m] path curvature
    double refParam;  // [m or rad] x on the line; continuous polar angle on the circle
    double ed;        // [m] displacement error, positive left of the direction of travel
    double eth;       // [rad] heading error theta - refTheta, not reduced
    double ephi;      // [rad] steering-angle error phi - refPhi
    double dd;        // [m] displacement for the phase plane: y on the line, r - 2 on the circle
};

// Fills every field of out from state. Only prev.refParam is read, and only
// on the circle; prev and out may be the same record. Any pathType other than
// Circle is the straight line.
void computeTrackError(int pathType, const VehicleState& state, const TrackError& prev,
                       TrackError& out);

}  // namespace agv
