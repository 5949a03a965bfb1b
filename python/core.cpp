// agvsim._core: the simulation core as the console program drives it, with
// its results copied out as NumPy arrays.
//
// Every call starts from the program's start-up state (applyStartupDefaults)
// and then applies the settings with the core's settings operations, in the
// order the console dialog does: fn and zeta as the 'f' entry (design and
// limit search), Ts as the 't' entry (the chosen stepsPerSample rule, then
// the design), the pose as the 'h' entry (heading in degrees), then all six
// runs. The core keeps one shared state,
// so the interpreter lock is held throughout: calls never overlap.
// Arguments are checked by the package (agvsim/__init__.py) with the core's
// own setting checks, exported here; the calls themselves accept every double.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <limits>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/runs.h"
#include "sim/settings.h"
#include "sim/stability.h"

namespace py = pybind11;

namespace {

constexpr int kStateFields = sizeof(agv::VehicleState) / sizeof(double);
constexpr int kErrorFields = sizeof(agv::TrackError) / sizeof(double);
constexpr int kRecordFields = kStateFields + kErrorFields;
static_assert(sizeof(agv::VehicleState) == kStateFields * sizeof(double), "plain doubles");
static_assert(sizeof(agv::TrackError) == kErrorFields * sizeof(double), "plain doubles");

// The start-up state, then fn and zeta as the 'f' entry sets them.
void applyFrequency(double fnHz, double dampingRatio) {
    agv::applyStartupDefaults();
    agv::changeFrequency(fnHz, dampingRatio);
}

// Then Ts as the 't' entry sets it, by the chosen stepsPerSample rule (the
// package has checked it).
void applySettings(double fnHz, double dampingRatio, double tsSeconds, bool startupRule) {
    applyFrequency(fnHz, dampingRatio);
    agv::changeSamplingTime(tsSeconds,
                            startupRule ? agv::SampleRule::Startup : agv::SampleRule::Console);
}

py::array_t<double> copyOf(const double* values, int count) {
    return py::array_t<double>(count, values);  // a copy: the core's arrays stay its own
}

// The design figures of the current state, as the configuration report has them.
py::dict designFigures() {
    py::dict gains;
    gains["kdPI1"] = agv::kdPI1;
    gains["kthPI1"] = agv::kthPI1;
    gains["kiPI1"] = agv::kiPI1;
    gains["kd2"] = agv::kd2;
    gains["kth2"] = agv::kth2;
    gains["kph2"] = agv::kph2;
    gains["kd3"] = agv::kd3;
    gains["kth3"] = agv::kth3;
    gains["kph3"] = agv::kph3;
    py::list loops;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        const agv::LoopFigures& f = agv::loopFigures[i];
        py::dict loop;
        loop["a"] = copyOf(f.a, 5);
        loop["B"] = copyOf(f.B, 5);
        loop["C"] = f.C;
        loop["stable"] = agv::isStableAtTs(i);
        loop["Tsmax"] = agv::Tsmax[i];
        loop["designed"] = agv::gainsFinite(i);
        loops.append(loop);
    }
    py::dict d;
    d["fn"] = agv::fn;
    d["zeta"] = agv::zeta;
    d["Ts"] = agv::Ts;
    d["wn"] = agv::wn;
    d["gains"] = gains;
    d["loops"] = loops;
    return d;
}

// Records 0 .. count - 1 of one store row as a (fields, count) array, one
// contiguous row per field: the five state fields, then the eleven of the
// tracking error.
py::array_t<double> recordsOf(const agv::VehicleState* traj, const agv::TrackError* errs,
                              int count) {
    py::array_t<double> out({kRecordFields, count});
    double* dst = out.mutable_data();
    for (int n = 0; n < count; ++n) {
        const double* s = reinterpret_cast<const double*>(&traj[n]);
        const double* e = reinterpret_cast<const double*>(&errs[n]);
        for (int k = 0; k < kStateFields; ++k) dst[k * count + n] = s[k];
        for (int k = 0; k < kErrorFields; ++k) dst[(kStateFields + k) * count + n] = e[k];
    }
    return out;
}

