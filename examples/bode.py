"""Bode plot of the loop broken at the command, continuous and sampled, with the phase budget.

For 2DW1C and one steered mechanism (the two steered loops are the same on the line) at one
Ts: the magnitude and the phase of the continuous loop L(s) = (R s^2 + Q s + P) / s^3
(blue) and of the sampled loop with its hold and one-period delay (green), up to the
Nyquist frequency pi / Ts (agvsim.loop_response). The phase starts at -270 deg (three
integrators) and rises through -180 deg at the lower phase crossover: the lower gain
margin says how far the gain may fall. The hold and the delay bring the sampled phase down
through -180 deg again above the gain crossover wc: the upper gain margin, the one that Ts
uses up. The bars below are the phase budget: the continuous phase margin, less the hold's
wc Ts / 2 and the delay's wc Ts at the continuous wc, against the sampled loop's exact
margin.

    PYTHONPATH=build/python python3 examples/bode.py [--Ts 0.2] [--fn 0.3] [--zeta 0.707]

The picture goes to docs/bode.png beside the guide unless -o names another file.
"""

import argparse
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import agvsim

DOCS = Path(__file__).resolve().parent.parent / "docs"
SHOWN = ("2DW1C", "1FDW1FS")
COLOURS = {"continuous": "tab:blue", "sampled": "tab:green"}
LABELS = {"continuous": "continuous", "sampled": "sampled (hold and delay)"}
MARGIN_COLOUR = "tab:purple"
HALF_TURN = -180.0  # [deg]
MAGNITUDE_RANGE = (-15.0, 30.0)  # [dB] shown: the crossings, not the integrators' climb
UPPER_LABEL = (1.15, -8.0)  # the upper margin's label: factor of its frequency, level [dB]
BOX = dict(facecolor="white", edgecolor="none", alpha=0.85, pad=1)  # behind the labels
ARROW = dict(arrowstyle="<->", color=MARGIN_COLOUR, linewidth=1.2)


def gain_margin(ax, omega, magnitude_db, text, side):
    """A vertical arrow from 0 dB to the loop's |L| [dB] at a phase crossover."""
    ax.annotate("", xy=(omega, 0), xytext=(omega, magnitude_db), arrowprops=ARROW)
    ax.plot(omega, magnitude_db, "o", color=MARGIN_COLOUR, markersize=4)
    ax.text(omega * side, 0.5 * magnitude_db, text, color=MARGIN_COLOUR, fontsize=8,
            ha="right" if side < 1 else "left", va="center", bbox=BOX)


def bode(axes, loop, omega, Ts):
    mag_ax, phase_ax = axes
    for c in agvsim.CONTROLLERS:
        mag_ax.semilogx(omega, loop.magnitude[c], color=COLOURS[c], label=LABELS[c])
        phase_ax.semilogx(omega, loop.phase[c], color=COLOURS[c], label=LABELS[c])
    mag_ax.axhline(0, color="black", linewidth=0.8)
    phase_ax.axhline(HALF_TURN, color="black", linewidth=0.8)
    for c, side in (("continuous", 0.93), ("sampled", 1.07)):
        m = loop.margins[c]
        for ax in axes:
            ax.axvline(m.crossover, color=COLOURS[c], linestyle=":", linewidth=1)
        phase_ax.annotate("", xy=(m.crossover, HALF_TURN + m.phase_margin),
                          xytext=(m.crossover, HALF_TURN), arrowprops=ARROW)
        phase_ax.text(m.crossover * side, HALF_TURN + 0.5 * m.phase_margin,
                      f"PM {m.phase_margin:.2f}°", color=COLOURS[c], fontsize=8,
                      ha="right" if side < 1 else "left", va="center", bbox=BOX)
        gain_margin(mag_ax, m.lower_crossover, m.lower_gain_margin,
                    f"lower GM\n{m.lower_gain_margin:.2f} dB\n({c})", side)
        phase_ax.plot(m.lower_crossover, HALF_TURN, "o", color=COLOURS[c], markersize=4)
    sampled = loop.margins["sampled"]
    upper = -sampled.upper_gain_margin  # |L| [dB] at the upper phase crossover
    mag_ax.annotate("", xy=(sampled.upper_crossover, 0), xytext=(sampled.upper_crossover, upper),
                    arrowprops=ARROW)
    mag_ax.plot(sampled.upper_crossover, upper, "o", color=MARGIN_COLOUR, markersize=4)
    mag_ax.annotate(f"upper GM {sampled.upper_gain_margin:.2f} dB\n(sampled)",
                    xy=(sampled.upper_crossover, upper), color=MARGIN_COLOUR, fontsize=8,
                    xytext=(sampled.upper_crossover * UPPER_LABEL[0], UPPER_LABEL[1]), bbox=BOX,
                    arrowprops=dict(arrowstyle="-", color=MARGIN_COLOUR, linewidth=0.8))
    phase_ax.plot(sampled.upper_crossover, HALF_TURN, "o", color=MARGIN_COLOUR, markersize=5)
    for ax in axes:
        ax.axvline(np.pi / Ts, color="grey", linestyle="--", linewidth=0.8)
        ax.grid(True, which="both", alpha=0.3)
    mag_ax.set_ylim(*MAGNITUDE_RANGE)
    mag_ax.text(np.pi / Ts, MAGNITUDE_RANGE[1], "π/Ts ", color="grey", fontsize=8, va="top",
                ha="right")
    mag_ax.set_ylabel("|L| [dB]")
    phase_ax.set_ylabel("phase of L [deg]")
    phase_ax.set_xlabel("ω [rad/s]")
    phase_ax.set_yticks(np.arange(-360, -89, 45))
    mag_ax.legend(fontsize=8, loc="lower left")


