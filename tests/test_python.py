# The Python module agvsim and its command line, against the program's
# documented figures and the C++ stores (written by the store_dump helper).
import csv
import math
from fractions import Fraction
import os
import subprocess
import sys

import numpy as np
import pytest

import agvsim

GAIN_TOL = 5e-7  # [-] the gains are quoted to six decimals


def test_default_design():
    d = agvsim.design()
    quoted = dict(kdPI1=2.664793, kthPI1=3.331860, kiPI1=0.888711, kd2=6.697356, kth2=8.577081,
                  kph2=4.550283, kd3=6.697356, kth3=8.577081, kph3=4.550283)
    assert d.gains == pytest.approx(quoted, abs=GAIN_TOL)
    # C is quoted to two decimals.
    assert [lp.C for lp in d.loops.values()] == pytest.approx([64.45, -450.39, -450.39], abs=5e-3)


@pytest.mark.parametrize("fn, Ts, stable", [(0.3, 1e-6, 3), (1e-5, 0.2, 3), (0.3, 0.2, 1),
                                             (1.0, 0.05, 3), (1e-3, 99.0, 0)])
def test_figures_exact(fn, Ts, stable):
    # a0..a4, then B0..B4 and C as defined from them, in exact rational arithmetic from the
    # loop's P, Q, R (V = 1 m/s, L = 1 m); the gains enter as the doubles the design made.
    d = agvsim.design(fn=fn, Ts=Ts)
    T = Fraction(Ts)
    for (P, Q, R), loop in zip(loop_pqr({k: Fraction(v) for k, v in d.gains.items()}),
                               d.loops.values()):
        a0, a1, a2, a3, a4 = (((P * T - 3 * Q) * T + 6 * R) * T, (4 * P * T**2 - 12 * R) * T - 6,
                              ((P * T + 3 * Q) * T + 6 * R) * T + 18, -18, 6)
        B = [a4 - a3 + a2 - a1 + a0, 4 * (a4 - a0) + 2 * (a1 - a3), 6 * (a4 + a0) - 2 * a2,
             4 * (a4 - a0) + 2 * (a3 - a1), a4 + a3 + a2 + a1 + a0]
        C = B[1] * (B[3] * B[2] - B[4] * B[1]) - B[3] ** 2 * B[0]
        assert [*loop.a, *loop.B, loop.C] == pytest.approx(
            [float(v) for v in (a0, a1, a2, a3, a4, *B, C)], rel=1e-12, abs=0)
    assert sum(loop.stable for loop in d.loops.values()) == stable
    assert fn != 1e-5 or min(loop.Tsmax for loop in d.loops.values()) > 0.2


@pytest.mark.parametrize("settings, runs, last", [
    ({}, [("2DW1C", "continuous"), ("1RDW1FS", "continuous")], 1000),
    ({"Ts": 0.3}, [("2DW1C", "sampled")], 1005),  # 67 periods of 15 records
    ({"Ts": 0.005}, [(m, c) for m in agvsim.MECHANISMS for c in agvsim.CONTROLLERS], 2999),
    ({"pose": (-3, 1, 0)}, [("2DW1C", "continuous")], 1150),  # 23 m at 1 m/s, 0.02 s records
    ({"Ts": 1e300}, [(m, "sampled") for m in agvsim.MECHANISMS], 2999)])  # the store caps it
def test_last_record(settings, runs, last):
    sim = agvsim.simulate(**settings)
    assert [len(sim.runs[key].t) for key in runs] == [last + 1] * len(runs)
    assert settings != {"Ts": 0.3} or sim.run("2DW1C", "sampled").dist[-1] == pytest.approx(20.1)


def test_held_command():
    sim = agvsim.simulate()
    run = sim.run("2DW1C", "sampled")
    # u0 = -kdPI1 ed with ed = y0 = 1 m and no heading error or integral yet.
    assert np.all(run.u[:20] == -sim.design.gains["kdPI1"] * 1.0)
    changes = np.flatnonzero(np.diff(run.u[:-1])) + 1
    assert changes[0] == 20 and np.all(changes % 10 == 0)
    assert np.array_equal(run.samples, np.arange(0, run.last + 1, 10))
    assert sim.run("1RDW1FS", "sampled").u[0] == -3.0  # -kd3 x 1 m, clipped to -wmax


