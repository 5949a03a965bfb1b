"""Time plots of one mechanism's two runs: dd, heading error, steering angle and command.

Continuous run in blue, sampled-data run in green (as in the program's window); the
sampled-data command is drawn as the staircase it is held as, with dots at the sampling
instants. The continuous run's command is not stored: for the steered mechanisms it is
computed here from the stored errors with the design's gains and the P law (clipped to
+-3 rad/s); for 2DW1C the turning rate is recovered from the stored equivalent steering
angle, omega = V tan(phi) / L.

    PYTHONPATH=build/python python3 examples/time_plots.py [--mechanism 1RDW1FS] [--Ts 0.15]
"""

import argparse
import math

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import agvsim

V, L = 1.0, 1.0  # drive speed [m/s], wheelbase [m]
STEERING_RATE_LIMIT = 3.0  # [rad/s]


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
    parser.add_argument("-o", "--output", help="PNG file (default docs/time_<mechanism>.png)")
    args = parser.parse_args()

    sim = agvsim.simulate(args.path, fn=args.fn, zeta=args.zeta, Ts=args.Ts, pose=args.pose)
    blue = sim.run(args.mechanism, "continuous")
    green = sim.run(args.mechanism, "sampled")
    command = "turning rate [rad/s]" if args.mechanism == "2DW1C" else "steering rate [rad/s]"

    fig, axes = plt.subplots(4, 1, sharex=True, figsize=(8, 9))
    for ax, field, label in zip(axes, ("dd", "eth", "phi"),
                                ("dd [m]", "heading error [rad]", "steering angle [rad]")):
        ax.plot(blue.t, getattr(blue, field), color="blue", label="continuous")
        ax.plot(green.t, getattr(green, field), color="green", label="sampled-data")
        ax.set_ylabel(label)
    axes[3].plot(blue.t, continuous_command(blue, sim.design.gains), color="blue")
    axes[3].step(green.t, green.u, where="post", color="green")
    axes[3].plot(green.t[green.samples], green.u[green.samples], "o", color="green",
                 markersize=3, label="sampling instants")
    axes[3].set_ylabel(command)
    axes[3].set_xlabel("time [s]")
    axes[3].set_xlim(0.0, args.until)
    for ax in axes:
        ax.grid(True, alpha=0.3)
    axes[0].legend(loc="upper right")
    axes[3].legend(loc="lower right", framealpha=0.9)
    fig.suptitle(f"{args.mechanism} on the {args.path}: Ts = {args.Ts} s, "
                 f"fn = {args.fn} Hz, zeta = {args.zeta}, start {tuple(args.pose)}")
    fig.tight_layout()
    output = args.output or f"docs/time_{args.mechanism}.png"
    fig.savefig(output, dpi=100)
    print(output)


if __name__ == "__main__":
    main()
