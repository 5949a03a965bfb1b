// Time of the six simulation runs (runAllSimulations), at the defaults on
// both paths and over a series of sampling times.
//
// Counters: records = trajectory records stored by the six runs after their
// record 0; time/step = CPU time per integration step, counting ten steps
// per stored record (a continuous run may take up to nine more steps after
// its last record, so this slightly overstates the time per step).
#include <benchmark/benchmark.h>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/runs.h"
#include "sim/settings.h"

namespace {

// Records stored after record 0 by the latest runAllSimulations.
double recordIntervalsStored() {
    double records = 0.0;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        records += (agv::nPointsPC[i] + 1) + (agv::nPointsPI[i] + 1);
    }
    return records;
}

void runAndReport(benchmark::State& state, int pathType) {
    for (auto _ : state) {
        agv::runAllSimulations(pathType);
        benchmark::ClobberMemory();
    }
    const double steps = agv::kStepsPerRecord * recordIntervalsStored();
    state.counters["records"] = recordIntervalsStored();
    // Seconds per step, shown with an SI prefix ("n" = nanoseconds).
    state.counters["time/step"] = benchmark::Counter(
        steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Six runs at the start-up defaults on one path.
void BM_RunAllDefaults(benchmark::State& state, int pathType) {
    agv::applyStartupDefaults();
    runAndReport(state, pathType);
}
BENCHMARK_CAPTURE(BM_RunAllDefaults, line, agv::StraightLine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunAllDefaults, circle, agv::Circle)->Unit(benchmark::kMillisecond);

// Six runs on the line at Ts = argument [ms], entered with the console rule.
void BM_RunAllSamplingTime(benchmark::State& state) {
    agv::applyStartupDefaults();
    agv::changeSamplingTime(state.range(0) * 1e-3, agv::SampleRule::Console);
    runAndReport(state, agv::StraightLine);
}
BENCHMARK(BM_RunAllSamplingTime)
    ->ArgName("Ts_ms")
    ->Arg(200)
    ->Arg(50)
    ->Arg(20)
    ->Arg(5)
    ->Unit(benchmark::kMillisecond);

// The design rerun after a new fn/zeta (designControl and searchTsmax) at
// fn = argument [mHz]: the search's cost grows with the limit, as 1 / fn, up
// to its bound of 100 s (fn = 0.6 mHz and below).
void BM_DesignRerun(benchmark::State& state) {
    agv::applyStartupDefaults();
    for (auto _ : state) {
        agv::changeFrequency(state.range(0) * 1e-3, agv::zeta);
        benchmark::DoNotOptimize(agv::Tsmax);
    }
}
BENCHMARK(BM_DesignRerun)
    ->ArgName("fn_mHz")
    ->Arg(300)
    ->Arg(5)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
