"""The agvsim simulation core from Python.

design() gives the control design and the stability figures that the console's
configuration report shows; simulate() runs the six simulations (three
mechanisms, continuous and sampled-data control) exactly as the program does
and returns every stored record as NumPy arrays; stability() gives the
sampled-data loops' spectral radii and limits from the simulation model on
either path. Why a loop loses stability: poles() gives the four poles of each
sampled loop at Ts, locus() their path against Ts and where they leave the unit
circle, loop_response() the loop broken at the command (magnitude, phase,
crossovers, both gain margins and what the hold and delay take from the phase
margin).

Every call starts from the program's start-up state and applies its
arguments in the console dialog's order, so its results depend on its
arguments alone. Units: metres, radians and seconds; the pose's heading is
given in degrees, as typed on the console.
"""

import math
import numbers
import warnings

import numpy as np

from . import _core

__version__ = _core.__version__  # the program's version, set once in its CMake project
MECHANISMS = ("2DW1C", "1FDW1FS", "1RDW1FS")
CONTROLLERS = ("continuous", "sampled")
PATHS = ("line", "circle")
# How stepsPerSample follows from Ts: "console" is trunc(Ts / 0.02), as after
# a Ts typed on the console; "startup" is trunc((Ts + 0.00001) / 0.02).
RULES = ("console", "startup")
# The fields of every stored record, in the order of the core's records: the
# vehicle state, then the tracking error (eth as stored, within [-pi, pi]).
STATE_FIELDS = ("dist", "theta", "x", "y", "phi")
ERROR_FIELDS = ("refArc", "refTheta", "refX", "refY", "refPhi", "refCurv", "refParam",
                "ed", "eth", "ephi", "dd")
FIELDS = STATE_FIELDS + ERROR_FIELDS
# The unit of every field, of t and of u; refParam is x [m] on the line and
# the polar angle [rad] on the circle, continued without reduction (so that
# refArc = 2 m x refParam there grows by 4 pi m a lap).
UNITS = {"t": "s", "dist": "m", "theta": "rad", "x": "m", "y": "m", "phi": "rad",
         "refArc": "m", "refTheta": "rad", "refX": "m", "refY": "m", "refPhi": "rad",
         "refCurv": "1/m", "refParam": "m on the line, rad on the circle", "ed": "m",
         "eth": "rad", "ephi": "rad", "dd": "m", "u": "rad/s"}
TS_SEARCH_LIMIT = _core.TS_SEARCH_LIMIT  # [s] bound of the limit searches and of stability()
GAIN_NAMES = ("kdPI1", "kthPI1", "kiPI1", "kd2", "kth2", "kph2", "kd3", "kth3", "kph3")

__all__ = ["MECHANISMS", "CONTROLLERS", "PATHS", "RULES", "FIELDS", "UNITS", "GAIN_NAMES",
           "TS_SEARCH_LIMIT", "ArgumentError", "Loop", "Design", "Run", "Simulation", "Stability",
           "design", "simulate", "stability", "ROUTES", "LOCUS_TS_MIN", "LOCUS_TS_MAX",
           "LOCUS_POINTS", "Poles", "Locus", "Crossing", "Margins", "PhaseBudget",
           "LoopResponse", "Response", "poles", "locus", "loop_response"]


class Loop:
    """One mechanism's sampled-data loop at Ts: a (a0..a4), B (B0..B4), the
    Hurwitz value C, the verdict stable (every B and C > 0), the limit
    sampling time Tsmax [s], and designed (False when its gains are not
    finite: 2DW1C at zeta = 0)."""

    def __init__(self, figures):
        self.designed = figures["designed"]
        self.a = figures["a"]
        self.B = figures["B"]
        self.C = figures["C"]
        self.stable = figures["stable"]
        self.Tsmax = figures["Tsmax"]

    def __repr__(self):
        return (f"Loop(C={self.C:.6g}, stable={self.stable}, Tsmax={self.Tsmax:.3f})")


class Design:
    """fn [Hz], zeta, Ts [s], wn [rad/s], gains (dict by GAIN_NAMES), loops
    (dict mechanism name -> Loop) and designed (dict mechanism name -> bool:
    False when that mechanism's gains are not finite)."""

    def __init__(self, figures):
        self.fn = figures["fn"]
        self.zeta = figures["zeta"]
        self.Ts = figures["Ts"]
        self.wn = figures["wn"]
        self.gains = dict(figures["gains"])
        self.loops = {name: Loop(f) for name, f in zip(MECHANISMS, figures["loops"])}
        self.designed = {name: loop.designed for name, loop in self.loops.items()}

    def __repr__(self):
        return f"Design(fn={self.fn!r}, zeta={self.zeta!r}, Ts={self.Ts!r}, wn={self.wn:.6f})"


