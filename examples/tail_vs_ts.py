"""Tail error of each mechanism's sampled-data run against the sampling time Ts.

The tail error is the largest |d| over the last 5 m (the records whose distance run is
15 m or more), from a small start error: 0.05 m off the line, heading along it, where the
linear analysis applies. The dashed lines are the limits Tsmax of the analysis: the
simulation's curves turn from falling to rising there.

    PYTHONPATH=build/python python3 examples/tail_vs_ts.py [-o docs/tail_vs_ts.png]
"""

import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import agvsim

START = (0.0, 0.05, 0.0)  # x [m], y [m], heading [deg]
TAIL_FROM = 15.0  # [m] of distance run
COLOURS = {"2DW1C": "tab:blue", "1FDW1FS": "tab:orange", "1RDW1FS": "tab:red"}
# The two steered loops coincide on the line: the wider orange shows beneath the red.
WIDTHS = {"2DW1C": 1.5, "1FDW1FS": 4.0, "1RDW1FS": 1.5}


def tail_mm(run):
    return 1000.0 * np.abs(run.ed[run.dist >= TAIL_FROM]).max()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--output", default="docs/tail_vs_ts.png", help="PNG file")
    args = parser.parse_args()

    limits = {m: loop.Tsmax for m, loop in agvsim.design().loops.items()}
    sampling_times = np.round(np.arange(0.100, 0.2305, 0.002), 3)  # [s], across every limit
    tails = {m: [] for m in agvsim.MECHANISMS}
    for ts in sampling_times:
        sim = agvsim.simulate(Ts=float(ts), pose=START)
        for m in agvsim.MECHANISMS:
            tails[m].append(tail_mm(sim.run(m, "sampled")))

    fig, ax = plt.subplots(figsize=(8, 5))
    for m in agvsim.MECHANISMS:
        ax.semilogy(sampling_times, tails[m], ".-", color=COLOURS[m], linewidth=WIDTHS[m],
                    label=m)
    for limit in sorted(set(limits.values())):
        names = ", ".join(m for m in agvsim.MECHANISMS if limits[m] == limit)
        ax.axvline(limit, color="black", linestyle="--", linewidth=1)
        ax.annotate(f"Tsmax {limit:.3f} s: {names}", (limit, 1e-6), rotation=90,
                    ha="right", va="bottom", fontsize=8)
    ax.axhline(1000 * START[1], color="grey", linewidth=0.8)
    ax.text(sampling_times[0], 1000 * START[1], " start error 50 mm", va="bottom", fontsize=8)
    ax.set_xlabel("sampling time Ts [s]")
    ax.set_ylabel("tail error: largest |d| over the last 5 m [mm]")
    ax.set_title("Sampled-data runs from 0.05 m off the line, and the limits Tsmax")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(loc="lower right")
    fig.tight_layout()
    fig.savefig(args.output, dpi=100)
    print(args.output)


if __name__ == "__main__":
    main()
