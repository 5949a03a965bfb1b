#!/usr/bin/python3
# Times the page (the program compiled to WebAssembly) in headless Chromium.
# Printed, not asserted.
#
#   /usr/bin/python3 bench/page_timing.py [--loads N] [--keys N] [--repetitions N]
#                                         [--end] [--profile] [--no-build]
#
# Run from anywhere. It first builds what it times (cmake --build --preset
# web, the target bench_runs_web of the same preset, and bench_runs of the
# default preset) unless --no-build. Needs Debian's chromium, chromium-driver
# and python3-selenium (4.8).
#
#   1. Page load to the first console line and to the first question, opened
#      from disk (file://) and from a local static server (http://127.0.0.1),
#      each load in a fresh tab (from the server with the HTTP cache off).
#   2. The six runs at the defaults on both paths in Chromium's WebAssembly
#      (bench_runs_web: the core as the page links it) against the native
#      build (bench_runs --benchmark_filter=RunAllDefaults); also the first,
#      unoptimised call, and the page's own first runs (the dialog's key to
#      its next question).
#   3. Key to new frame: 's' dispatched on the canvas until the program waits
#      again and the task ends (a MessageChannel message queued right after
#      the key marks the end: the program takes the key and draws in
#      microtasks), at full trajectories (Ts = 0.005 s, all stores full) and
#      at the defaults, split into the WebAssembly (taking the key, composing
#      the frame's commands), the page's drawing of them on the canvas, and
#      the canvas's rasterisation (forced by a one-pixel read in a second pass
#      of the same frames). --end adds the full frame at the end of the
#      animation (every sampling dot drawn; reaching it takes about a
#      minute); --profile adds V8's self time per function over the frames.
#
# The timestamps are taken in the page (performance.now, from the tab's
# navigation start) by a script that Chromium runs before the page's own
# (Page.addScriptToEvaluateOnNewDocument): it watches the console panel, and
# it wraps the program's factory only to reach the page object, whose draw
# and waitWindowKey it times. page.js and the program are used unchanged.
import argparse
import functools
import http.server
import json
import statistics
import subprocess
import tempfile
import threading
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = Path(__file__).resolve().parent.parent
WEB_BUILD = ROOT / "build-web"
PAGE = WEB_BUILD / "web" / "index.html"
RUNS_WEB = WEB_BUILD / "bench-web" / "bench_runs_web.js"
BENCH_RUNS = ROOT / "build" / "bench" / "bench_runs"

AIM_FIRST_LINE_MS = 1000.0
AIM_RUNS_RATIO = 2.0
AIM_FRAME_MS = 8.0

# Run in every new document of a tab before the page's scripts. Records in
# window.__agvTiming: the WebAssembly's instantiation, the first console text
# and the first question (a MutationObserver on the document; the question
# then by agvsim.state()), and each call of the page's draw (the program's
# factory is wrapped to reach the page object it is given).
TIMING_HOOK = r"""
(() => {
  const T = window.__agvTiming = { draws: [] };
  const now = () => performance.now();
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = function (...args) {
    if (T.instantiateStart === undefined) T.instantiateStart = now();
    return instantiate.apply(this, args).then((result) => {
      if (T.instantiateEnd === undefined) T.instantiateEnd = now();
      return result;
    });
  };
  function check() {
    const api = window.agvsim;
    if (!api) return;
    if (T.firstLine === undefined && api.consoleText().length > 0) T.firstLine = now();
    if (T.firstLine !== undefined && T.firstQuestion === undefined) {
      const s = api.state();
      if (s !== null && s.input === 'key') T.firstQuestion = now();
      else setTimeout(check, 0);
    }
  }
  new MutationObserver(check).observe(document, { subtree: true, childList: true, characterData: true });
  let factory = null;
  function timedFactory(moduleArg) {
    const page = moduleArg && moduleArg.agvPage;
    if (page && !page.__agvTimed) {
      page.__agvTimed = true;
      const draw = page.draw;
      page.draw = function (...args) {
        const start = now();
        try {
          return draw.apply(this, args);
        } finally {
          T.draws.push([start, now(), args[0].length]);
        }
      };
      const waitWindowKey = page.waitWindowKey;
      page.waitWindowKey = function (...args) {
        T.waited = now();
        return waitWindowKey.apply(this, args);
      };
    }
    return factory(moduleArg);
  }
  Object.defineProperty(window, 'createAgvsim', {
    configurable: true,
    get() { return factory === null ? undefined : timedFactory; },
    set(f) { factory = f; },
  });
})();
"""

