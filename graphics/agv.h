// Plan-view drawings of the three vehicle mechanisms.
//
// drawAgv draws the vehicle of mechanism agvType at its reference point pos
// (the midpoint of the rear axle, world metres), heading theta [rad] and
// steering angle phi [rad] (for 2DW1C the angle of the caster): body, large
// wheels in the given colour, white boxes and small wheels outlined in
// black, black axles, shafts and forks, and a white dot on the reference
// point. Every length, line widths included, is in metres scaled by
// viewScale, so the drawing follows the zoom. Called twice per frame by the
// scene: blue for the continuous run, green for the sampled-data run.
#pragma once

#include "graphics/primitives.h"

namespace agv {

// Dimensions [m] of the drawings.
constexpr double kBodyLength = 1.2;
constexpr double kBodyWidth = 1.0;
constexpr double kBodyRearOverhang = 0.2;
constexpr double kBodyNoseAngle = 0.5235988;  // [rad] 30 degrees
constexpr double kPivotAhead = 1.0;           // steered wheel or caster pivot ahead of P
constexpr double kLargeWheelOffset = 0.6;     // large wheels left/right of P
constexpr double kLargeWheelLength = 0.24;
constexpr double kLargeWheelWidth = 0.12;
constexpr double kSmallWheelLength = 0.12;
constexpr double kSmallWheelWidth = 0.08;
constexpr double kBoxSide = 0.16;      // motors and gearbox
constexpr double kThickLine = 0.04;    // axles, shafts, stems
constexpr double kThinLine = 0.008;    // forks, box diagonals
constexpr double kPivotRadius = 0.04;  // pivot disc, fork yoke, reference dot

void drawAgv(const Point2& pos, double theta, double phi, const Rgba& colour);

}  // namespace agv
