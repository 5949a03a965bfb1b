#include "graphics/keys.h"

#include <algorithm>

#include "console/dialog.h"
#include "graphics/scene.h"
#include "graphics/window.h"
#include "sim/parameters.h"
#include "sim/runs.h"

namespace agv {

namespace {

void resetAnimation() {
    animSampleK = 0;
    animIndexPI = 0;
    animIndexPC = 0;
}

// index kept within 0..bound (0 when the bound is below 0).
int clampIndex(int index, int bound) {
    return std::clamp(index, 0, std::max(bound, 0));
}

// Back to the console for a settings change. The window takes no keys
// while the dialog runs: those typed into it meanwhile are dropped. It shows
// the new results as soon as the event loop runs again.
void changeSettings() {
    resetAnimation();
    consoleDialog();
    discardPendingKeys();
    requestRedraw();
}

// The state change of 's': both indices forward by kRecordsPerStep records,
// animSampleK counting the sampling instants passed, both indices clamped to
// the stored records of the shown mechanism (and never below 0).
void stepAnimation() {
    const int n = stepsPerSample;
    const int m = agvType - 1;
    animIndexPC += kRecordsPerStep;
    for (int r = 0; r < kRecordsPerStep; ++r) {
        animIndexPI += 1;
        if (static_cast<long long>(animIndexPI) - static_cast<long long>(animSampleK) * n >= n) {
            animSampleK += 1;
        }
    }
    if (m < 0 || m >= kMechanismCount) return;
    animIndexPC = clampIndex(animIndexPC, nPointsPC[m]);
    animIndexPI = clampIndex(animIndexPI, nPointsPI[m]);
}

}  // namespace

void onKey(unsigned char key, int /*x*/, int /*y*/) {
    currentKey = static_cast<char>(key);
    switch (key) {
        case '1':
        case '2':
        case '3':
            agvType = key - '0';
            resetAnimation();
            break;
        case 'c':
        case 'f':
        case 't':
        case 'h':
            changeSettings();
            return;
        case 's':
            stepAnimation();
            break;
        case '0':
            resetAnimation();
            break;
        case 'x':
            viewPanX -= kPanStep;
            break;
        case 'X':
            viewPanX += kPanStep;
            break;
        case 'y':
            viewPanY -= kPanStep;
            break;
        case 'Y':
            viewPanY += kPanStep;
            break;
        case 'w':
            viewScale = viewScale * kZoomFactor;
            break;
        case 'W':
            viewScale = viewScale / kZoomFactor;
            break;
        case 'z':
            phasePlaneX -= kPanStep;
            break;
        case 'Z':
            phasePlaneX += kPanStep;
            break;
        case kKeyEscape:
            endProgram();
            return;
        default:
            return;
    }
    displayScene();
}

}  // namespace agv
