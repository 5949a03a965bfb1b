#!/usr/bin/env python3
# Times agvsim.stability(): the three loop radii at one Ts, and the limits on
# both paths (the limit search from the model), at the defaults and at
# fn = 0.001 Hz. Printed, not asserted.
#
#   PYTHONPATH=build/python python3 bench/loop_timing.py
import time

import agvsim


def timed(what, f, repeats):
    start = time.perf_counter()
    for _ in range(repeats):
        f()
    print(f"{what}: {1000 * (time.perf_counter() - start) / repeats:.1f} ms")


timed("three radii on the circle at Ts = 0.2 s", lambda: agvsim.stability("circle").radius, 20)
timed("limits on both paths at the defaults", lambda: agvsim.stability().limits, 5)
timed("limits on both paths at fn = 0.001 Hz", lambda: agvsim.stability(fn=0.001).limits, 1)
