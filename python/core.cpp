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
#include <pybind11/complex.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <limits>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/path.h"
#include "sim/poles.h"
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

using Poles = py::array_t<agv::Complex>;

Poles polesOf(const agv::Complex* z, int count) {
    return Poles(count, z);
}

// The poles of each mechanism's sampled loop by route on path at Ts, the
// continuous design's poles s [1/s] and their images exp(s Ts); NaN where
// undefined (the package warns of undesigned mechanisms).
py::dict polesAt(int path, int route, double fnHz, double dampingRatio, double tsSeconds) {
    applySettings(fnHz, dampingRatio, tsSeconds, false);
    py::list sampled, continuous, mapped, designed;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        agv::Complex z[agv::kSampledPoles], s[agv::kContinuousPoles], e[agv::kContinuousPoles];
        agv::sampledPoles(i, route, path, tsSeconds, z);
        agv::continuousPoles(i, s);
        agv::mappedContinuousPoles(i, tsSeconds, e);
        sampled.append(polesOf(z, agv::kSampledPoles));
        continuous.append(polesOf(s, agv::kContinuousPoles));
        mapped.append(polesOf(e, agv::kContinuousPoles));
        designed.append(agv::gainsFinite(i));
    }
    py::dict d;
    d["z"] = sampled;
    d["s"] = continuous;
    d["mapped"] = mapped;
    d["designed"] = designed;
    return d;
}

// count sampling times [s] from tsMin to tsMax, evenly spaced in log(Ts).
py::array_t<double> locusGridOf(double tsMin, double tsMax, int count) {
    py::array_t<double> ts(count);
    agv::locusGrid(tsMin, tsMax, count, ts.mutable_data());
    return ts;
}

// The poles of each mechanism's sampled loop at every Ts of an increasing
// grid [s] (count x 4), their largest modulus, the continuous poles' images
// (count x 3) and where the largest modulus first reaches 1 (Ts [s], pole).
py::dict locusOf(int path, int route, double fnHz, double dampingRatio,
                 const py::array_t<double, py::array::c_style | py::array::forcecast>& grid) {
    const int count = static_cast<int>(grid.size());
    const double* ts = grid.data();
    // The design does not depend on Ts; the first Ts sets the record grid.
    applySettings(fnHz, dampingRatio, count > 0 ? ts[0] : agv::kLocusTsMin, false);
    py::list sampled, largest, mapped, crossings, designed;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        Poles z({count, agv::kSampledPoles});
        Poles e({count, agv::kContinuousPoles});
        py::array_t<double> biggest(count);
        agv::Complex* zk = z.mutable_data();
        agv::Complex* ek = e.mutable_data();
        double* mk = biggest.mutable_data();
        agv::loopLocus(i, route, path, ts, count,
                       reinterpret_cast<agv::Complex(*)[agv::kSampledPoles]>(zk), mk);
        for (int k = 0; k < count; ++k) {
            agv::mappedContinuousPoles(i, ts[k], ek + k * agv::kContinuousPoles);
        }
        const agv::LocusCrossing crossing = agv::locusCrossing(i, route, path, ts, mk, count);
        sampled.append(z);
        largest.append(biggest);
        mapped.append(e);
        crossings.append(py::make_tuple(crossing.ts, crossing.pole));
        designed.append(agv::gainsFinite(i));
    }
    py::dict d;
    d["z"] = sampled;
    d["largest"] = largest;
    d["mapped"] = mapped;
    d["crossing"] = crossings;
    d["designed"] = designed;
    return d;
}

py::dict marginsOf(const agv::LoopMargins& m) {
    py::dict d;
    d["crossover"] = m.crossover;
    d["phase_margin"] = m.phaseMargin;
    d["lower_crossover"] = m.lowerCrossover;
    d["lower_gain_margin"] = m.lowerGainMargin;
    d["upper_crossover"] = m.upperCrossover;
    d["upper_gain_margin"] = m.upperGainMargin;
    return d;
}

// Each mechanism's continuous and sampled loop margins at Ts and the phase
// budget of its hold and delay.
py::dict loopMargins(double fnHz, double dampingRatio, double tsSeconds) {
    applySettings(fnHz, dampingRatio, tsSeconds, false);
    py::list continuous, sampled, budgets, designed;
    for (int i = 0; i < agv::kMechanismCount; ++i) {
        continuous.append(marginsOf(agv::continuousMargins(i)));
        sampled.append(marginsOf(agv::sampledMargins(i, tsSeconds)));
        const agv::PhaseBudget b = agv::phaseBudget(i, tsSeconds);
        py::dict budget;
        budget["continuous_margin"] = b.continuousMargin;
        budget["hold"] = b.hold;
        budget["delay"] = b.delay;
        budget["left"] = b.left;
        budget["sampled_margin"] = b.sampledMargin;
        budgets.append(budget);
        designed.append(agv::gainsFinite(i));
    }
    py::dict d;
    d["continuous"] = continuous;
    d["sampled"] = sampled;
    d["budget"] = budgets;
    d["designed"] = designed;
    return d;
}

// |L| [dB] and its phase [deg] of each mechanism's continuous and sampled
// loop at every omega [rad/s]; the sampled loop NaN beyond pi / Ts.
py::dict loopResponse(double fnHz, double dampingRatio, double tsSeconds,
                      const py::array_t<double, py::array::c_style | py::array::forcecast>& omega) {
    applySettings(fnHz, dampingRatio, tsSeconds, false);
    const int count = static_cast<int>(omega.size());
    const double* w = omega.data();
    py::dict d;
    for (const bool sampled : {false, true}) {
        py::list loops;
        for (int i = 0; i < agv::kMechanismCount; ++i) {
            py::array_t<double> magnitude(count), phase(count);
            double* mk = magnitude.mutable_data();
            double* pk = phase.mutable_data();
            for (int k = 0; k < count; ++k) {
                agv::loopResponseAt(i, sampled ? tsSeconds : 0.0, w[k], mk[k], pk[k]);
            }
            loops.append(py::make_tuple(magnitude, phase));
        }
        d[sampled ? "sampled" : "continuous"] = loops;
    }
    return d;
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
    m.def("poles", &polesAt, py::arg("path"), py::arg("route"), py::arg("fn"), py::arg("zeta"),
          py::arg("Ts"), "Each mechanism's sampled-loop poles, continuous poles and their images.");
    m.def("locus_grid", &locusGridOf, py::arg("Ts_min"), py::arg("Ts_max"), py::arg("count"),
          "Sampling times evenly spaced in log(Ts), ends included.");
    m.def("locus", &locusOf, py::arg("path"), py::arg("route"), py::arg("fn"), py::arg("zeta"),
          py::arg("Ts"), "Each mechanism's poles along a Ts grid and their crossing of |z| = 1.");
    m.def("loop_margins", &loopMargins, py::arg("fn"), py::arg("zeta"), py::arg("Ts"),
          "Each mechanism's loop margins, continuous and sampled, and its phase budget.");
    m.def("loop_response", &loopResponse, py::arg("fn"), py::arg("zeta"), py::arg("Ts"),
          py::arg("omega"), "Each mechanism's |L| [dB] and phase [deg], continuous and sampled.");
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
    m.attr("ROUTE_REPORT") = static_cast<int>(agv::kRouteReport);
    m.attr("ROUTE_MODEL") = static_cast<int>(agv::kRouteModel);
    m.attr("LOCUS_TS_MIN") = agv::kLocusTsMin;
    m.attr("LOCUS_TS_MAX") = agv::kLocusTsMax;
    m.attr("LOCUS_POINTS") = agv::kLocusPoints;
}
