// The lab's program: the core and the picture driven by the page's controls
// instead of the console dialog (a second instance of the page's program, in
// which main never runs).
//
// Settings are applied with the core's settings operations as the console
// applies them (a new fn and zeta: design and limit search; a new Ts by the
// console's stepsPerSample rule: timing and design; the start pose with its
// heading in degrees). Only the shown mechanism's two runs are needed for the
// picture and its plots; the others run when asked. The view keys go to the
// window's onKey; the page never passes it the dialog's keys or ESC (agvLabResetView
// is the Lab's own key r: the view back, no window key). Results
// are read by lab.js straight from the program's memory, at the addresses
// agvLabAddress gives. Called by lab.js only, never while anything waits.
//
// The z-plane and frequency panels read fixed result buffers here, filled by
// sim/poles.h on request: the poles at a Ts by mechanism and route (with the
// continuous poles mapped), the locus over the kLocusPoints grid of
// kLocusTsMin..kLocusTsMax, filled a slice of grid indices at a time (lab.js
// spreads the model route's over idle tasks) with its crossing of the unit
// circle, one mechanism's loop response over a frequency grid, and each
// mechanism's margins and phase budget. A pole is two doubles (re, im).
#include <emscripten.h>

#include "graphics/keys.h"
#include "graphics/scene.h"
#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/poles.h"
#include "sim/runs.h"
#include "sim/settings.h"
#include "sim/stability.h"

namespace {

// What agvLabAddress gives the address of, in lab.js's order.
enum LabValue {
    kContTraj,
    kContErr,
    kSampTraj,
    kSampErr,
    kSampCommand,
    kNPointsPC,
    kNPointsPI,
    kLoopFigures,
    kTsmax,
    kGains,
    kFn,
    kZeta,
    kTs,
    kWn,
    kDt,
    kStepsPerSample,
    kAgvType,
    kPathType,
    kX0,
    kY0,
    kTh0,
    kAnimIndexPC,
    kAnimIndexPI,
    kAnimSampleK,
    kViewScale,
    kViewPanX,
    kViewPanY,
    kPhasePlaneX,
    kPhasePlaneY,
    kPolesAtTs,
    kMappedAtTs,
    kLocusTs,
    kLocusPoles,
    kLocusLargest,
    kLocusCrossing,
    kFrequencyOmega,
    kFrequencyResponse,
    kMargins,
    kBudget,
    kValueCount
};

constexpr int kMechanisms = agv::kMechanismCount;
constexpr int kFrequencyPoints = 320;  // the loop response's grid, log-spaced
constexpr int kLoops = 2;              // continuous, sampled
constexpr int kMarginFields = 6;       // agv::LoopMargins in its order
constexpr int kBudgetFields = 5;       // agv::PhaseBudget in its order

// The poles at Ts [mechanism][route][pole], and the continuous ones mapped.
agv::Complex polesAtTs[kMechanisms][agv::kRouteCount][agv::kSampledPoles];
agv::Complex mappedAtTs[kMechanisms][agv::kContinuousPoles];
// The locus: the grid [s]; poles and largest |z| [mechanism][route][grid index];
// the crossing [mechanism][route]: Ts [s], re, im of the pole there.
double locusTs[agv::kLocusPoints];
agv::Complex locusPoles[kMechanisms][agv::kRouteCount][agv::kLocusPoints][agv::kSampledPoles];
double locusLargest[kMechanisms][agv::kRouteCount][agv::kLocusPoints];
double locusCrossing[kMechanisms][agv::kRouteCount][3];
// One mechanism's loop response: omega [rad/s]; [loop][|L| dB, phase deg][omega].
double frequencyOmega[kFrequencyPoints];
double frequencyResponse[kLoops][2][kFrequencyPoints];
// Margins [mechanism][loop][LoopMargins fields] and budgets [mechanism][PhaseBudget fields].
double margins[kMechanisms][kLoops][kMarginFields];
double budget[kMechanisms][kBudgetFields];

bool mechanismIndexValid(int i) {
    return i >= 0 && i < kMechanisms;
}

void copyMargins(const agv::LoopMargins& m, double out[kMarginFields]) {
    const double row[kMarginFields] = {m.crossover,       m.phaseMargin,    m.lowerCrossover,
                                       m.lowerGainMargin, m.upperCrossover, m.upperGainMargin};
    for (int k = 0; k < kMarginFields; ++k) out[k] = row[k];
}

// The nine gains in one row, copied after every design.
double gains[9];

void copyGains() {
    const double row[9] = {agv::kdPI1, agv::kthPI1, agv::kiPI1, agv::kd2, agv::kth2,
                           agv::kph2,  agv::kd3,    agv::kth3,  agv::kph3};
    for (int k = 0; k < 9; ++k) gains[k] = row[k];
}

}  // namespace

