#include "sim/parameters.h"

namespace agv {

int agvType = 1;
int pathType = 0;
char currentKey = '0';

double fn = 0.3;
double zeta = 0.707;
double wn = kTwoPi * 0.3;
double Ts = 0.2;
double x0 = 0.0;
double y0 = 1.0;
double th0 = 0.0;
double ph0 = 0.0;

int stepsPerSample = 10;
double dt = 0.02;

double viewScale = kDefaultViewScale;
double viewPanX = 0.0;
double viewPanY = 0.0;
double phasePlaneX = kDefaultPhasePlaneX;
double phasePlaneY = kDefaultPhasePlaneY;
int animIndexPC = 0;
int animIndexPI = 0;
int animSampleK = 0;

int stepsPerSampleFor(double ts, SampleRule rule) {
    const double numerator = rule == SampleRule::Startup ? ts + kStartupTsNudge : ts;
    const double ratio = numerator / kNominalStep;
    // Clamp in floating point before converting, so that no value (NaN,
    // infinity, 1e300) reaches the int conversion out of its range.
    if (!(ratio >= 1.0)) return 1;
    if (ratio >= static_cast<double>(kMaxStepsPerSample)) return kMaxStepsPerSample;
    return static_cast<int>(ratio);  // truncation toward zero
}

void setSamplingTime(double ts, SampleRule rule) {
    Ts = ts;
    stepsPerSample = stepsPerSampleFor(ts, rule);
    dt = Ts / stepsPerSample;
}

void setNaturalFrequency(double frequencyHz) {
    fn = frequencyHz;
    wn = kTwoPi * fn;
}

void resetViewAfterRun() {
    viewScale = kDefaultViewScale;
    animSampleK = 0;
    animIndexPI = 0;
    animIndexPC = 0;
    phasePlaneX = kDefaultPhasePlaneX;
    phasePlaneY = kDefaultPhasePlaneY;
}

}  // namespace agv
