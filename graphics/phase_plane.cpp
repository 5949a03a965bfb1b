#include "graphics/phase_plane.h"

#include <cmath>

#include "sim/parameters.h"
#include "sim/runs.h"

namespace agv {

namespace {

constexpr Font kFont = Font::Helvetica18;

struct PhaseMap {
    Point2 origin;
    double kx;  // [window units per m]
    double ky;  // [window units per rad]

    Point2 at(const TrackError& e) const { return {origin.x + kx * e.dd, origin.y + ky * e.eth}; }
};

void label(double x, double y, const char* text) {
    drawText(static_cast<float>(x), static_cast<float>(y), kFont, text);
}

void drawCurve(const PhaseMap& map, const TrackError* errs, int bound, double width,
               const Rgba& colour) {
    const int last = lastDrawnRecord(bound);
    Point2 prev = map.at(errs[0]);
    for (int j = 1; j <= last; ++j) {
        const Point2 cur = map.at(errs[j]);
        if (std::fabs(errs[j].eth - errs[j - 1].eth) < kPhaseEthRange) {
            drawSegment(prev, cur, width, colour);
        }
        prev = cur;
    }
}

}  // namespace

void drawPhaseFrame(const Point2& o) {
    const double w = kPhaseHalfWidth;
    const double h = kPhaseHalfHeight;
    const double lw = kPhaseFrameWidth;
    drawSegment({o.x + w, o.y}, {o.x - w, o.y}, lw, kBlack);
    drawSegment({o.x + w, o.y - h}, {o.x - w, o.y - h}, lw, kBlack);
    drawSegment({o.x + w, o.y + h}, {o.x - w, o.y + h}, lw, kBlack);
    drawSegment({o.x, o.y + h}, {o.x, o.y - h}, lw, kBlack);
    drawSegment({o.x - w, o.y + h}, {o.x - w, o.y - h}, lw, kBlack);
    drawSegment({o.x + w, o.y + h}, {o.x + w, o.y - h}, lw, kBlack);
}

void drawPhaseCurves(const Point2& origin, double kx, double ky, double width, int m) {
    const PhaseMap map{origin, kx, ky};
    drawCurve(map, contErr[m], nPointsPC[m], width, kBlue);
    drawCurve(map, sampErr[m], nPointsPI[m], width, kGreen);
}

void drawPhasePlane(int type, int indexPC, int indexPI) {
    const Point2 o{phasePlaneX, phasePlaneY};
    label(o.x + 0.1, o.y - 0.05, "dd(t)");
    label(o.x - 0.1, o.y + kPhaseHalfHeight - 0.1, "dth[rad]");
    label(o.x - 0.11, o.y + 0.38, "blue :Conti-Control");
    label(o.x - 0.11, o.y + 0.33, "green:Sample-Control");
    label(o.x - 0.2, o.y - 0.35, "(dd,dth) Phase Plane");
    if (type < 1 || type > kMechanismCount) return;
    const int m = type - 1;
    const PhaseMap map{o, kPhaseHalfWidth / kPhaseDdRange, kPhaseHalfHeight / kPhaseEthRange};
    drawPhaseFrame(o);
    drawDisc(map.at(contErr[m][0]), kPhaseStartDotRadius, kBlue);
    drawDisc(map.at(contErr[m][clampToStored(indexPC, nPointsPC[m])]), kPhaseMarkDotRadius, kBlue);
    drawPhaseCurves(o, map.kx, map.ky, kPhaseCurveWidth, m);
    drawDisc(map.at(sampErr[m][0]), kPhaseMarkDotRadius, kBlack);
    drawDisc(map.at(sampErr[m][clampToStored(indexPI, nPointsPI[m])]), kPhaseMarkDotRadius, kBlack);
}

}  // namespace agv
