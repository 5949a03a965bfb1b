"""Command line of agvsim: the design figures, every record of the six runs, or the
sampled loops' poles and their locus against Ts, as CSV.

    python3 -m agvsim design [--fn HZ] [--zeta Z] [--Ts S]
    python3 -m agvsim run [--path line|circle] [--fn HZ] [--zeta Z] [--Ts S]
                          [--pose X Y DEG] [--steering DEG] [--rule console|startup]
                          [-o FILE]
    python3 -m agvsim poles [--path line|circle] [--route report|model] [--fn HZ]
                            [--zeta Z] [--Ts S] [-o FILE]
    python3 -m agvsim locus [--path line|circle] [--route report|model] [--fn HZ]
                            [--zeta Z] [--Ts-grid S [S ...] | --count N] [-o FILE]

Each ends quietly, with status 0, when the reader of its output stops early
(for example `| head`), and with status 2 on a bad argument.
"""

import argparse
import csv
import math
import os
import sys
import warnings

import agvsim
from agvsim import _core

# The columns of the pole tables (poles, locus): z has no unit, s is in 1/s.
POLE_COLUMNS = ("mechanism", "kind", "Ts [s]", "k", "re", "im", "abs", "angle [deg]")
POLE_KINDS = ("z", "exp(s Ts)", "s [1/s]")
CROSSING_KIND = "crossing"
LARGEST_POLE = 3  # k of the largest of the four sampled poles


def _parser():
    parser = argparse.ArgumentParser(
        prog="python3 -m agvsim",
        description="The agvsim simulation core: design figures and simulation runs.")
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    design = commands.add_parser("design", help="print wn, the gains and each mechanism's "
                                 "stability figures, verdict and Tsmax")
    columns = ", ".join(f"{name} [{agvsim.UNITS[name]}]" for name in ("t", *agvsim.FIELDS, "u"))
    run = commands.add_parser(
        "run", help="write every stored record of the six runs as CSV",
        epilog=f"CSV columns: mechanism, controller, record (index), {columns}. eth is stored "
        "within [-pi, pi]; u is the held command (turning rate of 2DW1C, steering rate of the "
        "others), empty for the continuous runs and at a sampled run's last record.")
    table = ", ".join(POLE_COLUMNS)
    poles = commands.add_parser(
        "poles", help="write the four poles of each mechanism's sampled loop at Ts, the "
        "continuous poles and their images, as CSV",
        epilog=f"CSV columns: {table}. kind z: the sampled loop's poles (k = 0..3, sorted by "
        "modulus, then angle; no unit); exp(s Ts): the continuous poles mapped by ideal "
        "sampling (k = 0..2); s [1/s]: the continuous poles themselves, re, im and abs in 1/s. "
        "angle = arg [deg]. NaN where a loop is undefined (2DW1C at zeta = 0).")
    locus = commands.add_parser(
        "locus", help="write the poles of each mechanism's sampled loop along a Ts grid, and "
        "where the largest first reaches the unit circle, as CSV",
        epilog=f"CSV columns: {table}. kind z: the poles at each Ts of the grid (k = 0..3, "
        "sorted by modulus, then angle); kind crossing: one row a mechanism, the largest pole "
        "(upper half-plane) where its modulus first reaches 1, at that Ts (bisected between "
        "grid values; nan when there is none). The oscillation that sets in just above it has "
        "the period 360 deg x Ts / angle [s].")
    for sub in (design, run, poles, locus):
        sub.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz], > 0 (0.3)")
        sub.add_argument("--zeta", type=float, default=0.707, help="damping ratio, >= 0 (0.707)")
    for sub in (design, run, poles):
        sub.add_argument("--Ts", type=float, default=0.2, help="sampling time [s], > 0 (0.2)")
    for sub in (run, poles, locus):
        sub.add_argument("--path", choices=agvsim.PATHS, default="line", help="reference path")
    for sub in (poles, locus):
        sub.add_argument("--route", choices=agvsim.ROUTES, default="model",
                         help="model: the simulation model's one-period map on the path (Ts at "
                         "most 100 s); report: the report's polynomial (the line's loop)")
    grid = locus.add_mutually_exclusive_group()
    grid.add_argument("--Ts-grid", type=float, nargs="+", metavar="S", dest="Ts_grid",
                      help="the sampling times [s], increasing")
    grid.add_argument("--count", type=int, metavar="N",
                      help=f"N >= 2 sampling times evenly spaced in log(Ts) from "
                      f"{agvsim.LOCUS_TS_MIN:g} to {agvsim.LOCUS_TS_MAX:g} s (the default, with "
                      f"N = {agvsim.LOCUS_POINTS})")
    run.add_argument("--pose", type=float, nargs=3, metavar=("X", "Y", "DEG"),
                     default=(0.0, 1.0, 0.0), help="start pose: x [m], y [m], heading [deg]")
    run.add_argument("--steering", type=float, default=0.0, metavar="DEG",
                     help="start steering angle [deg] (0, as in the console program)")
    run.add_argument("--rule", choices=agvsim.RULES, default="console",
                     help="stepsPerSample rule: trunc(Ts/0.02) (console) or "
                     "trunc((Ts+0.00001)/0.02) (startup)")
    for sub in (run, poles, locus):
        sub.add_argument("-o", "--output", metavar="FILE",
                         help="CSV file (standard output if absent)")
    return parser, {"design": design, "run": run, "poles": poles, "locus": locus}