class Run:
    """The stored records 0..last of one run, one NumPy array per field
    (FIELDS), and t = record index x dt [s]. A sampled run also has u, the
    command held over each record interval (u[m] applies from record m to
    m + 1; NaN at the last record, which begins none): the turning rate
    [rad/s] for 2DW1C, the steering rate [rad/s] for the steered mechanisms;
    and samples, the indices of the records at the sampling instants. For a
    continuous run both are None."""

    def __init__(self, mechanism, controller, records, dt, u=None, samples=None):
        self.mechanism = mechanism
        self.controller = controller
        self.records = records  # (len(FIELDS), last + 1), one row per field
        self.last = records.shape[1] - 1
        self.t = np.arange(self.last + 1) * dt
        for name, row in zip(FIELDS, records):
            setattr(self, name, row)
        self.u = u
        self.samples = samples

    def __len__(self):
        return self.last + 1

    def __repr__(self):
        return f"Run({self.mechanism!r}, {self.controller!r}, last={self.last})"


class Simulation:
    """design (Design), dt [s], stepsPerSample, path, pose (x [m], y [m],
    heading [deg]) and runs: dict (mechanism, controller) -> Run."""

    def __init__(self, result, path, pose, rule):
        self.design = Design(result["design"])
        self.dt = result["dt"]
        self.stepsPerSample = result["stepsPerSample"]
        self.path = path
        self.pose = pose
        self.rule = rule
        self.runs = {}
        for i, name in enumerate(MECHANISMS):
            self.runs[name, "continuous"] = Run(name, "continuous", result["continuous"][i],
                                                self.dt)
        for i, name in enumerate(MECHANISMS):
            records = result["sampled"][i]
            samples = np.arange(0, records.shape[1], self.stepsPerSample)
            self.runs[name, "sampled"] = Run(name, "sampled", records, self.dt,
                                             result["commands"][i], samples)

    def run(self, mechanism, controller):
        """The Run of one mechanism (MECHANISMS) and controller (CONTROLLERS)."""
        try:
            return self.runs[mechanism, controller]
        except (KeyError, TypeError):
            raise ValueError(f"no run ({mechanism!r}, {controller!r}): mechanism must be one "
                             f"of {MECHANISMS}, controller one of {CONTROLLERS}") from None

    def __repr__(self):
        return (f"Simulation(path={self.path!r}, pose={self.pose!r}, Ts={self.design.Ts!r}, "
                f"stepsPerSample={self.stepsPerSample}, dt={self.dt!r})")


class ArgumentError(ValueError, TypeError):
    """A bad argument of the wrong type: caught as ValueError, as every bad
    argument is, and as TypeError."""


def _real(name, value, accepted, test=math.isfinite):
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise ArgumentError(f"{name} must be a real number ({accepted}), "
                        f"not {type(value).__name__}")
    number = float(value)
    if not test(number):
        raise ValueError(f"{name} must be {accepted}, got {number!r}")
    return number


def _settings(fn, zeta, Ts):
    # The core's own checks of these settings; the console program takes fn
    # and zeta as typed, and only Ts is asked again there.
    return (_real("fn", fn, "a finite number > 0 [Hz]", _core.accepts_fn),
            _real("zeta", zeta, "a finite number >= 0", _core.accepts_zeta),
            _real("Ts", Ts, "a finite number > 0 [s]", _core.accepts_Ts))


def _warn_undesigned(fn, zeta, designed):
    """Warns, at the caller of the public function, of every mechanism that
    could not be designed (designed: dict mechanism -> bool)."""
    missing = [name for name, ok in designed.items() if not ok]
    if missing:
        warnings.warn(f"{' and '.join(missing)} cannot be designed at fn = {fn!r} Hz, "
                      f"zeta = {zeta!r}: its gains are not finite, so its runs and figures "
                      "are NaN or infinite; the other mechanisms are designed normally",
                      RuntimeWarning, stacklevel=3)


