// Test helper: the six runs' stores of one scenario, written straight from the
// core's arrays, for comparison with what the Python module returns.
//
// Usage: store_dump PATH TS X Y DEG   (PATH 0 = line, 1 = circle; TS [s], X and
// Y [m], DEG [deg]). Start-up state, the sampling time as the console sets it,
// the pose, all runs. Writes to standard output, as raw bytes: the six bounds
// (nPointsPC, then nPointsPI), then the whole stores contTraj, contErr,
// sampTraj and sampErr.
#include <cstdio>
#include <cstdlib>

#include "sim/runs.h"
#include "sim/settings.h"

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    agv::applyStartupDefaults();
    agv::changeSamplingTime(std::atof(argv[2]), agv::SampleRule::Console);
    agv::changeStartPose(std::atof(argv[3]), std::atof(argv[4]),
                         std::atof(argv[5]) * agv::kDegToRad);
    agv::pathType = std::atoi(argv[1]);
    agv::runAllSimulations(agv::pathType);
    const int bounds[] = {agv::nPointsPC[0], agv::nPointsPC[1], agv::nPointsPC[2],
                          agv::nPointsPI[0], agv::nPointsPI[1], agv::nPointsPI[2]};
    std::fwrite(bounds, sizeof bounds, 1, stdout);
    std::fwrite(agv::contTraj, sizeof agv::contTraj, 1, stdout);
    std::fwrite(agv::contErr, sizeof agv::contErr, 1, stdout);
    std::fwrite(agv::sampTraj, sizeof agv::sampTraj, 1, stdout);
    std::fwrite(agv::sampErr, sizeof agv::sampErr, 1, stdout);
    return 0;
}
