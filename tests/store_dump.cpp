// Test helper: the six runs' stores of one scenario, written straight from the
// core's arrays, for comparison with what the Python module returns.
//
// Usage: store_dump PATH TS X Y DEG   (PATH 0 = line, 1 = circle; TS [s], X and
// Y [m], DEG [deg]). Start-up state, the sampling time as the console sets it,
// the pose, all runs. Writes to standard output, for the continuous runs of
// the three mechanisms and then their sampled runs: the record count as a
// double, then each record's state and tracking error as raw doubles.
#include <cstdio>
#include <cstdlib>

#include "console/startup.h"
#include "sim/design.h"
#include "sim/runs.h"

int main(int argc, char** argv) {
    if (argc != 6) return 2;
    agv::applyStartupDefaults();
    agv::setSamplingTime(std::atof(argv[2]), agv::SampleRule::Console);
    agv::designControl();
    agv::x0 = std::atof(argv[3]);
    agv::y0 = std::atof(argv[4]);
    agv::th0 = std::atof(argv[5]) * agv::kDegToRad;
    agv::pathType = std::atoi(argv[1]);
    agv::runAllSimulations(agv::pathType);
    for (int store = 0; store < 2; ++store) {
        for (int i = 0; i < agv::kMechanismCount; ++i) {
            const int bound = store == 0 ? agv::nPointsPC[i] : agv::nPointsPI[i];
            const double count = agv::lastStoredRecord(bound) + 1;
            std::fwrite(&count, sizeof count, 1, stdout);
            for (int n = 0; n < count; ++n) {
                const bool cont = store == 0;
                std::fwrite(cont ? &agv::contTraj[i][n] : &agv::sampTraj[i][n],
                            sizeof(agv::VehicleState), 1, stdout);
                std::fwrite(cont ? &agv::contErr[i][n] : &agv::sampErr[i][n],
                            sizeof(agv::TrackError), 1, stdout);
            }
        }
    }
    return 0;
}
