"""The poles of the three sampled-data loops in the z-plane as Ts grows, line and circle.

Each dot is one of the four poles of a mechanism's sampled loop at one Ts of a grid evenly
spaced in log(Ts), from the simulation model's one-period map (agvsim.locus, model route);
its shade darkens as Ts grows. The loop is stable while all four lie inside the unit
circle. The stars mark the pair that leaves it, at the crossing Ts (written beside it,
with the pair's angle); the hollow circles are the continuous design's poles mapped by
ideal sampling, exp(s Ts), at that Ts: the sampled poles' pair has swung far from them.
The fourth pole, the one-period delay's, starts at 0 for small Ts.

    PYTHONPATH=build/python python3 examples/locus.py [--fn 0.3] [--zeta 0.707] [-o FILE]

The picture goes to docs/locus.png beside the guide unless -o names another file.
"""

import argparse
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
from matplotlib.colors import LogNorm
import numpy as np

import agvsim

DOCS = Path(__file__).resolve().parent.parent / "docs"
COLOURMAPS = {"2DW1C": "Blues", "1FDW1FS": "Oranges", "1RDW1FS": "Reds"}
COLOURS = {"2DW1C": "tab:blue", "1FDW1FS": "tab:orange", "1RDW1FS": "tab:red"}
# The two steered loops coincide on the line: the larger orange dots show beneath the red.
SIZES = {"2DW1C": 9, "1FDW1FS": 22, "1RDW1FS": 6}
DRAWING_ORDER = ("1FDW1FS", "1RDW1FS", "2DW1C")  # the caster's small dots on top
SHADE_FROM = 0.3  # the lightest shade used of each colour map (0 is white)
TS_MAX = 0.4  # [s] the grid's end: about twice the limits, the poles still within the frame
POINTS = 160  # values of Ts on the grid
FRAME = (-1.15, 1.55, 1.45)  # the z-plane shown: Re z from, Re z to, |Im z| up to
LABEL_DELAY, LABEL_ONE = (-0.75, -0.45), (1.15, -0.75)  # where two labels go in the z-plane


def draw(ax, found, norm):
    circle = np.exp(1j * np.linspace(0, 2 * np.pi, 361))
    ax.plot(circle.real, circle.imag, color="black", linewidth=1.0)
    ax.axhline(0, color="grey", linewidth=0.5)
    ax.axvline(0, color="grey", linewidth=0.5)
    for m in DRAWING_ORDER:
        cmap = plt.get_cmap(COLOURMAPS[m])
        shades = cmap(SHADE_FROM + (1 - SHADE_FROM) * norm(found.Ts))
        z = found.z[m]
        for k in range(z.shape[1]):
            ax.scatter(z[:, k].real, z[:, k].imag, s=SIZES[m], c=shades, linewidths=0)
    for m in agvsim.MECHANISMS:
        crossing = found.crossing[m]
        pair = np.array([crossing.pole, np.conj(crossing.pole)])
        ax.plot(pair.real, pair.imag, "*", color=COLOURS[m], markersize=15,
                markeredgecolor="black",
                label=f"{m} leaves at Ts = {crossing.Ts:.4f} s, angle ±{crossing.angle:.1f}°")
        ideal = agvsim.poles(found.path, found.fn, found.zeta, crossing.Ts).mapped[m]
        ax.plot(ideal.real, ideal.imag, "o", markersize=8, markerfacecolor="none",
                markeredgecolor=COLOURS[m], markeredgewidth=1.5)
    ax.plot([], [], "o", markersize=8, markerfacecolor="none", markeredgecolor="grey",
            markeredgewidth=1.5, label="continuous poles mapped, exp(s Ts), at each crossing Ts")
    first = found.z["2DW1C"][0]  # the poles at the smallest Ts, by modulus: the delay's first
    arrow = dict(arrowstyle="->", color="grey")
    ax.annotate(f"the delay's pole\nat Ts = {found.Ts[0]:g} s", xy=(first[0].real, 0),
                xytext=LABEL_DELAY, fontsize=8, ha="center", arrowprops=arrow)
    ax.annotate("the other three\nstart near z = 1", xy=(first[-1].real, 0), xytext=LABEL_ONE,
                fontsize=8, ha="center", arrowprops=arrow)
    ax.set_xlim(FRAME[0], FRAME[1])
    ax.set_ylim(-FRAME[2], FRAME[2])
    ax.set_aspect("equal")
    ax.set_xlabel("Re z")
    ax.set_ylabel("Im z")
    ax.set_title(f"on the {found.path}", fontsize=11)
    ax.legend(fontsize=8, loc="upper center", bbox_to_anchor=(0.5, -0.1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz]")
    parser.add_argument("--zeta", type=float, default=0.707, help="damping ratio")
    parser.add_argument("-o", "--output", type=Path, default=DOCS / "locus.png",
                        help="PNG file (default: locus.png in the guide's docs folder)")
    args = parser.parse_args()

    grid = np.geomspace(agvsim.LOCUS_TS_MIN, TS_MAX, POINTS)  # [s]
    norm = LogNorm(grid[0], grid[-1])
    fig, axes = plt.subplots(1, 2, figsize=(12, 7.6), layout="constrained")
    for ax, path in zip(axes, agvsim.PATHS):
        found = agvsim.locus(path, fn=args.fn, zeta=args.zeta, Ts=grid)
        draw(ax, found, norm)
        print(path, " ".join(f"{m} {c.Ts:.4f} s {c.angle:.2f} deg"
                             for m, c in found.crossing.items()))
    bar = fig.colorbar(plt.cm.ScalarMappable(norm=norm, cmap="Greys"), ax=axes, shrink=0.7)
    bar.set_label("Ts [s]: light small, dark large (each mechanism in its own colour)")
    fig.suptitle("Poles of the sampled-data loops (simulation model) as Ts grows from "
                 f"{grid[0]:g} to {grid[-1]:g} s; fn = {args.fn} Hz, zeta = {args.zeta}\n"
                 "stars: the pair that leaves the unit circle; hollow circles: the continuous "
                 "poles mapped, exp(s Ts), at that Ts", fontsize=10)
    fig.savefig(args.output, dpi=100)
    print(args.output)


if __name__ == "__main__":
    main()