# Times N window keys on the canvas. Each key: dispatched, then a
# MessageChannel message; its handler runs once the program waits again.
# Between keys, one animation frame and a task, so the browser paints as it
# would between a user's keys. With readback, a one-pixel getImageData after
# each frame forces the canvas's pending drawing to be rasterised, and a
# second one (nothing pending) gives the read's own cost.
KEY_LOOP = r"""
const [key, count, readback, done] = arguments;
const canvas = document.getElementById('picture');
const ctx = canvas.getContext('2d');
const T = window.__agvTiming;
const channel = new MessageChannel();
const out = [];
function one() {
  T.draws = [];
  T.waited = -1;
  T.raster = undefined;
  const before = window.agvsim.state();
  const t0 = performance.now();
  canvas.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true }));
  // With readback: once the program waits again (still in this task's
  // microtasks), read one pixel, which rasterises what the frame recorded,
  // then read it again (nothing pending: the read's own cost).
  const poll = () => {
    if (T.waited < t0) {
      queueMicrotask(poll);
      return;
    }
    const t2 = performance.now();
    ctx.getImageData(400, 400, 1, 1);
    const t3 = performance.now();
    ctx.getImageData(400, 400, 1, 1);
    T.raster = [t2, t3, performance.now()];
  };
  if (readback) queueMicrotask(poll);
  channel.port1.onmessage = () => {
    const t1 = performance.now();
    const r = { total: t1 - t0, draws: T.draws.length, moved: window.agvsim.state().animIndexPC !== before.animIndexPC };
    if (T.draws.length > 0) {
      const end = T.draws[T.draws.length - 1][1];
      r.draw = T.draws.reduce((sum, d) => sum + d[1] - d[0], 0);
      r.compose = T.waited - t0 - r.draw;
      r.commands = T.draws.reduce((sum, d) => sum + d[2], 0);
      r.toWait = T.waited - end;
      r.after = t1 - T.waited;
    }
    if (T.raster !== undefined) {
      r.raster = T.raster[1] - T.raster[0];
      r.read = T.raster[2] - T.raster[1];
      r.afterRead = t1 - T.raster[2];
    }
    out.push(r);
    if (out.length < count) requestAnimationFrame(() => setTimeout(one, 0));
    else done(out);
  };
  channel.port2.postMessage(0);
}
one();
"""

# Many window keys at once: queued by the page and taken one by one, each
# drawn, in one task; done when the program waits again.
ADVANCE = r"""
const [steps, done] = arguments;
const canvas = document.getElementById('picture');
for (let k = 0; k < steps; ++k) canvas.dispatchEvent(new KeyboardEvent('keydown', { key: 's', bubbles: true }));
const channel = new MessageChannel();
channel.port1.onmessage = () => done(window.agvsim.state().animIndexPC);
channel.port2.postMessage(0);
"""

# One dialog key (or a typed line) on the console panel, and the time until
# the program waits again (as KEY_LOOP measures a window key).
CONSOLE_KEY = r"""
const [keys, done] = arguments;
const panel = document.getElementById('console');
const channel = new MessageChannel();
channel.port1.onmessage = () => done(performance.now() - t0);
const t0 = performance.now();
for (const key of keys) panel.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true }));
channel.port2.postMessage(0);
"""

