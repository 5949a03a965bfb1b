"""Why a sampled-data loop loses stability: its poles, their locus against Ts
and the loop broken at the command (agvsim.poles, agvsim.locus,
agvsim.loop_response; imported into the package).

The poles come by one of two routes (ROUTES): "report", the four roots of the
configuration report's polynomial (the loop linearised about the straight
line, the same for either path), or "model", the eigenvalues of the
simulation model's one-period map on the line or the circle (as stability()
takes its radius; Ts at most TS_SEARCH_LIMIT). The frequency view breaks each
loop at the command: L(s) = (R s^2 + Q s + P) / s^3 and the sampled loop with
its hold and one-period delay at z = exp(j omega Ts), up to the Nyquist
frequency pi / Ts. Units: Ts [s], omega [rad/s], s [1/s], angles and phases
[deg], gains [dB]; z has none.
"""

import math

import numpy as np

from . import (CONTROLLERS, MECHANISMS, PATHS, TS_SEARCH_LIMIT, ArgumentError, _choice,
               _core, _settings, _warn_undesigned)

ROUTES = ("report", "model")
_ROUTE_INDEX = {"report": _core.ROUTE_REPORT, "model": _core.ROUTE_MODEL}
LOCUS_TS_MIN = _core.LOCUS_TS_MIN  # [s] the default locus grid's ends: the Lab's Ts slider
LOCUS_TS_MAX = _core.LOCUS_TS_MAX  # [s]
LOCUS_POINTS = _core.LOCUS_POINTS  # values of the default grid, evenly spaced in log(Ts)
# The default frequency grid of loop_response(): RESPONSE_POINTS values evenly spaced in
# log(omega), from RESPONSE_BELOW times the lowest crossover of any loop up to pi / Ts.
RESPONSE_POINTS = 400
RESPONSE_BELOW = 0.1  # a decade below
DEG_PER_TURN = 360.0  # [deg]


def _grid(name, values, accepted, upper=math.inf):
    """A caller's grid as a float array: one-dimensional, not empty, finite, > 0,
    strictly increasing and at most upper."""
    try:
        grid = np.array(values, dtype=float)
    except (TypeError, ValueError):
        raise ArgumentError(f"{name} must be {accepted}, not {type(values).__name__}") from None
    if grid.ndim != 1 or grid.size == 0:
        raise ValueError(f"{name} must be {accepted}, got an array of shape {grid.shape}")
    if not (np.all(np.isfinite(grid)) and grid[0] > 0 and np.all(np.diff(grid) > 0)):
        raise ValueError(f"{name} must be {accepted}: finite, > 0 and increasing")
    if grid[-1] > upper:
        raise ValueError(f"{name} must be {accepted}: at most {upper:g}, got {grid[-1]!r}")
    return grid


def _route_limit(route, Ts, call):
    if route == "model" and Ts > TS_SEARCH_LIMIT:
        raise ValueError(f"Ts must be at most {TS_SEARCH_LIMIT:g} s (the bound of the limit "
                         f"search) for {call}() on the model route, got {Ts!r}")


class Poles:
    """The poles of the three sampled-data loops on a path at fn [Hz], zeta
    and Ts [s], by route ("report" or "model"). Per mechanism (dicts keyed by
    MECHANISMS): z, the four poles of the sampled loop (complex array, sorted
    by modulus, then by angle; no unit); largest, their largest modulus (the
    loop is stable below 1); s, the continuous design's three poles [1/s];
    mapped, their images exp(s Ts), where ideal sampling would put them (the
    fourth sampled pole is the one-period delay's, near 0 at small Ts); and
    designed, as Design has it. NaN where a loop is undefined (2DW1C at
    zeta = 0)."""

    def __init__(self, path, route, fn, zeta, Ts, found):
        self.path, self.route, self.fn, self.zeta, self.Ts = path, route, fn, zeta, Ts
        self.z = dict(zip(MECHANISMS, found["z"]))
        self.s = dict(zip(MECHANISMS, found["s"]))
        self.mapped = dict(zip(MECHANISMS, found["mapped"]))
        self.designed = dict(zip(MECHANISMS, found["designed"]))
        self.largest = {m: float(np.max(np.abs(z))) for m, z in self.z.items()}

    def __repr__(self):
        return (f"Poles(path={self.path!r}, route={self.route!r}, fn={self.fn!r}, "
                f"zeta={self.zeta!r}, Ts={self.Ts!r})")