@pytest.mark.parametrize("path", agvsim.PATHS)
def test_arrays_are_the_stores(path):
    dump = subprocess.run([os.environ["STORE_DUMP"], str(agvsim.PATHS.index(path)), "0.3", "1",
                           "0.5", "30"], capture_output=True, check=True, timeout=60).stdout
    bounds, at, stores = np.frombuffer(dump[:24], np.int32), 24, []
    for n in (5, 11, 5, 11):  # contTraj, contErr, sampTraj, sampErr: 3 x 3000 records of n doubles
        stores.append(np.frombuffer(dump, np.float64, 9000 * n, at).reshape(3, 3000, n))
        at += 9000 * n * 8
    sim = agvsim.simulate(path=path, Ts=0.3, pose=(1, 0.5, 30))
    for k, (c, m) in enumerate((c, m) for c in agvsim.CONTROLLERS for m in agvsim.MECHANISMS):
        stored = np.hstack([stores[2 * (k >= 3)][k % 3], stores[1 + 2 * (k >= 3)][k % 3]])
        stored = stored[:bounds[k] + 2]
        mine = np.column_stack([getattr(sim.runs[m, c], f) for f in agvsim.FIELDS])
        assert mine.tobytes() == stored.tobytes(), (m, c)


def test_calls_are_independent():
    first = agvsim.simulate(path="circle", Ts=0.25, pose=(1, 0, 90))
    agvsim.simulate(fn=1.0, zeta=0.2, Ts=0.005, pose=(2, -1, 45), rule="startup")
    with pytest.warns(RuntimeWarning):
        agvsim.design(fn=0.1, zeta=0.0)
    again = agvsim.simulate(path="circle", Ts=0.25, pose=(1, 0, 90))
    for key, run in first.runs.items():
        assert run.records.tobytes() == again.runs[key].records.tobytes(), key


@pytest.mark.parametrize("name, value, error", [
    *[("Ts", v, ValueError) for v in (0, -0.1, math.nan, math.inf)], ("fn", math.nan, ValueError),
    ("fn", 0, ValueError), ("fn", -0.3, ValueError), ("zeta", -1, ValueError),
    ("zeta", -math.inf, ValueError), ("path", "square", ValueError), ("path", 1, ValueError),
    ("rule", "other", ValueError), ("pose", (0, 1), ValueError), ("pose", "0 1 0", TypeError),
    ("pose", (0, 1, math.nan), ValueError), ("pose", None, TypeError), ("Ts", "0.2", TypeError),
    ("fn", None, TypeError), ("zeta", True, TypeError)])
def test_bad_arguments(name, value, error):
    for call in (agvsim.simulate, agvsim.design, agvsim.stability)[
            :1 + 2 * (name in ("fn", "zeta", "Ts"))]:
        with pytest.raises(error, match=name):
            call(**{name: value})


def test_bounds_and_undesigned():
    with pytest.raises(ValueError, match="at most 100 s"):
        agvsim.stability(Ts=100.001)
    assert agvsim.stability(Ts=100).radius["1RDW1FS"] > 1  # the bound itself is taken
    for call in (agvsim.poles, agvsim.locus, agvsim.loop_response, agvsim.stability,
                 agvsim.simulate, agvsim.design):
        with pytest.warns(RuntimeWarning, match="2DW1C cannot be designed") as caught:
            result = call(zeta=0)
        assert len(caught) == 1 and caught[0].filename == __file__
        if hasattr(result, "z"):  # poles, locus: the undesigned loop's poles NaN, no other's
            assert [np.isnan(result.z[m]).all() for m in agvsim.MECHANISMS] == [1, 0, 0]
    # The steered mechanisms are designed normally: wn^2 alpha L / V^2 with alpha = wn.
    assert result.gains["kd2"] == pytest.approx((0.6 * math.pi) ** 3)


def cli(*args):
    return subprocess.run([sys.executable, "-m", "agvsim", *args], capture_output=True,
                          text=True, timeout=120)


