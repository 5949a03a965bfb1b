// The lab's program: the core and the picture driven by the page's controls
// instead of the console dialog (a second instance of the page's program, in
// which main never runs).
//
// Settings are applied with the core's settings operations as the console
// applies them (a new fn and zeta: design and limit search; a new Ts by the
// console's stepsPerSample rule: timing and design; the start pose with its
// heading in degrees). Only the shown mechanism's two runs are needed for the
// picture and its plots; the others run when asked. The view keys go to the
// window's onKey; the page never passes it the dialog's keys or ESC. Results
// are read by lab.js straight from the program's memory, at the addresses
// agvLabAddress gives. Called by lab.js only, never while anything waits.
#include <emscripten.h>

#include "graphics/keys.h"
#include "graphics/scene.h"
#include "sim/design.h"
#include "sim/parameters.h"
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
    kValueCount
};

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
    return kValueCount;
}

EMSCRIPTEN_KEEPALIVE const void* agvLabAddress(int which) {
    const void* const addresses[kValueCount] = {agv::contTraj,     agv::contErr,
                                                agv::sampTraj,     agv::sampErr,
                                                agv::sampCommand,  agv::nPointsPC,
                                                agv::nPointsPI,    agv::loopFigures,
                                                agv::Tsmax,        gains,
                                                &agv::fn,          &agv::zeta,
                                                &agv::Ts,          &agv::wn,
                                                &agv::dt,          &agv::stepsPerSample,
                                                &agv::agvType,     &agv::pathType,
                                                &agv::x0,          &agv::y0,
                                                &agv::th0,         &agv::animIndexPC,
                                                &agv::animIndexPI, &agv::animSampleK,
                                                &agv::viewScale,   &agv::viewPanX,
                                                &agv::viewPanY,    &agv::phasePlaneX,
                                                &agv::phasePlaneY};
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

}  // extern "C"
