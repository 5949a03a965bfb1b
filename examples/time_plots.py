"""Time plots of one mechanism's two runs: dd, heading error, steering angle and command.

Continuous run in blue, sampled-data run in green (as in the program's window); the
sampled-data command is drawn as the staircase it is held as, with dots at the sampling
instants. The continuous run's command is not stored: for the steered mechanisms it is
computed here from the stored errors with the design's gains and the P law (clipped to
+-3 rad/s); for 2DW1C the turning rate is recovered from the stored equivalent steering
angle, omega = V tan(phi) / L.

2DW1C has no steered wheel: its steering angle phi is the equivalent angle atan(L omega / V)
of its turning rate omega, the angle at which its caster trails in a steady turn. The
heading error eth is stored reduced to [-pi, pi]; it is drawn unwrapped (np.unwrap), so a
vehicle that turns right round shows no jumps of 2 pi. When the 3000-record store fills
before the vehicle has run 20 m (Ts below about 0.007 s), the runs and the curves end
early, and the script says when.

    PYTHONPATH=build/python python3 examples/time_plots.py [--mechanism 1RDW1FS] [--Ts 0.15]

The picture goes to docs/time_<mechanism>.png beside the guide unless -o names another file.
"""

import argparse
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import agvsim

DOCS = Path(__file__).resolve().parent.parent / "docs"
V, L = 1.0, 1.0  # drive speed [m/s], wheelbase [m]
STEERING_RATE_LIMIT = 3.0  # [rad/s]
STORE = 3000  # records a run can hold


def continuous_command(run, gains):
    """The command of the continuous run at every record [rad/s]."""
    if run.mechanism == "2DW1C":
        return V * np.tan(run.phi) / L
    n = "2" if run.mechanism == "1FDW1FS" else "3"
    u = -(gains["kd" + n] * run.ed + gains["kth" + n] * run.eth + gains["kph" + n] * run.ephi)
    return np.clip(u, -STEERING_RATE_LIMIT, STEERING_RATE_LIMIT)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mechanism", default="1FDW1FS", choices=agvsim.MECHANISMS)
    parser.add_argument("--path", default="line", choices=agvsim.PATHS)
    parser.add_argument("--Ts", type=float, default=0.2, help="sampling time [s]")
    parser.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz]")
    parser.add_argument("--zeta", type=float, default=0.707, help="damping ratio")
    parser.add_argument("--pose", type=float, nargs=3, default=(0.0, 1.0, 0.0),
                        metavar=("X", "Y", "DEG"), help="start x [m], y [m], heading [deg]")
    parser.add_argument("--until", type=float, default=10.0, help="end of the time axis [s]")
    parser.add_argument("-o", "--output", type=Path,
                        help="PNG file (default: time_<mechanism>.png in the guide's docs folder)")
    args = parser.parse_args()

    sim = agvsim.simulate(args.path, fn=args.fn, zeta=args.zeta, Ts=args.Ts, pose=args.pose)
    blue = sim.run(args.mechanism, "continuous")
    green = sim.run(args.mechanism, "sampled")
    caster = args.mechanism == "2DW1C"
    for run in (blue, green):
        if len(run) >= STORE:
            print(f"{run.controller} run: store full ({STORE} records) after {run.t[-1]:.2f} s, "
                  f"at {run.dist[-1]:.2f} m of 20 m")

    labels = {"dd": "dd [m]",
              "eth": "heading error eth [rad]\n(stored within [−π, π],\nunwrapped here)",
              "phi": ("equivalent steering\nangle atan(L·ω/V) [rad]" if caster
                      else "steering angle φ [rad]")}
    fig, axes = plt.subplots(4, 1, sharex=True, figsize=(8, 10))
    for ax, field in zip(axes, labels):
        for run, colour, name in ((blue, "blue", "continuous"),
                                  (green, "green", "sampled-data (command held: staircase)")):
            values = getattr(run, field)
            ax.plot(run.t, np.unwrap(values) if field == "eth" else values, color=colour,
                    label=name)
        ax.set_ylabel(labels[field])
    axes[3].plot(blue.t, continuous_command(blue, sim.design.gains), color="blue")
    axes[3].step(green.t, green.u, where="post", color="green")
    axes[3].plot(green.t[green.samples], green.u[green.samples], "o", color="green",
                 markersize=3, label="sampling instants")
    axes[3].set_ylabel("turning rate ω [rad/s]" if caster else "steering rate [rad/s]")
    axes[3].set_xlabel("time [s]")
    axes[3].set_xlim(0.0, args.until)
    for ax in axes:
        ax.grid(True, alpha=0.3)
    handles = axes[0].get_legend_handles_labels()[0] + axes[3].get_legend_handles_labels()[0]
    fig.legend(handles=handles, loc="lower center", ncol=3, fontsize=9, frameon=False)
    note = ("2DW1C has no steered wheel: its φ is the angle atan(L·ω/V) at which its caster "
            "trails in a steady turn." if caster else "")
    fig.text(0.5, 0.035, note, ha="center", fontsize=9)
    x, y, heading = args.pose
    fig.suptitle(f"{args.mechanism} on the {args.path}: Ts = {args.Ts} s, fn = {args.fn} Hz, "
                 f"zeta = {args.zeta},\nstart x = {x:g} m, y = {y:g} m, heading {heading:g}°")
    fig.tight_layout(rect=(0.0, 0.05 if caster else 0.03, 1.0, 1.0))
    output = args.output or DOCS / f"time_{args.mechanism}.png"
    fig.savefig(output, dpi=100)
    print(output)


if __name__ == "__main__":
    main()
