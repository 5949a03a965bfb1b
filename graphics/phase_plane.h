// The (dd, dth) phase plane of the shown mechanism.
//
// drawPhasePlane draws, centred at (phasePlaneX, phasePlaneY) [window units],
// the labels, the frame and axes, and both error curves: displacement dd [m]
// across (0.3 window units per metre, the frame spanning +-1 m) against the
// stored heading error [rad] up (the frame spanning +-pi), blue for the
// continuous run, green for the sampled-data run, with start and current
// records marked. A segment is left out where the heading error jumps by pi
// or more (its wrap from one end of the range to the other). Nothing is
// clipped. Reads only records within the stored bounds. Called last in every
// frame by the scene.
#pragma once

#include "graphics/primitives.h"
#include "sim/parameters.h"

namespace agv {

constexpr double kPhaseHalfWidth = 0.3;        // [window units]
constexpr double kPhaseHalfHeight = 0.3;       // [window units]
constexpr double kPhaseDdRange = 1.0;          // [m] dd at the frame's edge
constexpr double kPhaseEthRange = kPi;         // [rad] heading error at the edge
constexpr double kPhaseFrameWidth = 0.006;     // [window units]
constexpr double kPhaseCurveWidth = 0.005;     // [window units]
constexpr double kPhaseStartDotRadius = 0.01;  // [window units]
constexpr double kPhaseMarkDotRadius = 0.006;  // [window units]

void drawPhasePlane(int agvType, int animIndexPC, int animIndexPI);
void drawPhaseFrame(const Point2& origin);
void drawPhaseCurves(const Point2& origin, double kx, double ky, double width, int m);

}  // namespace agv
