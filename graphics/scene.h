// Composition of one frame of the window.
//
// displayScene is the window's display routine: beginFrame, composeScene,
// endFrame. composeScene draws, back to front: the title and the settings
// panel, the 1 m grid, the reference path (red), the continuous (blue) and
// sampled-data (green) trajectories of the shown mechanism, the start
// marker, the sampling dots reached so far, both vehicles at their current
// records, the white panel and the phase plane. It only reads the shared
// state and the stores, and never reads past the records stored for the
// shown mechanism. Called by GLUT and by onKey; the frame benchmark calls
// composeScene to time a frame without the swap.
//
// Vehicle view: a world point (x, y) [m] is drawn at window position
// ((x + kWorldShiftX) * viewScale + viewPanX, (y + kWorldShiftY) * viewScale + viewPanY).
#pragma once

#include "graphics/primitives.h"
#include "sim/vehicle.h"

namespace agv {

constexpr double kWorldShiftX = -2.0;              // [m] world shift of the vehicle view
constexpr double kWorldShiftY = -0.5;              // [m]
constexpr int kGridHalfCount = 40;                 // grid covers +-40 m about the origin
constexpr double kPathLength = 30.0;               // [m] drawn length of the straight path
constexpr int kCirclePathSegments = 100;           // polyline segments of the circular path
constexpr double kStraightPathWidth = 0.013;       // [window units]
constexpr double kCirclePathWidth = 0.01;          // [window units]
constexpr double kTrajectoryWidth = 0.005;         // [window units] 2 pixels
constexpr double kStartMarkerRadius = 0.04 * 0.2;  // [window units] 0.04 m at the default zoom
constexpr double kSampleDotRadius = 0.03;          // [m]
constexpr double kSettingsLeft = -0.95;            // [window units] left edge of the panel text
constexpr double kPhasePanelMargin = 0.1;          // [window units] panel beyond the phase frame
constexpr double kPhasePanelWidth = 2.0;           // [window units] reaches past the window edge
constexpr double kPhasePanelHeight = 10.0;         // [window units]

// Design line: 35 characters and NUL; only its ten digit cells change.
constexpr int kDesignLineSize = 36;
extern char designLineText[kDesignLineSize];
// Shown in every cell of a value outside 0 <= v < 10 (or not a number).
constexpr char kDesignOverflowMark = '#';

void displayScene();

// Everything of a frame between beginFrame and endFrame.
void composeScene();

// Window position of the world point (x, y) [m].
Point2 worldToWindow(double x, double y);

void drawTitle();
void drawSettingsPanel();
// Writes the digits of fn, zeta and Ts into designLineText (truncated, one
// digit before the point) and draws it at (x, y).
void drawDesignLine(double x, double y, double fnHz, double zetaValue, double tsSeconds);
// Disc of radius [m] at the world point pos [m], scaled with the view.
void drawWorldDisc(const Point2& pos, double radius, const Rgba& colour);
// Disc of fixed size kStartMarkerRadius at the world point pos [m].
void drawStartMarker(const Point2& pos, const Rgba& colour);

}  // namespace agv