extern "C" {

// The start-up state; returns how many values agvLabAddress knows.
EMSCRIPTEN_KEEPALIVE int agvLabStart() {
    agv::applyStartupDefaults();
    copyGains();
    agv::locusGrid(agv::kLocusTsMin, agv::kLocusTsMax, agv::kLocusPoints, locusTs);
    return kValueCount;
}

EMSCRIPTEN_KEEPALIVE const void* agvLabAddress(int which) {
    const void* const addresses[kValueCount] = {agv::contTraj,
                                                agv::contErr,
                                                agv::sampTraj,
                                                agv::sampErr,
                                                agv::sampCommand,
                                                agv::nPointsPC,
                                                agv::nPointsPI,
                                                agv::loopFigures,
                                                agv::Tsmax,
                                                gains,
                                                &agv::fn,
                                                &agv::zeta,
                                                &agv::Ts,
                                                &agv::wn,
                                                &agv::dt,
                                                &agv::stepsPerSample,
                                                &agv::agvType,
                                                &agv::pathType,
                                                &agv::x0,
                                                &agv::y0,
                                                &agv::th0,
                                                &agv::animIndexPC,
                                                &agv::animIndexPI,
                                                &agv::animSampleK,
                                                &agv::viewScale,
                                                &agv::viewPanX,
                                                &agv::viewPanY,
                                                &agv::phasePlaneX,
                                                &agv::phasePlaneY,
                                                polesAtTs,
                                                mappedAtTs,
                                                locusTs,
                                                locusPoles,
                                                locusLargest,
                                                locusCrossing,
                                                frequencyOmega,
                                                frequencyResponse,
                                                margins,
                                                budget};
    return which >= 0 && which < kValueCount ? addresses[which] : nullptr;
}

// The core's checks of a typed fn [Hz], zeta and Ts [s]: 1 when accepted.
EMSCRIPTEN_KEEPALIVE int agvLabAcceptsFn(double fnHz) {
    return agv::checkNaturalFrequency(fnHz) == agv::SettingCheck::Accepted;
}
EMSCRIPTEN_KEEPALIVE int agvLabAcceptsZeta(double dampingRatio) {
    return agv::checkDampingRatio(dampingRatio) == agv::SettingCheck::Accepted;
}
EMSCRIPTEN_KEEPALIVE int agvLabAcceptsTs(double ts) {
    return agv::checkSamplingTime(ts) == agv::SettingCheck::Accepted;
}

// A new fn and zeta (the design and the limit search); nothing when unchanged.
EMSCRIPTEN_KEEPALIVE void agvLabSetFrequency(double fnHz, double dampingRatio) {
    if (fnHz == agv::fn && dampingRatio == agv::zeta) return;
    agv::changeFrequency(fnHz, dampingRatio);
    copyGains();
}

// A new Ts by the console's rule (the timing and the design); 1 when the core
// accepted it (a refused one changes nothing here).
EMSCRIPTEN_KEEPALIVE int agvLabSetSamplingTime(double ts) {
    if (agv::checkSamplingTime(ts) != agv::SettingCheck::Accepted) return 0;
    if (ts != agv::Ts) agv::changeSamplingTime(ts, agv::SampleRule::Console);
    return 1;
}

EMSCRIPTEN_KEEPALIVE void agvLabSetPose(double xM, double yM, double headingDeg) {
    agv::changeStartPose(xM, yM, headingDeg * agv::kDegToRad);
}

EMSCRIPTEN_KEEPALIVE void agvLabSetPath(int path) {
    agv::pathType = path == agv::Circle ? agv::Circle : agv::StraightLine;
}

EMSCRIPTEN_KEEPALIVE void agvLabSetMechanism(int type) {
    if (type >= agv::kType2DW1C && type <= agv::kType1RDW1FS) agv::agvType = type;
}

// The shown mechanism's continuous and sampled-data runs.
EMSCRIPTEN_KEEPALIVE void agvLabRunShown() {
    const int i = agv::agvType - 1;
    agv::runContinuous(i, agv::pathType);
    agv::runSampled(i, agv::pathType);
}

// All six runs, as the console dialog runs them.
EMSCRIPTEN_KEEPALIVE void agvLabRunAll() {
    agv::runAllSimulations(agv::pathType);
}

// Both vehicles at the records of time t [s] (within the stored ones),
// with the sampling instants passed.
EMSCRIPTEN_KEEPALIVE void agvLabSetTime(double seconds) {
    const int i = agv::agvType - 1;
    const double records = seconds / agv::dt;
    const int n = records > agv::kMaxRecords ? agv::kMaxRecords
                  : records < 0.0            ? 0
                                             : static_cast<int>(records);
    agv::animIndexPC = agv::clampToStored(n, agv::nPointsPC[i]);
    agv::animIndexPI = agv::clampToStored(n, agv::nPointsPI[i]);
    agv::animSampleK = agv::animIndexPI / agv::stepsPerSample;
}

EMSCRIPTEN_KEEPALIVE void agvLabDraw() {
    agv::displayScene();
}

// The view as a run leaves it (zoom, pans, phase plane: resetViewAfterRun's
// values, the pans at the origin), the animation's time kept.
EMSCRIPTEN_KEEPALIVE void agvLabResetView() {
    const int indexPC = agv::animIndexPC, indexPI = agv::animIndexPI, sampleK = agv::animSampleK;
    agv::resetViewAfterRun();
    agv::viewPanX = 0.0;  // [window units]
    agv::viewPanY = 0.0;  // [window units]
    agv::animIndexPC = indexPC;
    agv::animIndexPI = indexPI;
    agv::animSampleK = sampleK;
}

EMSCRIPTEN_KEEPALIVE void agvLabKey(int key) {
    agv::onKey(static_cast<unsigned char>(key), 0, 0);
}

EMSCRIPTEN_KEEPALIVE int agvLabStable(int i) {
    return agv::isStableAtTs(i);
}
EMSCRIPTEN_KEEPALIVE int agvLabDesigned(int i) {
    return agv::gainsFinite(i);
}
EMSCRIPTEN_KEEPALIVE double agvLabRadius(int i, int path, double ts) {
    return agv::loopSpectralRadius(i, path, ts);
}
EMSCRIPTEN_KEEPALIVE double agvLabPathLimit(int i, int path) {
    return agv::searchLoopLimit(i, path);
}

// Mechanism i's poles at ts [s] on path into polesAtTs[i]: the report's
// route always, the model's when withModel (a Jacobian: about 0.3-1 ms at
// ordinary Ts, NaN beyond the search's bound); the continuous poles mapped.
EMSCRIPTEN_KEEPALIVE void agvLabPoles(int i, int path, double ts, int withModel) {
    if (!mechanismIndexValid(i)) return;
    agv::sampledPoles(i, agv::kRouteReport, path, ts, polesAtTs[i][agv::kRouteReport]);
    if (withModel) agv::sampledPoles(i, agv::kRouteModel, path, ts, polesAtTs[i][agv::kRouteModel]);
    agv::mappedContinuousPoles(i, ts, mappedAtTs[i]);
}

// The locus of mechanism i by route on path at grid indices first..first+count-1.
EMSCRIPTEN_KEEPALIVE void agvLabLocusSlice(int i, int route, int path, int first, int count) {
    if (!mechanismIndexValid(i) || route < 0 || route >= agv::kRouteCount) return;
    const int end = first + count < agv::kLocusPoints ? first + count : agv::kLocusPoints;
    const int start = first < 0 ? 0 : first;
    if (start >= end) return;
    agv::loopLocus(i, route, path, locusTs + start, end - start, locusPoles[i][route] + start,
                   locusLargest[i][route] + start);
}

// Where the locus filled by agvLabLocusSlice (all of it) first leaves the unit
// circle; on the model route bisected with about 16 Jacobians at the defaults.
EMSCRIPTEN_KEEPALIVE void agvLabLocusCrossing(int i, int route, int path) {
    if (!mechanismIndexValid(i) || route < 0 || route >= agv::kRouteCount) return;
    const agv::LocusCrossing c =
        agv::locusCrossing(i, route, path, locusTs, locusLargest[i][route], agv::kLocusPoints);
    locusCrossing[i][route][0] = c.ts;
    locusCrossing[i][route][1] = c.pole.real();
    locusCrossing[i][route][2] = c.pole.imag();
}

// Mechanism i's loops at ts [s] over kFrequencyPoints omega [rad/s], log-spaced
// from omegaMin to omegaMax (ends included; the sampled loop NaN beyond pi / ts).
EMSCRIPTEN_KEEPALIVE void agvLabFrequency(int i, double ts, double omegaMin, double omegaMax) {
    if (!mechanismIndexValid(i)) return;
    agv::locusGrid(omegaMin, omegaMax, kFrequencyPoints, frequencyOmega);
    for (int k = 0; k < kFrequencyPoints; ++k) {
        agv::loopResponseAt(i, 0.0, frequencyOmega[k], frequencyResponse[0][0][k],
                            frequencyResponse[0][1][k]);
        agv::loopResponseAt(i, ts, frequencyOmega[k], frequencyResponse[1][0][k],
                            frequencyResponse[1][1][k]);
    }
}

// Mechanism i's margins, continuous and sampled at ts [s], and its phase budget.
EMSCRIPTEN_KEEPALIVE void agvLabMargins(int i, double ts) {
    if (!mechanismIndexValid(i)) return;
    copyMargins(agv::continuousMargins(i), margins[i][0]);
    copyMargins(agv::sampledMargins(i, ts), margins[i][1]);
    const agv::PhaseBudget b = agv::phaseBudget(i, ts);
    const double row[kBudgetFields] = {b.continuousMargin, b.hold, b.delay, b.left,
                                       b.sampledMargin};
    for (int k = 0; k < kBudgetFields; ++k) budget[i][k] = row[k];
}

}  // extern "C"
