// Time of the sampled loops' pole analysis at the defaults (fn 0.3 Hz,
// zeta 0.707): the four poles at one Ts by either route, the report route's
// locus over the Lab's grid of 200 sampling times with its crossing, and the
// margins and phase budget of one loop. The model route costs eight
// sampling periods of integration a Ts, so its time grows with Ts.
#include <benchmark/benchmark.h>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/poles.h"
#include "sim/settings.h"

namespace {

constexpr double kTs = 0.2;  // [s] the start-up sampling time
constexpr int kSteered = 1;  // 1FDW1FS

void BM_PolesReport(benchmark::State& state) {
    agv::applyStartupDefaults();
    agv::Complex z[agv::kSampledPoles];
    for (auto _ : state) {
        agv::sampledPoles(kSteered, agv::kRouteReport, agv::StraightLine, kTs, z);
        benchmark::DoNotOptimize(z);
    }
}
BENCHMARK(BM_PolesReport);

void BM_PolesModel(benchmark::State& state, int pathType) {
    agv::applyStartupDefaults();
    agv::Complex z[agv::kSampledPoles];
    for (auto _ : state) {
        agv::sampledPoles(kSteered, agv::kRouteModel, pathType, kTs, z);
        benchmark::DoNotOptimize(z);
    }
}
BENCHMARK_CAPTURE(BM_PolesModel, line, agv::StraightLine)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PolesModel, circle, agv::Circle)->Unit(benchmark::kMicrosecond);

// The line's locus of the three mechanisms' loops, report route, with the crossings.
void BM_LineLocusReport(benchmark::State& state) {
    agv::applyStartupDefaults();
    double grid[agv::kLocusPoints], largest[agv::kLocusPoints];
    agv::Complex z[agv::kLocusPoints][agv::kSampledPoles];
    for (auto _ : state) {
        agv::locusGrid(agv::kLocusTsMin, agv::kLocusTsMax, agv::kLocusPoints, grid);
        for (int i = 0; i < agv::kMechanismCount; ++i) {
            agv::loopLocus(i, agv::kRouteReport, agv::StraightLine, grid, agv::kLocusPoints, z,
                           largest);
            benchmark::DoNotOptimize(agv::locusCrossing(i, agv::kRouteReport, agv::StraightLine,
                                                        grid, largest, agv::kLocusPoints));
        }
    }
}
BENCHMARK(BM_LineLocusReport)->Unit(benchmark::kMicrosecond);

void BM_MarginsAndBudget(benchmark::State& state) {
    agv::applyStartupDefaults();
    for (auto _ : state) benchmark::DoNotOptimize(agv::phaseBudget(kSteered, kTs));
}
BENCHMARK(BM_MarginsAndBudget)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
