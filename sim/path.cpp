#include "sim/path.h"

#include <cmath>

#include "sim/parameters.h"

namespace agv {

void computeTrackError(int pathType, const VehicleState& state, const TrackError& prev,
                       TrackError& out) {
    if (pathType != Circle) {
        out.refArc = state.x;
        out.refTheta = 0.0;
        out.refX = state.x;
        out.refY = 0.0;
        out.refPhi = 0.0;
        out.refCurv = 0.0;
        out.refParam = state.x;
        out.ed = state.y;
        out.eth = state.theta;
        out.ephi = state.phi;
        out.dd = state.y;
        return;
    }

    static const double kCircleRefPhi = std::atan(L * kCircleCurv);  // [rad]
    const double p = prev.refParam;  // read before out (possibly prev) is written
    const double r = std::sqrt(state.x * state.x + state.y * state.y);
    double alpha = std::atan2(state.y, state.x);
    // Keep the polar angle continuous: at most two turns either way per call.
    if (alpha - p <= -kPi) alpha += kTwoPi;
    if (alpha - p <= -kPi) alpha += kTwoPi;
    if (alpha - p >= kPi) alpha -= kTwoPi;
    if (alpha - p >= kPi) alpha -= kTwoPi;

    out.refArc = kCircleRadius * alpha;
    out.refTheta = alpha + kHalfPi;
    out.refX = kCircleRadius * std::cos(alpha);
    out.refY = kCircleRadius * std::sin(alpha);
    out.refPhi = kCircleRefPhi;
    out.refCurv = kCircleCurv;
    out.refParam = alpha;
    out.ed = kCircleRadius - r;
    out.eth = state.theta - (alpha + kHalfPi);
    out.ephi = state.phi - kCircleRefPhi;
    out.dd = r - kCircleRadius;
}

}  // namespace agv