def _print_design(d, out):
    print(f"fn = {d.fn:.6g} Hz   zeta = {d.zeta:.6g}   Ts = {d.Ts:.6g} s   "
          f"wn = {d.wn:.6f} rad/s", file=out)
    print("gains:", file=out)
    for name in agvsim.GAIN_NAMES:
        print(f"  {name:<7} = {d.gains[name]:.6f}", file=out)
    header = "".join(f"{b:>14}" for b in ("B0", "B1", "B2", "B3", "B4", "C"))
    print(f"{'mechanism':<10}{header}  {'at Ts':<9}{'Tsmax [s]':>9}", file=out)
    for name, loop in d.loops.items():
        figures = "".join(f"{v:14.6g}" for v in (*loop.B, loop.C))
        verdict = "stable" if loop.stable else "unstable"
        print(f"{name:<10}{figures}  {verdict:<9}{loop.Tsmax:9.3f}", file=out)


def _write_runs(sim, out):
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(("mechanism", "controller", "record", "t", *agvsim.FIELDS, "u"))
    for (mechanism, controller), run in sim.runs.items():
        columns = [run.t.tolist()] + [getattr(run, f).tolist() for f in agvsim.FIELDS]
        if run.u is None:
            u = [""] * len(run)
        else:  # the last record begins no interval: no command
            u = run.u.tolist()
            u[-1] = ""
        for record, row in enumerate(zip(*columns, u)):
            writer.writerow((mechanism, controller, record, *row))


def _pole_rows(mechanism, kind, Ts, values):
    for k, z in enumerate(values):
        yield (mechanism, kind, Ts, k, z.real, z.imag, abs(z),
               math.degrees(math.atan2(z.imag, z.real)))


def _write_poles(found, out):
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(POLE_COLUMNS)
    for m in agvsim.MECHANISMS:
        for kind, values in zip(POLE_KINDS, (found.z[m], found.mapped[m], found.s[m])):
            writer.writerows(_pole_rows(m, kind, found.Ts, values))


def _write_locus(found, out):
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(POLE_COLUMNS)
    for m in agvsim.MECHANISMS:
        for Ts, values in zip(found.Ts.tolist(), found.z[m]):
            writer.writerows(_pole_rows(m, POLE_KINDS[0], Ts, values))
    for m, crossing in found.crossing.items():
        row = next(_pole_rows(m, CROSSING_KIND, crossing.Ts, [crossing.pole]))
        writer.writerow((*row[:3], LARGEST_POLE, *row[4:]))


def _locus(args):
    grid = args.Ts_grid
    if args.count is not None:
        if args.count < 2:
            raise ValueError(f"--count must be at least 2, got {args.count}")
        grid = _core.locus_grid(agvsim.LOCUS_TS_MIN, agvsim.LOCUS_TS_MAX, args.count)
    return agvsim.locus(path=args.path, fn=args.fn, zeta=args.zeta, Ts=grid, route=args.route)


WRITERS = {"design": _print_design, "run": _write_runs, "poles": _write_poles, "locus": _write_locus}


def _show_warning(message, category, filename, lineno, file=None, line=None):
    print(f"python3 -m agvsim: warning: {message}", file=sys.stderr)


def main(argv=None):
    warnings.showwarning = _show_warning  # the message alone, not this file's source line
    parser, commands = _parser()
    args = parser.parse_args(argv)
    parser = commands[args.command]  # its usage line goes with the error messages
    try:
        if args.command == "design":
            result = agvsim.design(fn=args.fn, zeta=args.zeta, Ts=args.Ts)
        elif args.command == "run":
            result = agvsim.simulate(path=args.path, fn=args.fn, zeta=args.zeta, Ts=args.Ts,
                                     pose=tuple(args.pose), rule=args.rule,
                                     steering=args.steering)
        elif args.command == "poles":
            result = agvsim.poles(path=args.path, fn=args.fn, zeta=args.zeta, Ts=args.Ts,
                                  route=args.route)
        else:
            result = _locus(args)
    except ValueError as error:
        parser.error(str(error))  # exits with status 2
    write = WRITERS[args.command]
    if args.command == "design" or args.output is None:
        try:
            write(result, sys.stdout)
            sys.stdout.flush()
        except BrokenPipeError:  # the reader stopped early (say, head): not an error
            os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    else:
        try:
            with open(args.output, "w", newline="", encoding="utf-8") as out:
                write(result, out)
        except OSError as error:
            parser.error(f"cannot write {args.output}: {error.strerror}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