# The six runs in the browser's WebAssembly, as Google Benchmark times them,
# per path (0: line, 1: circle): the first call (the code not yet optimised,
# as in the page's first runs), warm-up calls for at least 0.5 s (V8 tiers
# the WebAssembly up in the background), then `repetitions` repetitions of
# enough calls to last at least 0.5 s each; the mean per call of each.
RUNS_LOOP = r"""
const [repetitions, done] = arguments;
createRunsBench().then((m) => {
  const result = {};
  for (const path of [0, 1]) {
    m._agvBenchDefaults();
    let t = performance.now();
    m._agvBenchRunAll(path);
    const first = performance.now() - t;
    let warm = 0;
    t = performance.now();
    while (warm < 10 || performance.now() - t < 500) {
      m._agvBenchRunAll(path);
      ++warm;
    }
    const calls = Math.max(1, Math.ceil(500 / ((performance.now() - t) / warm)));
    const means = [];
    for (let r = 0; r < repetitions; ++r) {
      t = performance.now();
      for (let k = 0; k < calls; ++k) m._agvBenchRunAll(path);
      means.push((performance.now() - t) / calls);
    }
    result[path] = { first, means, calls, records: m._agvBenchRecords() };
  }
  done(result);
}, (error) => done({ error: String(error) }));
"""


def run(command, **kw):
    subprocess.run(command, cwd=ROOT, check=True, stdout=subprocess.DEVNULL, **kw)


def build():
    for preset, cache in (("web", WEB_BUILD), ("default", ROOT / "build")):
        if not (cache / "CMakeCache.txt").exists():
            run(["cmake", "--preset", preset])
    run(["cmake", "--build", "--preset", "web"])
    run(["cmake", "--build", "--preset", "web", "--target", "bench_runs_web"])
    run(["cmake", "--build", "--preset", "default", "--target", "bench_runs"])


def summary(values):
    # "median (min-max)" in ms
    if not values:
        return "n/a"
    return f"{statistics.median(values):.2f} ({min(values):.2f}-{max(values):.2f})"


class StaticServer:
    # The build tree over http://127.0.0.1 on an ephemeral port, in a thread.
    def __init__(self, directory):
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

        handler = functools.partial(Quiet, directory=str(directory))
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        self.base = f"http://127.0.0.1:{self.httpd.server_address[1]}/"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


# [CSS px] tall enough that the pictures, which fit the window's height, are at their full 800 x 800 px
WINDOW = (1400, 1300)


class Browser:
    def __init__(self, profile, script_timeout=300):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--force-device-scale-factor=1", f"--window-size={WINDOW[0]},{WINDOW[1]}", f"--user-data-dir={profile}"):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(script_timeout)
        self.home = self.driver.current_window_handle

    def fresh_tab(self, url, cache=True, hook=TIMING_HOOK):
        # A new tab with the timing hook, then the page; the previous tabs closed.
        d = self.driver
        d.switch_to.new_window("tab")
        tab = d.current_window_handle
        for handle in d.window_handles:
            if handle not in (tab, self.home):
                d.switch_to.window(handle)
                d.close()
        d.switch_to.window(tab)
        d.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": hook})
        if not cache:
            d.execute_cdp_cmd("Network.enable", {})
            d.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
        d.get(url)

    def timing(self):
        return self.driver.execute_script("return window.__agvTiming")

    def state(self):
        return self.driver.execute_script("return window.agvsim && window.agvsim.state()")

    def wait(self, test, what, limit=20.0):
        end = time.monotonic() + limit
        while time.monotonic() < end:
            value = test()
            if value:
                return value
            time.sleep(0.005)
        raise SystemExit(f"page_timing: timed out waiting for {what}")

    def wait_input(self, kind):
        return self.wait(lambda: (s := self.state()) is not None and s["input"] == kind, f"a {kind} question")

    def close(self):
        self.driver.quit()


