"""Times a sweep of sampling times through agvsim.simulate: 1000 values of Ts
from 0.05 s to 0.35 s (six runs each, defaults otherwise, straight line),
single-threaded. Prints the time; checks nothing.

    PYTHONPATH=build/python python3 bench/sweep.py
"""

import time

import numpy as np

import agvsim

SWEEP = np.linspace(0.05, 0.35, 1000)  # [s] sampling times


def main():
    agvsim.simulate()  # warm-up: first import and page faults out of the timing
    start = time.perf_counter()
    steps = 0
    for ts in SWEEP:
        sim = agvsim.simulate(Ts=float(ts))
        steps += sum(len(run) for run in sim.runs.values())
    elapsed = time.perf_counter() - start
    print(f"{len(SWEEP)} sampling times ({6 * len(SWEEP)} runs, {steps} records, "
          f"Ts {SWEEP[0]:.2f}..{SWEEP[-1]:.2f} s): {elapsed:.2f} s, "
          f"{1000 * elapsed / len(SWEEP):.2f} ms per simulate()")


if __name__ == "__main__":
    main()
