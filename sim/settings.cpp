#include "sim/settings.h"

#include <cmath>

#include "sim/design.h"
#include "sim/path.h"

namespace agv {

namespace {

SettingCheck checkPositive(double v) {
    if (!(v > 0.0)) return SettingCheck::NotPositive;
    return std::isinf(v) ? SettingCheck::NotFinite : SettingCheck::Accepted;
}

}  // namespace

void applyStartupDefaults() {
    agvType = kType2DW1C;
    pathType = StraightLine;
    Ts = kStartupTs;  // the design below is made at it
    changeFrequency(kStartupFn, kStartupZeta);
    setSamplingTime(Ts, SampleRule::Startup);
    changeStartPose(kStartupX, kStartupY, 0.0);
    changeStartSteering(0.0);
    viewPanX = 0.0;
    viewPanY = 0.0;
    currentKey = '0';
    resetViewAfterRun();
}

void changeFrequency(double fnHz, double dampingRatio) {
    setNaturalFrequency(fnHz);
    zeta = dampingRatio;
    designControl();
    searchTsmax();
}

SettingCheck changeSamplingTime(double ts, SampleRule rule) {
    const SettingCheck check = checkSamplingTime(ts);
    if (check != SettingCheck::Accepted) {
        Ts = ts;
        return check;
    }
    setSamplingTime(ts, rule);
    designControl();
    return check;
}

void changeStartPose(double xM, double yM, double headingRad) {
    x0 = xM;
    y0 = yM;
    th0 = headingRad;
}

void changeStartSteering(double phiRad) {
    ph0 = phiRad;
}

SettingCheck checkSamplingTime(double ts) {
    return checkPositive(ts);
}

SettingCheck checkNaturalFrequency(double fnHz) {
    return checkPositive(fnHz);
}

SettingCheck checkDampingRatio(double dampingRatio) {
    if (std::isinf(dampingRatio)) return SettingCheck::NotFinite;
    return dampingRatio >= 0.0 ? SettingCheck::Accepted : SettingCheck::Negative;
}

}  // namespace agv