def measure_loads(browser, url, loads, cache):
    rows = {"instantiating": [], "instantiated": [], "first line": [], "first question": []}
    for _ in range(loads):
        browser.fresh_tab(url, cache=cache)
        t = browser.wait(lambda: (t := browser.timing()) and t.get("firstQuestion") is not None and t,
                         "the first question")
        rows["instantiating"].append(t["instantiateStart"])
        rows["instantiated"].append(t["instantiateEnd"])
        rows["first line"].append(t["firstLine"])
        rows["first question"].append(t["firstQuestion"])
    return rows


def native_runs(repetitions):
    text = subprocess.run([str(BENCH_RUNS), "--benchmark_filter=RunAllDefaults",
                           f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"],
                          cwd=ROOT, check=True, capture_output=True, text=True).stdout
    result = {0: [], 1: []}
    records = {}
    for b in json.loads(text)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        path = 0 if b["name"].endswith("/line") or "/line" in b["name"] else 1
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        result[path].append(b["real_time"] * scale)
        records[path] = int(b["records"])
    return result, records


def web_runs(browser, repetitions, folder):
    html = Path(folder) / "runs_web.html"
    html.write_text(f'<!DOCTYPE html><meta charset="utf-8"><title>runs</title>'
                    f'<script src="{RUNS_WEB.as_uri()}"></script>\n')
    browser.fresh_tab(html.as_uri())
    result = browser.driver.execute_async_script(RUNS_LOOP, repetitions)
    if "error" in result:
        raise SystemExit(f"page_timing: bench_runs_web failed: {result['error']}")
    return {int(k): v for k, v in result.items()}


def console_keys(browser, keys):
    return browser.driver.execute_async_script(CONSOLE_KEY, list(keys))


def open_window(browser, url, ts):
    # Answers the start-up dialog (the line; Ts typed when given) and returns
    # the time the six runs' key took in the page (runs, report, next question).
    browser.fresh_tab(url)
    browser.wait_input("key")
    console_keys(browser, "0")  # the straight line
    browser.wait_input("key")
    console_keys(browser, "n")  # fn, zeta unchanged
    browser.wait_input("key")
    if ts is None:
        console_keys(browser, "n")
    else:
        console_keys(browser, "y")
        browser.wait_input("line")
        console_keys(browser, list(ts) + ["Enter"])
    browser.wait_input("key")
    console_keys(browser, "n")  # start pose unchanged
    browser.wait_input("key")
    runs_ms = console_keys(browser, " ")  # to the runs
    browser.wait_input("key")
    console_keys(browser, " ")  # to the picture
    s = browser.wait(lambda: (s := browser.state()) and not s["dialog"] and s["input"] is None and s, "the picture")
    return runs_ms, s


def measure_frames(browser, url, ts, keys, profile, end=False):
    # Two passes of the same frames ('s' from the start of the animation):
    # plain, then with the forced rasterisation; optionally a third under V8's
    # sampling profiler. With end, the same at the end of the animation (the
    # indices clamped: every 's' draws the last frame again), where every
    # sampling instant has its dot.
    runs_ms, s = open_window(browser, url, ts)
    d = browser.driver

    def passes(between):
        plain = d.execute_async_script(KEY_LOOP, "s", keys, False)
        between()
        forced = d.execute_async_script(KEY_LOOP, "s", keys, True)
        top = None
        if profile:
            between()
            top = profiled(d, lambda: d.execute_async_script(KEY_LOOP, "s", keys, False), keys)
        return {"runs": runs_ms, "state": s, "plain": plain, "forced": forced, "profile": top}

    result = {"start": passes(lambda: d.execute_async_script(KEY_LOOP, "0", 1, False))}
    if end:
        # One frame a key: about a minute at full stores.
        d.execute_async_script(ADVANCE, max(s["nPointsPC"] + s["nPointsPI"]) // 2 + 2)
        result["end"] = passes(lambda: None)
        result["end"]["runs"] = None
    return result


def profiled(driver, action, frames):
    # Self time per function [ms a frame, or whatever `frames` counts] under V8's sampling profiler
    # (100 us; the profiler slows what it samples), largest first.
    driver.execute_cdp_cmd("Profiler.enable", {})
    driver.execute_cdp_cmd("Profiler.setSamplingInterval", {"interval": 100})
    driver.execute_cdp_cmd("Profiler.start", {})
    action()
    profile = driver.execute_cdp_cmd("Profiler.stop", {})["profile"]
    driver.execute_cdp_cmd("Profiler.disable", {})
    nodes = {n["id"]: n["callFrame"] for n in profile["nodes"]}
    self_ms = {}
    for node, delta in zip(profile["samples"], profile["timeDeltas"]):
        frame = nodes[node]
        where = frame["url"].rsplit("/", 1)[-1]
        name = frame["functionName"] or "(anonymous)"
        if name.startswith("wasm-function"):
            name, where = "(WebAssembly)", "agvsim.js"
        label = f"{name} {where}".strip()
        self_ms[label] = self_ms.get(label, 0.0) + delta / 1000.0 / frames
    return sorted(self_ms.items(), key=lambda item: -item[1])


def column(rows, name):
    return [r[name] for r in rows if name in r]


def main():
    parser = argparse.ArgumentParser(description="Times the page in headless Chromium (printed, not asserted).")
    parser.add_argument("--loads", type=int, default=10, help="page loads per source (default 10)")
    parser.add_argument("--keys", type=int, default=50, help="window keys per frame row (default 50)")
    parser.add_argument("--repetitions", type=int, default=5, help="repetitions of the six runs (default 5)")
    parser.add_argument("--profile", action="store_true", help="also profile the frames (self time per function)")
    parser.add_argument("--end", action="store_true",
                        help="also at full stores at the end of the animation (every dot drawn; about a minute more)")
    parser.add_argument("--no-build", action="store_true", help="time what is built")
    args = parser.parse_args()
    if not args.no_build:
        build()

    native, native_records = native_runs(args.repetitions)
    server = StaticServer(WEB_BUILD)
    with tempfile.TemporaryDirectory(prefix="agv-page-timing-") as folder:
        browser = Browser(Path(folder) / "profile")
        try:
            loads = {
                "file://": measure_loads(browser, PAGE.as_uri(), args.loads, cache=True),
                "http, no cache": measure_loads(browser, server.base + "web/index.html", args.loads, cache=False),
            }
            web = web_runs(browser, args.repetitions, folder)
            full = measure_frames(browser, PAGE.as_uri(), "0.005", args.keys, args.profile, args.end)
            frames = {"full, Ts 0.005 s": full["start"]}
            if "end" in full:
                frames["full, animation end"] = full["end"]
            frames["defaults, Ts 0.2 s"] = measure_frames(browser, PAGE.as_uri(), None, args.keys,
                                                          args.profile)["start"]
            version = browser.driver.capabilities.get("browserVersion", "?")
        finally:
            browser.close()
            server.close()

    print(f"agvsim page timing: Chromium {version} headless (software rendering); median (min-max), ms")
    print(f"\n1. Page load, from the tab's navigation start ({args.loads} loads each, each in a fresh tab;"
          " aim: first line within 1 s)")
    print(f"  {'source':<16}{'WebAssembly ready':>22}{'first line':>22}{'first question':>22}  aim")
    for source, rows in loads.items():
        met = "met" if statistics.median(rows["first line"]) <= AIM_FIRST_LINE_MS else "NOT met"
        print(f"  {source:<16}{summary(rows['instantiated']):>22}{summary(rows['first line']):>22}"
              f"{summary(rows['first question']):>22}  {met}")
    for source, rows in loads.items():
        start, ready, line = (statistics.median(rows[k]) for k in ("instantiating", "instantiated", "first line"))
        print(f"  {source}: to the WebAssembly's instantiation (the page and agvsim.js loaded, the embedded"
              f" WebAssembly decoded) {start:.1f}; compiling and instantiating it {ready - start:.1f};"
              f"\n    the program's start to the first line (the start-up defaults, the dialog's first lines)"
              f" {line - ready:.1f} (medians)")

    print(f"\n2. The six runs at the defaults: ms a runAllSimulations ({args.repetitions} repetitions, each the mean"
          " of >= 0.5 s of calls; aim: within 2x native)")
    print(f"  {'path':<8}{'native':>22}{'Chromium WebAssembly':>24}{'ratio':>8}{'first call':>12}  records  aim")
    for path, name in ((0, "line"), (1, "circle")):
        n = statistics.median(native[path])
        w = statistics.median(web[path]["means"])
        same = "same" if web[path]["records"] == native_records.get(path) else \
            f"DIFFER ({web[path]['records']} vs {native_records.get(path)})"
        met = "met" if w / n <= AIM_RUNS_RATIO else "NOT met"
        print(f"  {name:<8}{summary(native[path]):>22}{summary(web[path]['means']):>24}{w / n:>7.2f}x"
              f"{web[path]['first']:>12.1f}  {same:<7}  {met}")
    print("  first call: the WebAssembly's first call on that path, before V8 has optimised it (the line first,"
          "\n  then the circle); the page's first runs are such calls.")

    print(f"\n3. Key to new frame: 's' dispatched on the canvas until the program waits again and the browser"
          f" has ended the task\n   ({args.keys} keys from the start of the animation; aim: a full frame within 8 ms)")
    print(f"  {'setting':<20}{'key to new frame':>21}{'WebAssembly':>19}{'page draw':>21}"
          f"{'after the wait':>21}{'raster (forced)':>21}  aim")
    for setting, f in frames.items():
        total = column(f["plain"], "total")
        met = "met" if statistics.median(total) <= AIM_FRAME_MS else "NOT met"
        print(f"  {setting:<20}{summary(total):>21}{summary(column(f['plain'], 'compose')):>19}"
              f"{summary(column(f['plain'], 'draw')):>21}{summary(column(f['plain'], 'after')):>21}"
              f"{summary(column(f['forced'], 'raster')):>21}  {met}")
    print("  WebAssembly: the key dispatched to the program's next wait, less the page's drawing (the key taken,"
          "\n  the frame's commands composed);"
          "\n  page draw: page.js drawing the commands on the canvas (paths built, canvas calls recorded);"
          "\n  after the wait: the program waiting again to the end mark (the canvas rasterised at the task's end);"
          "\n  raster (forced): a second pass of the same frames, one pixel read as soon as the program waits"
          "\n  again (in the same task), which rasterises what the frame recorded.")
    for setting, f in frames.items():
        s = f["state"]
        moved = sum(r["moved"] for r in f["plain"])
        commands = sorted({r.get("commands", 0) for r in f["plain"]})
        print(f"  {setting}: stores PC {s['nPointsPC']} PI {s['nPointsPI']}; {moved} of {len(f['plain'])} keys"
              f" moved the vehicles; {commands[0]}-{commands[-1]} command doubles a frame;"
              f"\n    forced pass: key to new frame {summary(column(f['forced'], 'total'))}, the one-pixel read"
              f" again {summary(column(f['forced'], 'read'))}, then to the end mark"
              f" {summary(column(f['forced'], 'afterRead'))}"
              + (f"\n    the page's own six runs (the dialog's key to its next question, the first runs): {f['runs']:.1f}"
                 if f["runs"] is not None else ""))
        if f["profile"]:
            top = ", ".join(f"{label} {ms:.2f}" for label, ms in f["profile"][:12])
            print(f"    profile, self ms a frame: {top}")


if __name__ == "__main__":
    main()
