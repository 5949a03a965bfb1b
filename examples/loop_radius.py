"""Spectral radius of each sampled-data loop against the sampling time Ts, on both paths.

The radius is that of the one-period map linearised about steady motion on the path
(agvsim.stability); a loop is stable while it is below 1. The markers on the line at 1
are the limits of each loop (stability().limits), the report's Tsmax on the line. No run is
stored here, so the 3000-record store does not limit the Ts range.

    PYTHONPATH=build/python python3 examples/loop_radius.py [--fn 0.3] [--zeta 0.707] [-o FILE]

The picture goes to docs/loop_radius.png beside the guide unless -o names another file.
"""

import argparse
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import agvsim

DOCS = Path(__file__).resolve().parent.parent / "docs"
COLOURS = {"2DW1C": "tab:blue", "1FDW1FS": "tab:orange", "1RDW1FS": "tab:red"}
# The two steered loops coincide on the line: the wider orange shows beneath the red.
WIDTHS = {"2DW1C": 1.5, "1FDW1FS": 4.0, "1RDW1FS": 1.5}
STYLES = {"line": "-", "circle": "--"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fn", type=float, default=0.3, help="natural frequency [Hz]")
    parser.add_argument("--zeta", type=float, default=0.707, help="damping ratio")
    parser.add_argument("-o", "--output", type=Path, default=DOCS / "loop_radius.png",
                        help="PNG file (default: loop_radius.png in the guide's docs folder)")
    args = parser.parse_args()

    limits = agvsim.stability(fn=args.fn, zeta=args.zeta).limits
    top = max(max(found.values()) for found in limits.values())
    sampling_times = np.linspace(0.3 * top, 1.2 * top, 181)  # [s]

    fig, ax = plt.subplots(figsize=(10, 5))
    for path in agvsim.PATHS:
        radii = [agvsim.stability(path, fn=args.fn, zeta=args.zeta, Ts=float(ts)).radius
                 for ts in sampling_times]
        for m in agvsim.MECHANISMS:
            ax.plot(sampling_times, [r[m] for r in radii], STYLES[path], color=COLOURS[m],
                    linewidth=WIDTHS[m] if path == "line" else 1.5, label=f"{m}, {path}")
            ax.plot(limits[path][m], 1.0, "o" if path == "line" else "s", color=COLOURS[m],
                    markerfacecolor="white" if path == "circle" else COLOURS[m])
    ax.axhline(1.0, color="black", linewidth=0.8)
    ax.set_xlabel("sampling time Ts [s]")
    ax.set_ylabel("spectral radius of the one-period map")
    ax.set_title(f"Loops on the line (solid, dots) and on the circle (dashed, squares); "
                 f"fn = {args.fn} Hz, zeta = {args.zeta}", fontsize=10)
    ax.grid(True, alpha=0.3)
    ax.legend(fontsize=9, loc="upper left", bbox_to_anchor=(1.01, 1.0), borderaxespad=0)
    fig.tight_layout()
    fig.savefig(args.output, dpi=100)
    print(args.output)
    for path in agvsim.PATHS:
        print(path, " ".join(f"{m} {ts:.3f} s" for m, ts in limits[path].items()))


if __name__ == "__main__":
    main()
