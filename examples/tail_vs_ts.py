"""Growth of each mechanism's sampled-data error from one 5 m stretch to the next, against Ts.

Every run starts on the line 0.05 m off it, heading along it (a small error, where the
linear analysis applies). The growth ratio of a run is its tail error, the largest |d| over
the records whose distance run is 15 m or more, divided by the largest |d| over the
records from 10 m up to 15 m. Below 1 the error still shrinks from stretch to stretch;
above 1 it grows. The dashed lines are the limits Tsmax of the design (design().loops); at
the default fn and zeta each mechanism's ratio first crosses 1 there. Well above its limit
the error has levelled off before 10 m (a steady oscillation; for 1RDW1FS tight loops at
the steering clamp), and the ratio returns to about 1.

A run whose 3000-record store fills before it reaches 15 m (at Ts below about 0.005 s, or
a 1FDW1FS run slowed by large steering angles) has no tail: its ratio is NaN and is left
out of the picture, and the script says so.

    PYTHONPATH=build/python python3 examples/tail_vs_ts.py [--fn 0.3] [--zeta 0.707] [-o FILE]

The picture goes to docs/tail_vs_ts.png beside the guide unless -o names another file.
"""

import argparse
import math
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import agvsim

DOCS = Path(__file__).resolve().parent.parent / "docs"
START = (0.0, 0.05, 0.0)  # x [m], y [m], heading [deg]
COLOURS = {"2DW1C": "tab:blue", "1FDW1FS": "tab:orange", "1RDW1FS": "tab:red"}
# Well below their limit the two steered runs give all but the same ratio: the wider orange
# shows beneath the red.
WIDTHS = {"2DW1C": 1.2, "1FDW1FS": 3.5, "1RDW1FS": 1.2}


def band(run, start, end=math.inf):
    """Largest |d| [m] over the records whose distance run lies in [start, end) m; NaN when
    the run has no such record (its store filled before it got there)."""
    inside = (run.dist >= start) & (run.dist < end)
    return np.abs(run.ed[inside]).max() if inside.any() else math.nan


def growth(run):
    """Tail error (from 15 m) over the largest |d| from 10 m up to 15 m; NaN without a tail."""
    return band(run, 15.0) / band(run, 10.0, 15.0)


def sampling_times(limits):
    """The Ts grid [s]: 1 ms steps (on the grid of Tsmax) from 0.83 of the lowest limit to
    1.14 times the highest, coarser by whole milliseconds when that would be over 200 points."""
    first = max(1, math.floor(830 * min(limits)))
    last = math.ceil(1140 * max(limits))
    step = max(1, math.ceil((last - first) / 200))
    return np.arange(first, last + 1, step) / 1000.0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz]")
    parser.add_argument("--zeta", type=float, default=0.707, help="damping ratio")
    parser.add_argument("-o", "--output", type=Path, default=DOCS / "tail_vs_ts.png",
                        help="PNG file (default: tail_vs_ts.png in the guide's docs folder)")
    args = parser.parse_args()

    limits = {m: loop.Tsmax
              for m, loop in agvsim.design(fn=args.fn, zeta=args.zeta).loops.items()}
    grid = sampling_times(limits.values())
    ratios = {m: [] for m in agvsim.MECHANISMS}
    for ts in grid:
        sim = agvsim.simulate(fn=args.fn, zeta=args.zeta, Ts=float(ts), pose=START)
        for m in agvsim.MECHANISMS:
            ratios[m].append(growth(sim.run(m, "sampled")))
    for m in agvsim.MECHANISMS:
        short = [f"{ts:.3f}" for ts, r in zip(grid, ratios[m]) if math.isnan(r)]
        if short:
            print(f"{m}: no tail (store full before 15 m), left out at Ts =", *short, "s")

    fig, ax = plt.subplots(figsize=(10, 5))
    for m in agvsim.MECHANISMS:
        ax.semilogy(grid, ratios[m], ".-", color=COLOURS[m], linewidth=WIDTHS[m], markersize=4,
                    label=f"{m} (Tsmax {limits[m]:.3f} s)")
    ax.axhline(1.0, color="black", linewidth=1.0, label="ratio 1: neither shrinks nor grows")
    marks = sorted(set(limits.values()))
    for limit in marks:
        ax.axvline(limit, color="black", linestyle="--", linewidth=1,
                   label="Tsmax (values on top)" if limit == marks[0] else None)
    top = ax.secondary_xaxis("top")
    top.set_xticks(marks, [f"Tsmax {limit:.3f} s" for limit in marks], fontsize=8)
    ax.set_xlabel("sampling time Ts [s]")
    ax.set_ylabel("growth ratio (tail from 15 m) / (10-15 m)  [-]")
    ax.set_title("Sampled-data runs on the line from y = 0.05 m: largest |d| from 15 m on,\n"
                 "divided by the largest |d| over 10-15 m (log scale; Ts in steps of "
                 f"{1000 * (grid[1] - grid[0]):.0f} ms)", fontsize=10)
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize=9, borderaxespad=0)
    fig.tight_layout()
    fig.savefig(args.output, dpi=100)
    print(args.output)
    for m in agvsim.MECHANISMS:  # the ratio on both sides of the limit, when on the grid
        sides = [(ts, r) for ts, r in zip(grid, ratios[m])
                 if abs(ts - limits[m]) < 1e-9 or abs(ts - limits[m] + 0.001) < 1e-9]
        print(m, "ratio", ", ".join(f"{r:.3f} at {ts:.3f} s" for ts, r in sides))


if __name__ == "__main__":
    main()
