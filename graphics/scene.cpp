#include "graphics/scene.h"

#include <cmath>

#include "graphics/agv.h"
#include "graphics/phase_plane.h"
#include "graphics/window.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/runs.h"

namespace agv {

char designLineText[kDesignLineSize] = "fn=3.56[Hz],zeta=7.901, Ts=7.90[s]\n";

namespace {

constexpr Font kFont = Font::Helvetica18;

// Positions (0-based) of the digit cells of the design line.
constexpr int kFnCells[] = {3, 5, 6};
constexpr int kZetaCells[] = {17, 19, 20, 21};
constexpr int kTsCells[] = {27, 29, 30};

char digitChar(double d) {
    static const char kDigits[] = "0123456789";
    // Rounding in (v - i) * 100 - 10 * j can land a hair outside 0..9.
    int i = static_cast<int>(d);
    if (i < 0) i = 0;
    if (i > 9) i = 9;
    return kDigits[i];
}

// Writes v truncated to `cells` - 1 decimals into the given cells.
void writeDigits(double v, const int* cells, int count) {
    if (!(v >= 0.0 && v < 10.0)) {
        for (int c = 0; c < count; ++c) designLineText[cells[c]] = kDesignOverflowMark;
        return;
    }
    const double i = std::trunc(v);
    const double f = v - i;
    const double j = std::trunc(f * 10.0);
    const double k = std::trunc(f * 100.0 - 10.0 * j);
    designLineText[cells[0]] = digitChar(i);
    designLineText[cells[1]] = digitChar(j);
    designLineText[cells[2]] = digitChar(k);
    if (count > 3) {
        const double l = std::trunc(f * 1000.0 - 100.0 * j - 10.0 * k);
        designLineText[cells[3]] = digitChar(l);
    }
}

Point2 plus(const Point2& p, double dx, double dy) {
    return {p.x + dx, p.y + dy};
}

void drawReferencePath(const Point2& origin) {
    if (pathType == StraightLine) {
        drawSegment(origin, plus(origin, kPathLength * viewScale, 0.0), kStraightPathWidth, kRed);
    } else if (pathType == Circle) {
        const double r = kCircleRadius * viewScale;  // [window units]
        Point2 prev = plus(origin, r, 0.0);
        for (int i = 0; i <= kCirclePathSegments; ++i) {
            const double a = i * kTwoPi / kCirclePathSegments;
            const Point2 cur = plus(origin, r * std::cos(a), r * std::sin(a));
            drawSegment(prev, cur, kCirclePathWidth, kRed);
            prev = cur;
        }
    }
}

void drawTrajectory(const VehicleState* traj, int bound, const Rgba& colour) {
    const int last = lastDrawnRecord(bound);
    Point2 prev = worldToWindow(traj[0].x, traj[0].y);
    for (int j = 1; j <= last; ++j) {
        const Point2 cur = worldToWindow(traj[j].x, traj[j].y);
        drawSegment(prev, cur, kTrajectoryWidth, colour);
        prev = cur;
    }
}

void drawSamplingDots(int m) {
    const long long n = stepsPerSample;
    const long long last = lastStoredRecord(nPointsPI[m]);
    for (long long k = 0; k <= animSampleK; ++k) {
        const long long index = k * n;
        if (index > last) break;
        const VehicleState& s = sampTraj[m][index];
        drawWorldDisc({s.x, s.y}, kSampleDotRadius, kBlack);
    }
}

void drawVehicle(const VehicleState& s, const Rgba& colour) {
    drawAgv({s.x, s.y}, s.theta, s.phi, colour);
}

}  // namespace

Point2 worldToWindow(double x, double y) {
    return {(x + kWorldShiftX) * viewScale + viewPanX, (y + kWorldShiftY) * viewScale + viewPanY};
}

void drawTitle() {
    drawText(-0.99f, 0.95f, kFont, "AGV Continuous(PC) and Sampled Data(PI) Control");
}

void drawSettingsPanel() {
    const float left = static_cast<float>(kSettingsLeft);
    switch (agvType) {
        case kType2DW1C:
            drawText(left, 0.90f, kFont, "(1-1) 2DW1C AGV");
            break;
        case kType1FDW1FS:
            drawText(left, 0.90f, kFont, "(1-2) 1FDW1FS AGV");
            break;
        case kType1RDW1FS:
            drawText(left, 0.90f, kFont, "(1-3) 1RDW1FS AGV");
            break;
        default:
            break;
    }
    if (agvType == kType1FDW1FS || agvType == kType1RDW1FS) {
        drawText(left, 0.85f, kFont, "(2-1) Simple P-Control");
    } else if (agvType == kType2DW1C) {
        drawText(left, 0.85f, kFont, "(2-2) PI-Control");
    }
    drawDesignLine(kSettingsLeft + 0.12, 0.80, fn, zeta, Ts);
    if (pathType == StraightLine) {
        drawText(left, 0.75f, kFont, "(3) Path=Straight Line");
    } else if (pathType == Circle) {
        drawText(left, 0.75f, kFont, "(3) Path=Circle");
    }
    const float indented = static_cast<float>(kSettingsLeft + 0.05);
    drawText(indented, 0.70f, kFont, "Blue  Curve : Trajectory by Continuous-Control");
    drawText(indented, 0.65f, kFont, "Green Curve : Trajectory by Sampled-Data-Control");
    drawText(indented, 0.60f, kFont, "1 grid=(1.0, 1.0)[m]");
}

void drawDesignLine(double x, double y, double fnHz, double zetaValue, double tsSeconds) {
    writeDigits(fnHz, kFnCells, 3);
    writeDigits(zetaValue, kZetaCells, 4);
    writeDigits(tsSeconds, kTsCells, 3);
    drawText(static_cast<float>(x), static_cast<float>(y), kFont, designLineText);
}

void drawWorldDisc(const Point2& pos, double radius, const Rgba& colour) {
    drawDisc(worldToWindow(pos.x, pos.y), radius * viewScale, colour);
}

void drawStartMarker(const Point2& pos, const Rgba& colour) {
    drawDisc(worldToWindow(pos.x, pos.y), kStartMarkerRadius, colour);
}

void composeScene() {
    drawTitle();
    drawSettingsPanel();
    const Point2 origin = worldToWindow(0.0, 0.0);
    drawGrid(origin, 0.0, kGridHalfCount, viewScale, viewScale);
    if (agvType < 1 || agvType > kMechanismCount) return;
    const int m = agvType - 1;
    drawReferencePath(origin);
    drawTrajectory(contTraj[m], nPointsPC[m], kBlue);
    drawTrajectory(sampTraj[m], nPointsPI[m], kGreen);
    drawStartMarker({x0, y0}, kBlack);
    drawSamplingDots(m);
    drawVehicle(contTraj[m][clampToStored(animIndexPC, nPointsPC[m])], kBlue);
    drawVehicle(sampTraj[m][clampToStored(animIndexPI, nPointsPI[m])], kGreen);
    drawRect({phasePlaneX - kPhaseHalfWidth - kPhasePanelMargin,
              phasePlaneY - kPhaseHalfHeight - kPhasePanelMargin},
             kPhasePanelWidth, kPhasePanelHeight, 0.0, kWhite);
    drawPhasePlane(agvType, animIndexPC, animIndexPI);
}

void displayScene() {
    beginFrame();
    composeScene();
    endFrame();
}

}  // namespace agv