def test_cli(tmp_path):
    done = cli("run", "--Ts", "0.3", "--pose", "-3", "1", "0", "-o", str(tmp_path / "r"))
    header, *rows = list(csv.reader((tmp_path / "r").read_text().splitlines()))
    # Columns: mechanism, controller, record, t, the sixteen fields, u.
    assert done.returncode == 0 and {len(r) for r in [header, *rows]} == {len(agvsim.FIELDS) + 5}
    last = {(r[0], r[1]): int(r[2]) for r in rows}  # each run's last row comes last
    # At 1 m/s: continuous runs from dist -3 m to 20 m, sampled runs 67 periods of 15 records.
    assert [n for (m, _), n in last.items() if m != "1FDW1FS"] == [1150, 1150, 1005, 1005]
    assert len(rows) == sum(n + 1 for n in last.values()) and len(last) == 6
    # u is held from record m to m + 1: none on a continuous run, none at a sampled run's last record.
    assert all((r[-1] == "") == (r[1] == "continuous" or int(r[2]) == last[r[0], r[1]]) for r in rows)
    assert "0.211" in cli("design").stdout
    steered = next(r for r in cli("run", "--steering", "10").stdout.splitlines() if "1F" in r)
    assert float(steered.split(",")[8]) == pytest.approx(math.radians(10), rel=1e-8)  # phi
    assert "warning: 2DW1C cannot be designed" in cli("design", "--zeta", "0").stderr
    for command in ("design", "run"):  # the reader is gone before the first write
        done = subprocess.Popen([sys.executable, "-m", "agvsim", command], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        done.stdout.close()
        assert done.wait(120) == 0 and done.stderr.read() == b"", command
    for bad in (["run", "--Ts", "0"], ["run", "--path", "square"], ["design", "--fn", "nan"],
                ["run", "--pose", "1", "2"], ["run", "--Ts", "x"], ["walk"]):
        result = cli(*bad)
        assert result.returncode == 2 and "error" in result.stderr, bad


def loop_pqr(g):  # P [1/s^3], Q [1/s^2], R [1/s] of each mechanism's loop (theory 7.1, V = L = 1)
    return [(g["kiPI1"] * g["kdPI1"], g["kdPI1"] + g["kiPI1"] * g["kthPI1"], g["kthPI1"]),
            (g["kd2"], g["kth2"], g["kph2"]), (g["kd3"], g["kth3"], g["kph3"])]


def matched(z, reference):  # the pole of z nearest each reference pole
    return np.array([z[np.argmin(abs(z - w))] for w in reference])


@pytest.mark.parametrize("fn, zeta, T", [(0.3, 0.707, 0.2), (1.0, 0.5, 0.03), (0.1, 0.9, 0.9)])
def test_poles_against_roots_and_radius(fn, zeta, T):
    report = agvsim.poles(fn=fn, zeta=zeta, Ts=T, route="report")
    for m, (P, Q, R) in zip(agvsim.MECHANISMS, loop_pqr(agvsim.design(fn, zeta, T).gains)):
        roots = np.roots([6, -18, 18 + 6 * R * T + 3 * Q * T**2 + P * T**3,
                          -6 - 12 * R * T + 4 * P * T**3, 6 * R * T - 3 * Q * T**2 + P * T**3])
        assert matched(report.z[m], roots) == pytest.approx(roots, abs=1e-9), m
        s = np.roots([1, R, Q, P])
        assert matched(report.s[m], s) == pytest.approx(s, rel=1e-10)
        assert matched(report.mapped[m], np.exp(s * T)) == pytest.approx(np.exp(s * T), rel=1e-10)
    for path in agvsim.PATHS:
        model, radius = agvsim.poles(path, fn, zeta, T), agvsim.stability(path, fn, zeta, T).radius
        assert model.largest == pytest.approx(radius, rel=1e-12, abs=0)


def test_routes_on_the_line():
    # The routes' largest pole distance at wn Ts = 0.09 pi and the model's step h [s]: for 2DW1C
    def gap(fn, m):  # it is first order in h (theory 9, the PI integrals), so scales as wn h
        Ts = 0.045 / fn
        both = [agvsim.poles(fn=fn, Ts=Ts, route=r).z[m] for r in agvsim.ROUTES]
        return max(abs(both[0] - matched(both[1], both[0]))), Ts / (10 * max(1, int(Ts / 0.02)))
    assert gap(0.3, "1FDW1FS")[0] < 1e-8 and gap(0.3, "1RDW1FS")[0] < 1e-8
    (fast, h_fast), (slow, h_slow) = gap(3.0, "2DW1C"), gap(0.3, "2DW1C")
    assert fast / slow == pytest.approx(10 * h_fast / h_slow, rel=0.03) and slow > 1e-5


@pytest.mark.parametrize("fn, zeta", [(0.3, 0.707), (0.1, 0.5)])
def test_crossings(fn, zeta):
    step = 0.001 + 1e-9  # [s] the grid of Tsmax and of the limits
    report = agvsim.locus(fn=fn, zeta=zeta, route="report")
    limits = agvsim.stability(fn=fn, zeta=zeta).limits
    for m, loop in agvsim.design(fn, zeta).loops.items():
        assert loop.Tsmax - step <= report.crossing[m].Ts < loop.Tsmax
        assert abs(report.crossing[m].pole) == pytest.approx(1, abs=1e-12)
        at = [agvsim.loop_response(fn, zeta, report.crossing[m].Ts * f).loops[m].margins["sampled"]
              for f in (1 - 1e-3, 1, 1 + 1e-3)]  # on the circle, PM = upper GM = 0
        assert abs(at[1].phase_margin) < 1e-6 and abs(at[1].upper_gain_margin) < 1e-6
        assert at[0].phase_margin > 0 > at[2].phase_margin and at[0].upper_gain_margin > 0 > at[
            2].upper_gain_margin
    for path in agvsim.PATHS:
        for m, crossing in agvsim.locus(path, fn, zeta).crossing.items():
            assert limits[path][m] - step <= crossing.Ts < limits[path][m], (path, m)


def test_small_Ts_limit():
    def errors(Ts):  # per mechanism: |z_k - exp(s_k Ts)| / |exp(s_k Ts) - 1|, delay pole / (R Ts)
        p = agvsim.poles(Ts=Ts, route="report")
        for m, (P, Q, R) in zip(agvsim.MECHANISMS, loop_pqr(agvsim.design().gains)):
            e = np.exp(p.s[m] * Ts)
            yield max(abs(matched(p.z[m], e) - e) / abs(e - 1)), abs(p.z[m][0]) / (R * Ts)
    for (e2, d2), (e1, d1) in zip(errors(2e-3), errors(1e-3)):  # z = R T solves -6 z + 6 R T = 0
        assert e2 / e1 == pytest.approx(2, rel=0.05) and abs(d1 - 1) < 0.6 * abs(d2 - 1) < 0.01


def test_margins():
    found, T = agvsim.loop_response(Ts=0.2), 0.2
    s, z = 1j * found.omega, np.exp(1j * found.omega * T)
    for (m, loop), (P, Q, R) in zip(found.loops.items(), loop_pqr(agvsim.design().gains)):
        L = {"continuous": (R * s**2 + Q * s + P) / s**3,
             "sampled": (R * T / (z - 1) + Q * T**2 * (z + 1) / (2 * (z - 1)**2)
                         + P * T**3 * (z**2 + 4 * z + 1) / (6 * (z - 1)**3)) / z}
        for c in agvsim.CONTROLLERS:  # |L| [dB] and phase [deg], from -270 deg at small omega
            gain = 10 ** (loop.magnitude[c] / 20) * np.exp(1j * np.radians(loop.phase[c]))
            assert gain == pytest.approx(L[c], rel=1e-9) and loop.phase[c][0] < -250
        cont, wc = loop.margins["continuous"], 1j * loop.margins["continuous"].crossover
        assert cont.lower_crossover == pytest.approx(math.sqrt(P / R), rel=1e-12)
        assert cont.lower_gain_margin == pytest.approx(20 * math.log10(Q * R / P), rel=1e-12)
        assert abs((R * wc**2 + Q * wc + P) / wc**3) == pytest.approx(1, abs=1e-12)


@pytest.mark.parametrize("m, Ts, y", [("1FDW1FS", 0.17, 1), ("2DW1C", 0.212, 0.05)])
def test_oscillation_period(m, Ts, y):
    run = agvsim.simulate(Ts=Ts, pose=(0, y, 0)).run(m, "sampled")
    t, e = run.t[run.t >= 10], run.ed[run.t >= 10]  # [s] once the oscillation has set in
    zeros = t[1:][np.sign(e[1:]) != np.sign(e[:-1])]  # two a period
    assert len(zeros) > 8 and 2 * np.mean(np.diff(zeros)) == pytest.approx(
        agvsim.locus(route="report").crossing[m].period, rel=0.02)


def test_loop_arguments():
    bad = [(agvsim.poles, {"route": "exact"}, "route"), (agvsim.locus, {"route": 1}, "route"),
           (agvsim.poles, {"Ts": 100.5}, "at most 100 s"), (agvsim.loop_response, {"omega": [2, 1]},
           "omega")] + [(agvsim.locus, {"Ts": grid}, "Ts") for grid in (
               [1, 101], [], [0.2, 0.1], [0.1, math.nan], [[0.1, 0.2]], [-0.1, 0.2], "0.1")]
    for call, arguments, name in bad:
        with pytest.raises(ValueError, match=name):
            call(**arguments)
    assert agvsim.poles(Ts=100.5, route="report").largest["2DW1C"] > 1


def test_cli_pole_tables():
    header, *rows = list(csv.reader(cli("poles").stdout.splitlines()))
    assert "Ts [s]" in header and "angle [deg]" in header and len(rows) == 3 * (4 + 3 + 3)
    rows = list(csv.reader(cli("locus", "--route", "report", "--count", "7").stdout.splitlines()))
    crossing = {r[0]: float(r[2]) for r in rows if r[1] == "crossing"}
    assert len(rows) == 1 + 3 * 7 * 4 + 3 and all(
        loop.Tsmax - 0.0011 < crossing[m] < loop.Tsmax for m, loop in agvsim.design().loops.items())
    assert cli("locus", "--Ts-grid", "0.2", "0.1").returncode == 2
