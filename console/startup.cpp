#include "console/startup.h"

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"

namespace agv {

void applyStartupDefaults() {
    agvType = kType2DW1C;
    pathType = StraightLine;
    setNaturalFrequency(0.3);  // [Hz]
    zeta = 0.707;
    Ts = 0.2;  // [s]
    designControl();
    searchTsmax();
    setSamplingTime(Ts, SampleRule::Startup);
    x0 = 0.0;  // [m]
    y0 = 1.0;  // [m]
    th0 = 0.0;
    ph0 = 0.0;
    viewPanX = 0.0;
    viewPanY = 0.0;
    currentKey = '0';
    resetViewAfterRun();
}

}  // namespace agv