def budget(ax, b):
    """The phase budget as a waterfall of horizontal bars [deg]."""
    rows = [("continuous PM", 0.0, b.continuous_margin, "tab:blue"),
            ("− hold, ωc·Ts/2", b.continuous_margin, -b.hold, "tab:orange"),
            ("− delay, ωc·Ts", b.continuous_margin - b.hold, -b.delay, "tab:red"),
            ("= left", 0.0, b.left, "grey"),
            ("sampled PM (exact)", 0.0, b.sampled_margin, "tab:green")]
    for y, (name, start, width, colour) in enumerate(rows):
        ax.barh(y, width, left=start, color=colour, height=0.6)
        end = start + width
        ax.text(max(start, end) + 1.5, y, f"{width:+.2f}°", va="center", fontsize=8)
    ax.set_yticks(range(len(rows)), [r[0] for r in rows], fontsize=8)
    ax.invert_yaxis()
    ax.axvline(0, color="black", linewidth=0.8)
    ax.set_xlabel("phase budget [deg] at the continuous crossover ωc")
    ax.set_xlim(min(0.0, b.left, b.sampled_margin) - 5, b.continuous_margin + 15)
    ax.grid(True, axis="x", alpha=0.3)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--Ts", type=float, default=0.2, help="sampling time [s]")
    parser.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz]")
    parser.add_argument("--zeta", type=float, default=0.707, help="damping ratio")
    parser.add_argument("-o", "--output", type=Path, default=DOCS / "bode.png",
                        help="PNG file (default: bode.png in the guide's docs folder)")
    args = parser.parse_args()

    found = agvsim.loop_response(fn=args.fn, zeta=args.zeta, Ts=args.Ts)
    fig, axes = plt.subplots(3, len(SHOWN), figsize=(13, 10.5), layout="constrained",
                             height_ratios=(3, 3, 1.6), sharex="row")
    for k, m in enumerate(SHOWN):
        loop = found.loops[m]
        bode(axes[:2, k], loop, found.omega, args.Ts)
        budget(axes[2, k], loop.budget)
        axes[0, k].set_title(m if m == "2DW1C" else f"{m} (and 1RDW1FS: the same loop)")
        print(m, loop.margins["continuous"], loop.margins["sampled"], loop.budget)
    fig.suptitle(f"The loop broken at the command, Ts = {args.Ts} s; fn = {args.fn} Hz, "
                 f"zeta = {args.zeta}\ndotted: the gain crossovers ωc (|L| = 1); dots: the phase "
                 "crossovers (phase −180°), where the gain margins are read", fontsize=11)
    fig.savefig(args.output, dpi=100)
    print(args.output)


if __name__ == "__main__":
    main()
