"""Command line of agvsim: the design figures, or every record of the six runs as CSV.

    python3 -m agvsim design [--fn HZ] [--zeta Z] [--Ts S]
    python3 -m agvsim run [--path line|circle] [--fn HZ] [--zeta Z] [--Ts S]
                          [--pose X Y DEG] [--steering DEG] [--rule console|startup]
                          [-o FILE]

Both end quietly, with status 0, when the reader of their output stops early
(for example `| head`).
"""

import argparse
import csv
import os
import sys
import warnings

import agvsim


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
    for sub in (design, run):
        sub.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz], > 0 (0.3)")
        sub.add_argument("--zeta", type=float, default=0.707, help="damping ratio, >= 0 (0.707)")
        sub.add_argument("--Ts", type=float, default=0.2, help="sampling time [s], > 0 (0.2)")
    run.add_argument("--path", choices=agvsim.PATHS, default="line", help="reference path")
    run.add_argument("--pose", type=float, nargs=3, metavar=("X", "Y", "DEG"),
                     default=(0.0, 1.0, 0.0), help="start pose: x [m], y [m], heading [deg]")
    run.add_argument("--steering", type=float, default=0.0, metavar="DEG",
                     help="start steering angle [deg] (0, as in the console program)")
    run.add_argument("--rule", choices=agvsim.RULES, default="console",
                     help="stepsPerSample rule: trunc(Ts/0.02) (console) or "
                     "trunc((Ts+0.00001)/0.02) (startup)")
    run.add_argument("-o", "--output", metavar="FILE", help="CSV file (standard output if absent)")
    return parser, {"design": design, "run": run}


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
        else:
            result = agvsim.simulate(path=args.path, fn=args.fn, zeta=args.zeta, Ts=args.Ts,
                                     pose=tuple(args.pose), rule=args.rule,
                                     steering=args.steering)
    except ValueError as error:
        parser.error(str(error))  # exits with status 2
    if args.command == "design" or args.output is None:
        try:
            (_print_design if args.command == "design" else _write_runs)(result, sys.stdout)
            sys.stdout.flush()
        except BrokenPipeError:  # the reader stopped early (say, head): not an error
            os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
    else:
        try:
            with open(args.output, "w", newline="", encoding="utf-8") as out:
                _write_runs(result, out)
        except OSError as error:
            parser.error(f"cannot write {args.output}: {error.strerror}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
