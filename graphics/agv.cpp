#include "graphics/agv.h"

#include <cmath>

#include "graphics/scene.h"
#include "sim/parameters.h"

namespace agv {

namespace {

// A frame on the vehicle: origin [window units], forward and left axes
// scaled to window units per metre.
struct Frame {
    Point2 origin;
    double ux, uy;  // forward axis * viewScale
    double vx, vy;  // left axis * viewScale
    double angle;   // [rad] rotation of parts drawn in this frame

    Point2 at(double a, double b) const {
        return {origin.x + a * ux + b * vx, origin.y + a * uy + b * vy};
    }
};

Frame makeFrame(const Point2& origin, double angle, double scale) {
    const double c = std::cos(angle) * scale;
    const double s = std::sin(angle) * scale;
    return {origin, c, s, -s, c, angle};
}

void line(const Frame& f, double a0, double b0, double a1, double b1, double width) {
    drawSegment(f.at(a0, b0), f.at(a1, b1), width * viewScale, kBlack);
}

void box(const Frame& f, double a, double b) {
    const double side = kBoxSide * viewScale;
    drawRect(f.at(a, b), side, side, f.angle, kWhite);
    drawRectOutline(f.at(a, b), side, side, f.angle, kBlack);
}

void largeWheels(const Frame& body, const Rgba& colour) {
    const double len = kLargeWheelLength * viewScale;
    const double wid = kLargeWheelWidth * viewScale;
    drawCapsule(body.at(0.0, kLargeWheelOffset), len, wid, body.angle, colour);
    drawCapsule(body.at(0.0, -kLargeWheelOffset), len, wid, body.angle, colour);
}

void smallWheel(const Frame& steer, double a) {
    const double len = kSmallWheelLength * viewScale;
    const double wid = kSmallWheelWidth * viewScale;
    drawCapsule(steer.at(a, 0.0), len, wid, steer.angle, kWhite);
    drawCapsuleOutline(steer.at(a, 0.0), len, wid, steer.angle, kBlack);
}

void bodyShape(const Frame& body, const Rgba& colour) {
    drawBodyShape(body.origin, kBodyLength * viewScale, kBodyWidth * viewScale,
                  kBodyRearOverhang * viewScale, kBodyNoseAngle, body.angle, colour);
}

void rearAxle(const Frame& body) {
    line(body, 0.0, kLargeWheelOffset, 0.0, -kLargeWheelOffset, kThickLine);
}

// Fork of a steered wheel: the half yoke behind the pivot and the two sides.
void steeredFork(const Frame& steer) {
    const double start = steer.angle - kHalfPi;
    drawHalfDisc(steer.origin, kPivotRadius * viewScale, start, kWhite);
    drawHalfCircle(steer.origin, kPivotRadius * viewScale, start, kBlack);
    line(steer, kForkHalfGap, kForkHalfGap, -kForkHalfGap, kForkHalfGap, kThinLine);
    line(steer, kForkHalfGap, -kForkHalfGap, -kForkHalfGap, -kForkHalfGap, kThinLine);
}

void draw2DW1C(const Frame& body, const Frame& steer, const Rgba& colour) {
    bodyShape(body, colour);
    largeWheels(body, colour);
    line(body, 0.0, kAxleStubOuter, 0.0, kAxleStubInner, kThickLine);
    box(body, -kBoxHalf, kMotorInner);
    line(body, 0.0, -kAxleStubOuter, 0.0, -kAxleStubInner, kThickLine);
    box(body, -kBoxHalf, -kAxleStubInner);
    smallWheel(steer, -kCasterTrail);
    line(steer, 0.0, 0.0, -kCasterStem, 0.0, kThickLine);
    line(steer, -kCasterStem, kForkHalfGap, -kCasterForkRear, kForkHalfGap, kThinLine);
    line(steer, -kCasterStem, kForkHalfGap, -kCasterStem, -kForkHalfGap, kThinLine);
    line(steer, -kCasterForkRear, -kForkHalfGap, -kCasterStem, -kForkHalfGap, kThinLine);
    drawDisc(steer.origin, kPivotRadius * viewScale, kWhite);
    drawCircle(steer.origin, kPivotRadius * viewScale, kBlack);
}

void draw1FDW1FS(const Frame& body, const Frame& steer, const Rgba& colour) {
    rearAxle(body);  // before the body: only the pieces outside it show
    bodyShape(body, colour);
    largeWheels(body, colour);
    steeredFork(steer);
    smallWheel(steer, 0.0);
    line(steer, 0.0, kFrontShaftStart, 0.0, kFrontShaftEnd, kThickLine);
    box(steer, -kBoxHalf, kFrontShaftEnd);
}

void draw1RDW1FS(const Frame& body, const Frame& steer, const Rgba& colour) {
    bodyShape(body, colour);
    rearAxle(body);  // after the body: it shows across it
    largeWheels(body, colour);
    box(body, -kBoxHalf, -kBoxHalf);  // gearbox on P, with its diagonals
    line(body, -kBoxHalf, -kBoxHalf, kBoxHalf, kBoxHalf, kThinLine);
    line(body, kBoxHalf, -kBoxHalf, -kBoxHalf, kBoxHalf, kThinLine);
    line(body, kBoxHalf, 0.0, kRearShaftEnd, 0.0, kThickLine);
    box(body, kRearShaftEnd, -kBoxHalf);
    steeredFork(steer);
    smallWheel(steer, 0.0);
}

}  // namespace

void drawAgv(const Point2& pos, double theta, double phi, const Rgba& colour) {
    const Frame body = makeFrame(worldToWindow(pos.x, pos.y), theta, viewScale);
    const Frame steer = makeFrame(body.at(kPivotAhead, 0.0), theta + phi, viewScale);
    switch (agvType) {
        case kType2DW1C:
            draw2DW1C(body, steer, colour);
            break;
        case kType1FDW1FS:
            draw1FDW1FS(body, steer, colour);
            break;
        case kType1RDW1FS:
            draw1RDW1FS(body, steer, colour);
            break;
        default:
            break;
    }
    drawWorldDisc(pos, kPivotRadius, kWhite);
}

}  // namespace agv