// The held command of every record interval of a sampled run; the last
// record begins no interval and gets NaN.
py::array_t<double> commandsOf(int i, int count) {
    py::array_t<double> out(count);
    double* dst = out.mutable_data();
    for (int n = 0; n + 1 < count; ++n) dst[n] = agv::sampCommand[i][n];
    dst[count - 1] = std::numeric_limits<double>::quiet_NaN();
    return out;
}

py::dict design(double fnHz, double dampingRatio, double tsSeconds) {
    applySettings(fnHz, dampingRatio, tsSeconds, false);
    return designFigures();
}

py::dict simulate(int path, double fnHz, double dampingRatio, double tsSeconds, double xM,
                  double yM, double headingDeg, double steeringDeg, bool startupRule) {
    applySettings(fnHz, dampingRatio, tsSeconds, startupRule);
    agv::pathType = path;
    agv::changeStartPose(xM, yM, headingDeg * agv::kDegToRad);
    agv::changeStartSteering(steeringDeg * agv::kDegToRad);
    agv::runAllSimulations(agv::pathType);

    py::list continuous;
    py::list sampled;
    py::list commands;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        const int contCount = agv::lastStoredRecord(agv::nPointsPC[i]) + 1;
        const int sampCount = agv::lastStoredRecord(agv::nPointsPI[i]) + 1;
        continuous.append(recordsOf(agv::contTraj[i], agv::contErr[i], contCount));
        sampled.append(recordsOf(agv::sampTraj[i], agv::sampErr[i], sampCount));
        commands.append(commandsOf(i, sampCount));
    }
    py::dict d;
    d["design"] = designFigures();
    d["dt"] = agv::dt;
    d["stepsPerSample"] = agv::stepsPerSample;
    d["continuous"] = continuous;
    d["sampled"] = sampled;
    d["commands"] = commands;
    return d;
}

// Spectral radius of each mechanism's one-period loop map on path at Ts,
// and whether each mechanism could be designed (its gains are finite).
py::tuple loopRadius(int path, double fnHz, double dampingRatio, double tsSeconds) {
    applySettings(fnHz, dampingRatio, tsSeconds, false);
    py::list radius;
    py::list designed;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        radius.append(agv::loopSpectralRadius(i, path, tsSeconds));
        designed.append(agv::gainsFinite(i));
    }
    return py::make_tuple(radius, designed);
}

// Limit sampling time of each mechanism on path, from the loop map.
py::list loopLimits(int path, double fnHz, double dampingRatio) {
    applyFrequency(fnHz, dampingRatio);  // the limits do not depend on Ts
    py::list limits;
    for (int i = 0; i < agv::kMechanismCount; ++i) limits.append(agv::searchLoopLimit(i, path));
    return limits;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "The agvsim simulation core (use the agvsim package, which checks arguments).";
    m.def("design", &design, py::arg("fn"), py::arg("zeta"), py::arg("Ts"),
          "Design figures after the start-up state, then fn/zeta and Ts as the console sets them.");
    m.def("simulate", &simulate, py::arg("path"), py::arg("fn"), py::arg("zeta"), py::arg("Ts"),
          py::arg("x"), py::arg("y"), py::arg("heading_deg"), py::arg("steering_deg"),
          py::arg("startup_rule"), "Design figures, timing and the six runs' stored records.");
    m.def("loop_radius", &loopRadius, py::arg("path"), py::arg("fn"), py::arg("zeta"),
          py::arg("Ts"), "Spectral radius of each mechanism's one-period loop map.");
    m.def("loop_limits", &loopLimits, py::arg("path"), py::arg("fn"), py::arg("zeta"),
          "Limit sampling time of each mechanism from the loop map.");
    // The checks the package refuses arguments by: true when accepted.
    m.def("accepts_Ts",
          [](double v) { return agv::checkSamplingTime(v) == agv::SettingCheck::Accepted; });
    m.def("accepts_fn",
          [](double v) { return agv::checkNaturalFrequency(v) == agv::SettingCheck::Accepted; });
    m.def("accepts_zeta",
          [](double v) { return agv::checkDampingRatio(v) == agv::SettingCheck::Accepted; });
    m.attr("FIELD_COUNT") = kRecordFields;
    m.attr("__version__") = AGV_VERSION;  // the CMake project's version
    m.attr("TS_SEARCH_LIMIT") = agv::kTsmaxSearchLimit;
}
