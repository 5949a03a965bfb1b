// The six runs in a browser's WebAssembly: the core (agv_sim) as the page's
// program links it, with three functions for bench/page_timing.py, which
// times them in headless Chromium and compares the figure with
// bench_runs's BM_RunAllDefaults (the same settings natively).
//
// Built in the web build only on request, outside the page's folder:
//   cmake --build --preset web --target bench_runs_web
// writes build-web/bench-web/bench_runs_web.js (the factory createRunsBench,
// the WebAssembly embedded).
#include <emscripten.h>

#include "sim/parameters.h"
#include "sim/runs.h"
#include "sim/settings.h"

extern "C" {

// The start-up settings (with the design and the limit search), as
// BM_RunAllDefaults sets them before it times.
EMSCRIPTEN_KEEPALIVE void agvBenchDefaults() {
    agv::applyStartupDefaults();
}

// The three continuous runs, then the three sampled-data runs, on a path
// (0: the straight line, 1: the circle).
EMSCRIPTEN_KEEPALIVE void agvBenchRunAll(int pathType) {
    agv::runAllSimulations(pathType);
}

// Records stored after record 0 by the latest runs (bench_runs's "records"
// counter), to check that both builds did the same work.
EMSCRIPTEN_KEEPALIVE int agvBenchRecords() {
    int records = 0;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        records += (agv::nPointsPC[i] + 1) + (agv::nPointsPI[i] + 1);
    }
    return records;
}

}  // extern "C"