class Crossing:
    """Where a loop's largest pole modulus first reaches 1 along the Ts grid:
    Ts [s] (bisected between two grid values), pole (the largest pole there,
    on the unit circle, upper half-plane), angle = arg(pole) [deg] and period
    = 360 deg x Ts / angle [s], the period of the oscillation that sets in
    just above Ts (the pole turns by the angle each sampling period). All NaN
    when the grid has no crossing."""

    def __init__(self, Ts, pole):
        self.Ts = Ts
        self.pole = pole
        self.angle = math.degrees(math.atan2(pole.imag, pole.real))
        # A real pole reaching z = 1 would be a drift, not an oscillation: no period.
        self.period = DEG_PER_TURN * Ts / self.angle if self.angle != 0 else math.inf

    def __repr__(self):
        return f"Crossing(Ts={self.Ts:.6f}, angle={self.angle:.2f}, period={self.period:.4f})"


class Locus:
    """The poles of the three sampled-data loops along an increasing Ts grid
    [s] on a path by route, at fn [Hz] and zeta. Per mechanism: z, an
    (n, 4) complex array of the poles at each Ts (each row sorted as in
    Poles); largest, the n largest moduli; mapped, an (n, 3) array of the
    continuous poles' images exp(s Ts); crossing, a Crossing; designed."""

    def __init__(self, path, route, fn, zeta, Ts, found):
        self.path, self.route, self.fn, self.zeta, self.Ts = path, route, fn, zeta, Ts
        self.z = dict(zip(MECHANISMS, found["z"]))
        self.largest = dict(zip(MECHANISMS, found["largest"]))
        self.mapped = dict(zip(MECHANISMS, found["mapped"]))
        self.crossing = {m: Crossing(*c) for m, c in zip(MECHANISMS, found["crossing"])}
        self.designed = dict(zip(MECHANISMS, found["designed"]))

    def __repr__(self):
        return (f"Locus(path={self.path!r}, route={self.route!r}, fn={self.fn!r}, "
                f"zeta={self.zeta!r}, Ts from {self.Ts[0]:g} to {self.Ts[-1]:g} s, "
                f"{len(self.Ts)} values)")


class Margins:
    """Crossovers and margins of one loop broken at the command. crossover:
    the gain crossover wc [rad/s] (|L| = 1; the highest below pi / Ts);
    phase_margin [deg]: 180 deg + the phase there. The phase starts at
    -270 deg (three integrators) and rises through -180 deg at
    lower_crossover [rad/s], where lower_gain_margin [dB] = |L| says how far
    the gain may fall before the loop is unstable; the sampled loop's hold
    and delay bring it down through -180 deg again at upper_crossover
    [rad/s], where upper_gain_margin [dB] = -|L| says how far the gain may
    rise: that is the margin Ts uses up. The continuous loop has no upper
    crossover (NaN) and an infinite upper margin."""

    def __init__(self, m):
        self.crossover = m["crossover"]
        self.phase_margin = m["phase_margin"]
        self.lower_crossover = m["lower_crossover"]
        self.lower_gain_margin = m["lower_gain_margin"]
        self.upper_crossover = m["upper_crossover"]
        self.upper_gain_margin = m["upper_gain_margin"]

    def __repr__(self):
        return (f"Margins(crossover={self.crossover:.4f}, phase_margin={self.phase_margin:.2f}, "
                f"lower_gain_margin={self.lower_gain_margin:.2f}, "
                f"upper_gain_margin={self.upper_gain_margin:.2f})")


class PhaseBudget:
    """What the hold and the delay take from the phase margin at Ts [deg]:
    continuous_margin, less hold = wc Ts / 2 and delay = wc Ts (at the
    continuous crossover wc), leaves left; sampled_margin is the sampled
    loop's exact phase margin beside it."""

    def __init__(self, b):
        self.continuous_margin = b["continuous_margin"]
        self.hold = b["hold"]
        self.delay = b["delay"]
        self.left = b["left"]
        self.sampled_margin = b["sampled_margin"]

    def __repr__(self):
        return (f"PhaseBudget({self.continuous_margin:.2f} - {self.hold:.2f} (hold) - "
                f"{self.delay:.2f} (delay) = {self.left:.2f}; exact {self.sampled_margin:.2f})")


class LoopResponse:
    """One mechanism's loop broken at the command, on the Response's omega
    grid: magnitude (dict controller -> |L| [dB]) and phase (dict controller
    -> phase [deg], continuous from -270 deg) for "continuous" and "sampled"
    (CONTROLLERS; the sampled loop NaN beyond pi / Ts), margins (dict
    controller -> Margins) and budget (PhaseBudget)."""

    def __init__(self, mechanism, response, margins, budget):
        self.mechanism = mechanism
        self.magnitude = {c: response[c][0] for c in CONTROLLERS}
        self.phase = {c: response[c][1] for c in CONTROLLERS}
        self.margins = {c: Margins(margins[c]) for c in CONTROLLERS}
        self.budget = PhaseBudget(budget)

    def __repr__(self):
        return f"LoopResponse({self.mechanism!r}, {self.margins['sampled']!r})"