def _choice(name, value, accepted):
    if not isinstance(value, str) or value not in accepted:
        raise ValueError(f"{name} must be one of {accepted}, got {value!r}")
    return value


def _pose(pose):
    accepted = "three finite numbers (x [m], y [m], heading [deg])"
    if isinstance(pose, (str, bytes)):
        raise ArgumentError(f"pose must be {accepted}, not {type(pose).__name__}")
    try:
        values = tuple(pose)
    except TypeError:
        raise ArgumentError(f"pose must be {accepted}, not {type(pose).__name__}") from None
    if len(values) != 3:
        raise ValueError(f"pose must be {accepted}, got {len(values)} values")
    return tuple(_real(f"pose[{k}]", v, "a finite number") for k, v in enumerate(values))


def design(fn=0.3, zeta=0.707, Ts=0.2):
    """The control design and stability figures for fn [Hz], zeta and Ts [s],
    as the configuration report computes them."""
    d = Design(_core.design(*_settings(fn, zeta, Ts)))
    _warn_undesigned(d.fn, d.zeta, d.designed)
    return d


def simulate(path="line", fn=0.3, zeta=0.707, Ts=0.2, pose=(0.0, 1.0, 0.0), rule="console",
             steering=0.0):
    """The six runs for a path ("line" or "circle"), fn [Hz], zeta, Ts [s], a
    start pose (x [m], y [m], heading [deg]), a stepsPerSample rule
    ("console" or "startup") and a start steering angle [deg] (0 in the
    console program; for 2DW1C it has no effect)."""
    fn, zeta, Ts = _settings(fn, zeta, Ts)
    steering = _real("steering", steering, "a finite number [deg]")
    path = _choice("path", path, PATHS)
    rule = _choice("rule", rule, RULES)
    pose = _pose(pose)
    result = _core.simulate(PATHS.index(path), fn, zeta, Ts, *pose, steering, rule == "startup")
    sim = Simulation(result, path, pose, rule)
    _warn_undesigned(fn, zeta, sim.design.designed)
    return sim


class Stability:
    """The sampled-data loops of the three mechanisms on a path at fn [Hz],
    zeta and Ts [s], from the simulation model itself: radius (dict mechanism
    -> spectral radius of the one-period map, linearised about steady motion
    on the path; the loop is stable when it is below 1) and limits (dict path
    -> dict mechanism -> limit sampling time [s], on the grid of Tsmax: the
    first Ts tried whose radius is not below 1; computed when first read), and
    designed (dict mechanism -> bool, as Design has it)."""

    def __init__(self, path, fn, zeta, Ts):
        self.path, self.fn, self.zeta, self.Ts = path, fn, zeta, Ts
        radius, designed = _core.loop_radius(PATHS.index(path), fn, zeta, Ts)
        self.radius = dict(zip(MECHANISMS, radius))
        self.designed = dict(zip(MECHANISMS, designed))
        self._limits = None

    @property
    def limits(self):
        if self._limits is None:
            self._limits = {p: dict(zip(MECHANISMS, _core.loop_limits(k, self.fn, self.zeta)))
                            for k, p in enumerate(PATHS)}
        return self._limits

    def __repr__(self):
        return f"Stability(path={self.path!r}, fn={self.fn!r}, zeta={self.zeta!r}, Ts={self.Ts!r})"


def stability(path="line", fn=0.3, zeta=0.707, Ts=0.2):
    """The loops' spectral radii on a path ("line" or "circle") at fn [Hz],
    zeta and Ts [s], and their limit sampling times on both paths. Ts may not
    exceed the limit search's bound, TS_SEARCH_LIMIT (100 s): the cost grows
    with Ts (eight sampling periods of integration)."""
    fn, zeta, Ts = _settings(fn, zeta, Ts)
    if Ts > TS_SEARCH_LIMIT:
        raise ValueError(f"Ts must be at most {TS_SEARCH_LIMIT:g} s (the bound of the limit "
                         f"search) for stability(), got {Ts!r}")
    found = Stability(_choice("path", path, PATHS), fn, zeta, Ts)
    _warn_undesigned(fn, zeta, found.designed)
    return found


# The poles, the locus and the frequency view (they use the checks above).
from .loops import (LOCUS_POINTS, LOCUS_TS_MAX, LOCUS_TS_MIN, ROUTES, Crossing,  # noqa: E402
                    Locus, LoopResponse, Margins, PhaseBudget, Poles, Response, locus,
                    loop_response, poles)
