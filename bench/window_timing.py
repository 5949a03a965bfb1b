#!/usr/bin/env python3
# Times the real program's window on a private Xvfb: start-up to the first
# frame (console answers typed ahead: the design, the six runs and the
# window) at Ts = 0.2 s and at Ts = 0.005 s (full stores of 3000 records),
# and the key-to-frame latency of 's' at full stores. Printed, not asserted.
#
#   python3 bench/window_timing.py BUILD_DIR [PRESSES]
#
# e.g. python3 bench/window_timing.py build 30 (BUILD_DIR holds agvsim).
# Uses the helpers of tests/test_program.py (Xvfb, window search, xwd).
import ctypes
import os
import statistics
import sys
import time
from pathlib import Path

from pexpect.popen_spawn import PopenSpawn

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
os.environ.setdefault("GOLDEN_DIR", str(ROOT / "tests" / "golden"))
import test_program as tp  # noqa: E402


class XImage(ctypes.Structure):  # the leading fields of Xlib's XImage
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int)]


class Region:
    # Fast reads of one rectangle of the window (XGetImage), to see a frame change within a
    # millisecond or so rather than within an xwd run.
    def __init__(self, window, x, y, w, h):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(None))
        self.args = (ctypes.c_ulong(int(window)), x, y, w, h, ctypes.c_ulong(0xFFFFFFFF), 2)  # ZPixmap

    def read(self):
        image = self.x11.XGetImage(self.display, *self.args)
        if not image:
            return b""
        data = ctypes.string_at(image.contents.data, image.contents.bytes_per_line * image.contents.height)
        self.x11.XDestroyImage(image)
        return data

    def settle(self, quiet=0.1, limit=5.0):  # [s] the picture unchanged for quiet seconds
        end, last, since = time.monotonic() + limit, self.read(), time.monotonic()
        while time.monotonic() - since < quiet and time.monotonic() < end:
            time.sleep(0.002)
            if (now := self.read()) != last:
                last, since = now, time.monotonic()
        return last


def answers(ts):
    return f"0\nn\ny\n{ts}\nn\n\n\n"


def start(agvsim, ts):
    began = time.monotonic()
    app = PopenSpawn([agvsim], encoding="utf-8", timeout=tp.LIMIT)
    app.send(answers(ts))
    window = tp.wait_for(tp.find_window)
    if not window or tp.wait_pic(window, tp.drawn) is None:
        raise SystemExit(f"no window or no frame at Ts = {ts} s")
    return app, window, (time.monotonic() - began) * 1000.0


def stop(app, window):
    tp.key(window, "Escape")
    app.expect(tp.pexpect.EOF)
    app.wait()
    tp.wait_for(lambda: tp.find_window() is None, limit=5.0)


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__ or "usage: window_timing.py BUILD_DIR [PRESSES]")
    agvsim = str(Path(sys.argv[1]) / "agvsim")
    presses = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    server, display = tp.start_xvfb()
    os.environ.update(DISPLAY=display, LC_ALL="C.UTF-8")
    try:
        for ts in ("0.2", "0.005"):
            app, window, ms = start(agvsim, ts)
            print(f"start-up to first frame at Ts = {ts} s: {ms:.0f} ms")
            if ts == "0.005":
                # Each 's' moves the vehicles 0.01 m: zoomed in ten times (scale 0.2 / 0.9^10, about
                # 230 px/m) that is 2.3 px, so every frame differs around the vehicles.
                tp.key(window, *"W" * 10)
                region = Region(window, 100, 200, 400, 300)
                latencies = []
                for _ in range(presses):
                    settled = region.settle()
                    sent = time.monotonic()
                    tp.key(window, "s")
                    if tp.wait_for(lambda: region.read() != settled, limit=5.0):
                        latencies.append((time.monotonic() - sent) * 1000.0)
                if latencies:
                    print(f"key-to-frame latency of 's' at full stores: median {statistics.median(latencies):.1f} ms,"
                          f" min {min(latencies):.1f}, max {max(latencies):.1f} ({len(latencies)} of {presses} keys;"
                          " includes starting xdotool)")
            stop(app, window)
    finally:
        server.kill()
        server.wait()


if __name__ == "__main__":
    main()
