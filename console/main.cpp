// Entry point (interim): applies the start-up defaults, runs the design and
// the six simulations and prints a summary per mechanism.
#include <cstdio>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/runs.h"

int main() {
    using namespace agv;
    applyStartupDefaults();
    runAllSimulations(pathType);
    const char* names[kMechanismCount] = {"2DW1C", "1FDW1FS", "1RDW1FS"};
    for (int i = 0; i < kMechanismCount; ++i) {
        std::printf("%s Tsmax=%5.3f C=%g %s nPointsPC=%d nPointsPI=%d\n", names[i], Tsmax[i],
                    loopFigures[i].C, isStableAtTs(i) ? "stable" : "unstable", nPointsPC[i],
                    nPointsPI[i]);
    }
    std::printf("kdPI1=%.6f kthPI1=%.6f kiPI1=%.6f kd=%.6f kth=%.6f kph=%.6f\n", kdPI1, kthPI1,
                kiPI1, kd2, kth2, kph2);
    return 0;
}
