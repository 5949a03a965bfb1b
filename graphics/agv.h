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
constexpr double kBoxSide = 0.16;            // motors and gearbox
constexpr double kThickLine = 0.04;          // axles, shafts, stems
constexpr double kThinLine = 0.008;          // forks, box diagonals
constexpr double kPivotRadius = 0.04;        // pivot disc, fork yoke, reference dot
constexpr double kBoxHalf = kBoxSide / 2.0;  // boxes centred on a line of the drawing
// 2DW1C: axle stubs from the large wheels in to the motors, the motors'
// inner edges, the caster trailing behind its pivot on a stem and a fork.
constexpr double kAxleStubOuter = 0.54;  // inner edge of a large wheel
constexpr double kAxleStubInner = 0.38;  // outer edge of a motor
constexpr double kMotorInner = 0.22;
constexpr double kCasterTrail = 0.2;      // caster wheel centre behind the pivot
constexpr double kCasterStem = 0.08;      // stem from the pivot back to the fork
constexpr double kCasterForkRear = 0.24;  // rear end of the caster fork
// Forks: sides this far left and right of the wheel's axis.
constexpr double kForkHalfGap = 0.048;
// 1FDW1FS: the front drive motor's shaft, from the yoke out to its box.
constexpr double kFrontShaftStart = 0.04;
constexpr double kFrontShaftEnd = 0.12;
// 1RDW1FS: drive shaft from the gearbox forward to the motor's rear edge.
constexpr double kRearShaftEnd = 0.16;

void drawAgv(const Point2& pos, double theta, double phi, const Rgba& colour);

}  // namespace agv