class Response:
    """The three mechanisms' loops broken at the command at fn [Hz], zeta and
    Ts [s]: omega [rad/s], the frequency grid, and loops (dict mechanism ->
    LoopResponse), designed (dict mechanism -> bool)."""

    def __init__(self, fn, zeta, Ts, omega, response, margins):
        self.fn, self.zeta, self.Ts, self.omega = fn, zeta, Ts, omega
        self.designed = dict(zip(MECHANISMS, margins["designed"]))
        self.loops = {}
        for i, m in enumerate(MECHANISMS):
            self.loops[m] = LoopResponse(m, {c: response[c][i] for c in CONTROLLERS},
                                         {c: margins[c][i] for c in CONTROLLERS},
                                         margins["budget"][i])

    def __repr__(self):
        return (f"Response(fn={self.fn!r}, zeta={self.zeta!r}, Ts={self.Ts!r}, omega from "
                f"{self.omega[0]:.4g} to {self.omega[-1]:.4g} rad/s)")


def poles(path="line", fn=0.3, zeta=0.707, Ts=0.2, route="model"):
    """The four poles of each mechanism's sampled-data loop on a path ("line"
    or "circle") at fn [Hz], zeta and Ts [s], by route ("model": the
    simulation model's one-period map, Ts at most TS_SEARCH_LIMIT; "report":
    the report's polynomial, the line's loop on either path), with the
    continuous poles and their images exp(s Ts). See Poles."""
    fn, zeta, Ts = _settings(fn, zeta, Ts)
    path, route = _choice("path", path, PATHS), _choice("route", route, ROUTES)
    _route_limit(route, Ts, "poles")
    found = Poles(path, route, fn, zeta, Ts,
                  _core.poles(PATHS.index(path), _ROUTE_INDEX[route], fn, zeta, Ts))
    _warn_undesigned(fn, zeta, found.designed)
    return found


def locus(path="line", fn=0.3, zeta=0.707, Ts=None, route="model"):
    """The poles of each mechanism's sampled-data loop along a grid of
    sampling times Ts [s] (finite, > 0, increasing; on the model route at
    most TS_SEARCH_LIMIT; by default LOCUS_POINTS values evenly spaced in
    log(Ts) from LOCUS_TS_MIN to LOCUS_TS_MAX), on a path by route as in
    poles(), with where each loop's largest modulus first reaches 1. See
    Locus and Crossing."""
    fn, zeta, _ = _settings(fn, zeta, LOCUS_TS_MIN)
    path, route = _choice("path", path, PATHS), _choice("route", route, ROUTES)
    accepted = "a grid of sampling times [s]"
    if Ts is None:
        grid = _core.locus_grid(LOCUS_TS_MIN, LOCUS_TS_MAX, LOCUS_POINTS)
    elif route == "model":
        grid = _grid("Ts", Ts, accepted, TS_SEARCH_LIMIT)
    else:
        grid = _grid("Ts", Ts, accepted)
    found = Locus(path, route, fn, zeta, grid,
                  _core.locus(PATHS.index(path), _ROUTE_INDEX[route], fn, zeta, grid))
    _warn_undesigned(fn, zeta, found.designed)
    return found


def loop_response(fn=0.3, zeta=0.707, Ts=0.2, omega=None):
    """Each mechanism's loop broken at the command, continuous and sampled at
    Ts [s], at the angular frequencies omega [rad/s] (finite, > 0,
    increasing; by default RESPONSE_POINTS values evenly spaced in log(omega)
    from a decade below the lowest crossover of any loop up to pi / Ts):
    magnitude [dB], phase [deg], the crossovers and margins of both loops
    and the phase budget. See Response."""
    fn, zeta, Ts = _settings(fn, zeta, Ts)
    margins = _core.loop_margins(fn, zeta, Ts)
    nyquist = math.pi / Ts  # [rad/s]
    if omega is None:
        features = [m[key] for c in CONTROLLERS for m in margins[c]
                    for key in ("crossover", "lower_crossover", "upper_crossover")]
        lowest = min([w for w in features if math.isfinite(w)] + [nyquist])
        grid = np.geomspace(RESPONSE_BELOW * lowest, nyquist, RESPONSE_POINTS)
        grid[-1] = nyquist
    else:
        grid = _grid("omega", omega, "a grid of angular frequencies [rad/s]")
    found = Response(fn, zeta, Ts, grid, _core.loop_response(fn, zeta, Ts, grid), margins)
    _warn_undesigned(fn, zeta, found.designed)
    return found
