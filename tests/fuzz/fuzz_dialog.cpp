// Fuzz target: the whole console dialog in line mode, from the start-up
// state and from each window key's entry, with the design and the six runs it
// starts. Checks that the program state stays within its documented ranges.
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>

#include "console/dialog.h"
#include "sim/parameters.h"
#include "sim/runs.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    agvfuzz::silenceStandardOutput();
    agv::applyStartupDefaults();
    agv::clearTrajectoryStores();
    // The first byte picks the entry point, as the last window key would.
    static const char kEntries[] = {'0', 'c', 'f', 't', 'h'};
    if (size > 0) {
        agv::currentKey = kEntries[data[0] % sizeof kEntries];
        ++data;
        --size;
    }
    if (!agvfuzz::setStandardInput(data, size)) return 0;
    volatile bool completed = false;
    if (setjmp(agvfuzz::endOfInputJump) == 0) {
        agv::consoleDialog();
        completed = true;
    }
    agvfuzz::closeStandardInput();
    agvfuzz::check(agv::pathType == 0 || agv::pathType == 1);
    agvfuzz::check(agv::agvType >= 1 && agv::agvType <= 3);
    agvfuzz::check(agv::stepsPerSample >= 1 && agv::stepsPerSample <= agv::kMaxStepsPerSample);
    if (completed) {
        // A finished dialog leaves an accepted sampling time and its timing.
        agvfuzz::check(agv::Ts > 0.0 && std::isfinite(agv::Ts));
        agvfuzz::check(agv::dt == agv::Ts / agv::stepsPerSample);
        agvfuzz::check(agv::animIndexPC == 0 && agv::animIndexPI == 0 && agv::animSampleK == 0);
    }
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        agvfuzz::check(agv::nPointsPC[i] >= -1 && agv::nPointsPC[i] <= agv::kMaxRecords - 2);
        agvfuzz::check(agv::nPointsPI[i] >= -1 && agv::nPointsPI[i] <= agv::kMaxRecords - 2);
        for (int n = 0; n <= agv::nPointsPC[i] + 1; ++n) {
            const double e = agv::contErr[i][n].eth;
            agvfuzz::check(std::isnan(e) || (e >= -agv::kPi && e <= agv::kPi));
        }
        for (int n = 0; n <= agv::nPointsPI[i] + 1; ++n) {
            const double e = agv::sampErr[i][n].eth;
            agvfuzz::check(std::isnan(e) || (e >= -agv::kPi && e <= agv::kPi));
        }
    }
    return 0;
}
