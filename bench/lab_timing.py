#!/usr/bin/python3
# Times the page's Lab tab in headless Chromium: from a change of a setting to
# the redrawn Lab (the picture, the figures and the plots), and the idle work
# (the path limits). Printed, not asserted.
#
#   /usr/bin/python3 bench/lab_timing.py [--tabs N] [--changes N] [--idle N]
#                                        [--profile] [--no-build]
#
# Run from anywhere, on an otherwise quiet machine. It first builds the page
# (cmake --build --preset web) unless --no-build. Needs Debian's chromium,
# chromium-driver and python3-selenium (4.8), as bench/page_timing.py.
#
# Each tab (--tabs, default 3, each a fresh tab of build-web/web/index.html#lab)
# first warms up (a short drag of every setting), then, on the line and on the
# circle, for mechanism 1 and 2, from the defaults (fn 0.3 Hz, zeta 0.707,
# Ts 0.2 s, start (0, 1, 0 deg)), drags one setting at a time: --changes
# (default 50) distinct values in a row through agvsim.lab.set(), one an
# animation frame (the next change is made in the task right after the frame
# of the update before):
#   Ts 0.15 to 0.25 s, x -1 to 1 m, y 0.5 to 1.5 m, theta -49 to 49 deg,
#   fn 0.25 to 0.35 Hz, zeta 0.5 to 0.9.
# Between drags the settings go back to the defaults and the idle work ends.
# Each change is timed four ways:
#   update:    the Lab's update itself (its animation-frame callback, timed by
#              a wrapper of requestAnimationFrame): the settings applied, the
#              shown mechanism's two runs, the picture, the plots, the
#              figures, the address; no waiting for the frame;
#   to frame end: from the update's start to the end of the browser's task of
#              that frame (a message posted at the update's end): adds the
#              style, layout and paint of the page and the canvases' flush;
#   set():     from the call of agvsim.lab.set() to its resolution (the end of
#              the update), that is the wait for the next animation frame
#              (what is left of the frame interval after the task of the
#              frame before) plus the update;
#   raster:    a second pass of the same drags, one pixel read from the
#              picture's and from the plots' canvas right after the update
#              (in the same task), which rasterises what the update drew on
#              them (the plots' sheet is already rasterised when it is copied
#              to the visible canvas, inside the update).
# The update is split at its calls into the program (each _agvLab* export is
# wrapped) and at the plots' draw: settings (path, mechanism, fn/zeta design,
# Ts timing and design, pose), runs (the shown mechanism's continuous and
# sampled-data runs), picture (the program composing the scene's commands and
# page.js drawing them on the canvas; "(canvas)" is page.js's part), plots
# (the records read from the program's memory and plots.js's drawing on its
# sheet and the copy), figures (the controls, the gains and loop figures with
# the three loop radii at Ts, the marks on the Ts track), and the rest (the
# address rewritten with history.replaceState, which Chromium refuses beyond
# 200 changes in 10 s: counted; the waiting promises resolved). The clock is
# the page's performance.now(), in steps of 0.1 ms (the page is not
# cross-origin isolated): a median of 0.00 is under 0.1 ms.
#
# The panels (section 4): the same drags with the z-plane panel shown
# (panel=poles: the poles at Ts by both routes at every update, on the line
# the report's locus at once for a new fn or zeta), for mechanisms 1 and 2:
# Ts on the line and on the circle, fn and zeta on the line (aims: median
# update 16 ms on the line, 33 ms on the circle); and, --idle times on the
# circle at the defaults (fn moved away and back, so that the locus is new),
# the model's locus of the shown mechanism once the input rests: from the
# first idle task (150 ms after the last change: the input resting) and from
# the last update to the end of the task that finds the crossing (aim:
# 300 ms), and the longest of its tasks (aim: 50 ms).
#
# The idle work: --idle (default 5) times at fn 0.3 Hz and at 0.05 Hz (the
# other settings at the defaults, the line shown), the path limits of the
# three mechanisms on both paths computed once the input has been idle
# 150 ms, one limit search a task (the figures redrawn after a path's third).
#
# The page's files are used unchanged: a script that Chromium runs before the
# page's own (Page.addScriptToEvaluateOnNewDocument) wraps
# requestAnimationFrame, setTimeout/clearTimeout, history.replaceState, the
# program's factory (to wrap the lab instance's exports and its drawing
# callback) and AgvsimPlots.prototype.draw, only to take the time.
import argparse
import hashlib
import os
import statistics
import subprocess
import tempfile
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

import page_timing  # the browser and V8's self-time profile, shared with the page's benchmark
from page_timing import profiled

ROOT = Path(__file__).resolve().parent.parent
WEB_BUILD = ROOT / "build-web"
PAGE = WEB_BUILD / "web" / "index.html"

AIM_UPDATE_MS = {"line": 16.0, "circle": 33.0}  # median update for a change of Ts or of the pose
AIM_LOCUS_MS, AIM_TASK_MS = 300.0, 50.0  # the circle's locus after the input rests; its longest task

DEFAULTS = {"fn": 0.3, "zeta": 0.707, "Ts": 0.2, "x": 0, "y": 1, "th": 0}


def drag(lo, hi, count, digits):
    # count distinct values from lo to hi, rounded as the controls give them.
    return [round(lo + (hi - lo) * k / (count - 1), digits) for k in range(count)]


def settings_drags(count):
    return {
        "Ts": drag(0.15, 0.25, count, 3),
        "x": drag(-1.0, 1.0, count, 2),
        "y": drag(0.5, 1.5, count, 2),
        "th": drag(-49, 49, count, 0),
        "fn": drag(0.25, 0.35, count, 4),
        "zeta": drag(0.5, 0.9, count, 3),
    }


# Run in every new document of the tab before the page's scripts. Records in
# window.__agvLab: each update (its frame callback's start and end, the calls
# into the program, the plots' draw, the address's rewrite, the end of the
# frame's task, with readback the forced rasterisation) and each idle task.
TIMING_HOOK = r"""
(() => {
  const T = window.__agvLab = { updates: [], idle: [], current: null, readback: false, pendingIdle: new Set() };
  const now = () => performance.now();
  const note = (entry) => { const c = T.current; if (c !== null) c.calls.push(entry); };
  const raf = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = function (callback) {
    if (typeof callback !== 'function' || callback.name !== 'update') return raf(callback);
    const requested = now();
    return raf((stamp) => {
      const u = { requested, frame: stamp, start: now(), calls: [] };
      T.current = u;
      try {
        return callback(stamp);
      } finally {
        u.end = now();
        T.current = null;
        if (T.readback) {
          const picture = document.getElementById('lab-picture').getContext('2d');
          const plots = document.getElementById('lab-plots').getContext('2d');
          const r0 = now();
          picture.getImageData(400, 400, 1, 1);
          const r1 = now();
          plots.getImageData(400, 100, 1, 1);
          const r2 = now();
          picture.getImageData(400, 400, 1, 1);
          plots.getImageData(400, 100, 1, 1);
          u.raster = { picture: r1 - r0, plots: r2 - r1, reread: now() - r2 };
        }
        T.updates.push(u);
        const channel = new MessageChannel();
        channel.port1.onmessage = () => { u.frameEnd = now(); };
        channel.port2.postMessage(0);
      }
    });
  };
  const realSetTimeout = window.setTimeout.bind(window), realClearTimeout = window.clearTimeout.bind(window);
  window.setTimeout = function (callback, delay, ...rest) {
    if (typeof callback !== 'function' || callback.name !== 'idleWork') return realSetTimeout(callback, delay, ...rest);
    const id = realSetTimeout(() => {
      T.pendingIdle.delete(id);
      const task = { start: now(), calls: [] };
      const outer = T.current;
      T.current = task;
      try {
        callback();
      } finally {
        task.end = now();
        T.current = outer;
        T.idle.push(task);
      }
    }, delay);
    T.pendingIdle.add(id);
    return id;
  };
  window.clearTimeout = function (id) {
    T.pendingIdle.delete(id);
    return realClearTimeout(id);
  };
  const replaceState = history.replaceState;
  history.replaceState = function (...args) {
    const start = now();
    try {
      return replaceState.apply(this, args);
    } finally {
      const end = now();
      // Refused when Chromium throttles history changes (it then warns on the console).
      const refused = typeof args[2] === 'string' && location.href !== new URL(args[2], location.href).href;
      note(['link', start, end, refused]);
    }
  };
  // The wrapper stays when the property is assigned again (the program's
  // exports replace themselves with the raw export at their first call).
  function timed(object, name, label) {
    let f = object[name];
    const wrapper = function (...args) {
      const start = now();
      try { return f.apply(this, args); } finally { note([label, start, now(), args[0], args[1]]); }
    };
    Object.defineProperty(object, name, {
      configurable: true, enumerable: true, get: () => wrapper, set: (g) => { f = g; },
    });
  }
  let factory = null;
  function timedFactory(moduleArg) {
    const lab = moduleArg && moduleArg.noInitialRun && moduleArg.agvPage;
    if (!lab) return factory(moduleArg);
    timed(moduleArg.agvPage, 'draw', 'canvas');
    return factory(moduleArg).then((module) => {
      for (const name of Object.keys(module)) {
        if (name.startsWith('_agvLab') && typeof module[name] === 'function') timed(module, name, name.slice(7));
      }
      return module;
    });
  }
  Object.defineProperty(window, 'createAgvsim', {
    configurable: true,
    get() { return factory === null ? undefined : timedFactory; },
    set(f) { factory = f; },
  });
  let plots;
  Object.defineProperty(window, 'AgvsimPlots', {
    configurable: true,
    get() { return plots; },
    set(P) {
      plots = P;
      if (P && P.prototype && P.prototype.draw) timed(P.prototype, 'draw', 'plots');
    },
  });
})();
"""

# Shared by the scripts run in the tab: quiet(callback) calls back once the
# idle work has ended (nothing pending 200 ms after the last update); the
# split of one update at its calls.
HELPERS = r"""
const T = window.__agvLab;
const lab = window.agvsim.lab;
const now = () => performance.now();
function quiet(callback) {
  const since = now();
  const check = () => {
    const last = T.updates.length ? T.updates[T.updates.length - 1].end : 0;
    if (T.pendingIdle.size === 0 && now() - Math.max(last, since) > 200) callback();
    else setTimeout(check, 20);
  };
  setTimeout(check, 20);
}
function split(u) {
  const c = u.calls;
  const endOf = (label) => { let t = null; for (const e of c) if (e[0] === label) t = e[2]; return t; };
  const sum = (labels) => c.filter((e) => labels.includes(e[0])).reduce((s, e) => s + e[2] - e[1], 0);
  const pose = endOf('SetPose'), runs = endOf('RunShown'), picture = endOf('Draw'), plots = endOf('plots');
  const linkCall = c.find((e) => e[0] === 'link');
  const link = linkCall ? linkCall[1] : u.end;
  const r = {
    update: u.end - u.start,
    settings: pose - u.start, runs: runs - pose, picture: picture - runs, plots: plots - picture,
    figures: link - plots, rest: u.end - link,
    design: sum(['SetFrequency', 'SetSamplingTime']), runCall: sum(['RunShown']), canvas: sum(['canvas']),
    plotsDraw: sum(['plots']), radius: sum(['Radius']), address: sum(['link']),
    refused: c.filter((e) => e[0] === 'link' && e[3]).length,
    frame: u.frame, start: u.start, frameEnd: u.frameEnd === undefined ? null : u.frameEnd - u.start,
  };
  if (u.raster) Object.assign(r, { rasterPicture: u.raster.picture, rasterPlots: u.raster.plots, reread: u.raster.reread });
  return r;
}
"""

# One drag: the base settings (then the idle work left to end), then each
# change in the task after the frame of the update before. Done with one
# record a change.
DRAG = HELPERS + r"""
const [base, key, values, readback, done] = arguments;
lab.set(base).then(() => quiet(() => {
  T.readback = readback;
  const out = [];
  let k = 0;
  function next() {
    const before = T.updates.length;
    const t0 = now();
    lab.set(key === 'pose' ? { pose: values[k] } : { [key]: values[k] }).then(() => {
      const t1 = now();
      const updates = T.updates.slice(before);
      const u = updates[updates.length - 1];
      const afterFrame = () => {
        if (u.frameEnd === undefined) { setTimeout(afterFrame, 0); return; }
        out.push(Object.assign(split(u), { set: t1 - t0, wait: u.start - t0, updates: updates.length }));
        if (++k < values.length) next();
        else { T.readback = false; done({ out, notes: lab.notes() }); }
      };
      afterFrame();
    });
  }
  next();
}));
"""

# The idle work at one fn, the other settings at the base: fn moved away and
# back in two frames (the path
# limits are recomputed only for a new fn or zeta), then the idle tasks until
# none is pending. Done with each idle task's duration and its calls.
IDLE = HELPERS + r"""
const [base, fn, done] = arguments;
lab.set(Object.assign({}, base, { fn: fn * 1.01 })).then(() => lab.set({ fn })).then(() => {
  const first = T.idle.length;
  quiet(() => {
    done(T.idle.slice(first).map((task) => ({
      start: task.start, end: task.end,
      limits: task.calls.filter((e) => e[0] === 'PathLimit').map((e) => [e[3], e[4], e[2] - e[1]]),
    })));
  });
});
"""

# The shown mechanism's locus on the z-plane at the base settings: fn moved
# away and back (a new design: the locus restarts), then the idle tasks until
# none is pending. Done with the last update's end and each idle task's span
# and whether it computed locus points or the crossing.
LOCUS = HELPERS + r"""
const [base, done] = arguments;
lab.set(Object.assign({}, base, { fn: base.fn * 1.01 })).then(() => lab.set({ fn: base.fn })).then(() => {
  const first = T.idle.length, last = T.updates[T.updates.length - 1].end;
  quiet(() => {
    done({ last, tasks: T.idle.slice(first).map((task) => ({ start: task.start, end: task.end,
      points: task.calls.filter((e) => e[0] === 'LocusSlice').length,
      crossing: task.calls.some((e) => e[0] === 'LocusCrossing') })) });
  });
});
"""


def run(command):
    subprocess.run(command, cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def build():
    if not (WEB_BUILD / "CMakeCache.txt").exists():
        run(["cmake", "--preset", "web"])
    run(["cmake", "--build", "--preset", "web"])


def summary(values, digits=1):
    # "median (min-max)"
    values = [v for v in values if v is not None]
    if not values:
        return "n/a"
    return f"{statistics.median(values):.{digits}f} ({min(values):.{digits}f}-{max(values):.{digits}f})"


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else float("nan")


class Browser(page_timing.Browser):
    def __init__(self, profile):
        super().__init__(profile, script_timeout=600)

    def fresh_lab(self):
        # A new tab with the Lab's timing hook, then the page's Lab; the previous tabs closed.
        self.fresh_tab(PAGE.as_uri() + "#lab", hook=TIMING_HOOK)
        self.driver.execute_async_script(
            "const done = arguments[0]; window.agvsim.lab.ready().then(() => done(true));")


def base_settings(path, mechanism, panel="time"):
    return dict(DEFAULTS, path=path, mechanism=mechanism, panel=panel)


def do_drag(browser, path, mechanism, key, values, readback, panel="time"):
    if key in ("x", "y", "th"):
        pose = [[DEFAULTS["x"], DEFAULTS["y"], DEFAULTS["th"]] for _ in values]
        index = ("x", "y", "th").index(key)
        for p, v in zip(pose, values):
            p[index] = v
        key, values = "pose", pose
    result = browser.driver.execute_async_script(DRAG, base_settings(path, mechanism, panel), key, values, readback)
    if result["notes"]:
        raise SystemExit(f"lab_timing: a change was refused: {result['notes']}")
    return result["out"]


def fingerprint():
    # The measured page's files: a short hash, and whether web/ differs from the last commit.
    h = hashlib.sha256()
    for path in sorted((WEB_BUILD / "web").glob("*.js")):
        h.update(path.read_bytes())
    changed = subprocess.run(["git", "status", "--porcelain", "--", "web", "sim", "graphics"], cwd=ROOT,
                             capture_output=True, text=True).stdout.split("\n")
    changed = [line[3:] for line in changed if line.strip()]
    return h.hexdigest()[:12], changed


def main():
    parser = argparse.ArgumentParser(description="Times the page's Lab in headless Chromium (printed, not asserted).")
    parser.add_argument("--tabs", type=int, default=3, help="fresh tabs, each every drag (default 3)")
    parser.add_argument("--changes", type=int, default=50, help="changes a drag (default 50)")
    parser.add_argument("--idle", type=int, default=5, help="idle works at each fn (default 5)")
    parser.add_argument("--profile", action="store_true",
                        help="also profile the Ts drag on each path, mechanism 1 (self time per function)")
    parser.add_argument("--no-build", action="store_true", help="time what is built")
    args = parser.parse_args()
    if not args.no_build:
        build()

    load_before = os.getloadavg()
    drags = settings_drags(args.changes)
    cases = [(path, mechanism) for path in ("line", "circle") for mechanism in (1, 2)]
    plain = {}  # (path, mechanism, key) -> [records], over all tabs
    forced = {}
    per_tab = {}  # (path, mechanism, key) -> [median update of each tab]
    idle = {0.3: [], 0.05: []}
    profiles = {}
    frames = {}  # (path, mechanism, key) -> [frame intervals between the updates of a drag]
    panel_cases = [("line", key) for key in ("Ts", "fn", "zeta")] + [("circle", "Ts")]
    zplane = {}  # (path, mechanism, key) -> [update ms] with the z-plane shown
    loci = {1: [], 2: []}  # mechanism -> [the circle's locus: {last, tasks}]
    with tempfile.TemporaryDirectory(prefix="agv-lab-timing-") as folder:
        browser = Browser(Path(folder) / "profile")
        try:
            version = browser.driver.capabilities.get("browserVersion", "?")
            browser.fresh_lab()
            sizes = browser.driver.execute_script("return ['lab-picture', 'lab-plots'].map((id) => "
                                                  "document.getElementById(id).clientWidth + ' x ' + document.getElementById(id).clientHeight)")
            for tab in range(args.tabs):
                browser.fresh_lab()
                for key, values in drags.items():  # warm-up, not kept
                    do_drag(browser, "line", 1, key, values[:15], False)
                    do_drag(browser, "circle", 2, key, values[:15], False)
                for path, mechanism in cases:
                    for key, values in drags.items():
                        out = do_drag(browser, path, mechanism, key, values, False)
                        plain.setdefault((path, mechanism, key), []).extend(out)
                        per_tab.setdefault((path, mechanism, key), []).append(median([r["update"] for r in out]))
                        starts = [r["frame"] for r in out]
                        frames.setdefault((path, mechanism, key), []).extend(b - a for a, b in zip(starts, starts[1:]))
                for path, mechanism in cases:
                    for key, values in drags.items():
                        forced.setdefault((path, mechanism, key), []).extend(
                            do_drag(browser, path, mechanism, key, values, True))
                for mechanism in (1, 2):
                    for path, key in panel_cases:
                        zplane.setdefault((path, mechanism, key), []).extend(
                            r["update"] for r in do_drag(browser, path, mechanism, key, drags[key], False, "poles"))
                    for _ in range(args.idle):
                        loci[mechanism].append(browser.driver.execute_async_script(
                            LOCUS, base_settings("circle", mechanism, "poles")))
                browser.driver.execute_async_script(
                    "agvsim.lab.set({panel: 'time'}).then(arguments[0])")
                for fn in idle:
                    for _ in range(args.idle):
                        idle[fn].append(browser.driver.execute_async_script(IDLE, base_settings("line", 1), fn))
                if args.profile and tab == 0:
                    for path in ("line", "circle"):
                        profiles[path] = profiled(browser.driver, lambda p=path: do_drag(
                            browser, p, 1, "Ts", drags["Ts"], False), len(drags["Ts"]))
        finally:
            browser.close()

    load_after = os.getloadavg()
    digest, changed = fingerprint()
    names = {"Ts": "Ts", "x": "x", "y": "y", "th": "theta", "fn": "fn", "zeta": "zeta"}
    print(f"agvsim Lab timing: Chromium {version} headless (software rendering), {sizes[0]} picture, {sizes[1]} plots [CSS px];"
          f"\n  page build {digest}" + (f" (working tree differs from HEAD in: {', '.join(changed)})" if changed else
                                        " (web/, sim/, graphics/ as committed)"))
    print(f"  {args.tabs} fresh tabs x {args.changes} changes a drag, one change an animation frame;"
          f" median (min-max) over all changes, ms;"
          f"\n  load average (1 min) {load_before[0]:.2f} before, {load_after[0]:.2f} after ({os.cpu_count()} CPUs):"
          " other work on the machine shows in these figures")

    print("\n1. Change to redrawn Lab (aim: median update <= 16 ms on the line, <= 33 ms on the circle, for Ts and"
          " the pose)")
    print(f"  {'path':<7}{'mech':<5}{'setting':<8}{'update':>19}{'tab medians':>20}{'to frame end':>20}"
          f"{'set() resolved':>20}{'raster picture':>18}{'raster plots':>16}{'frames':>8}  aim")
    for (path, mechanism, key), rows in plain.items():
        update = [r["update"] for r in rows]
        tabs = "/".join(f"{m:.1f}" for m in per_tab[(path, mechanism, key)])
        aim = ""
        if key in ("Ts", "x", "y", "th"):
            aim = "met" if median(update) <= AIM_UPDATE_MS[path] else "NOT met"
        f = forced[(path, mechanism, key)]
        print(f"  {path:<7}{mechanism:<5}{names[key]:<8}{summary(update):>19}{tabs:>20}"
              f"{summary([r['frameEnd'] for r in rows]):>20}{summary([r['set'] for r in rows]):>20}"
              f"{summary([r['rasterPicture'] for r in f]):>18}{summary([r['rasterPlots'] for r in f]):>16}"
              f"{median(frames[(path, mechanism, key)]):>8.1f}  {aim}")
    extra = sum(1 for rows in plain.values() for r in rows if r["updates"] != 1)
    print("  update: the Lab's update callback (no wait for the frame); tab medians: the median update of each tab;"
          "\n  to frame end: the update's start to the end of that frame's task (with the page's style, layout,"
          " paint);"
          "\n  set() resolved: the call to its resolution (the change made in the task after the frame before: the"
          " wait for the\n  next frame, median"
          f" {median([r['wait'] for rows in plain.values() for r in rows]):.1f} ms over all changes, and the update);"
          "\n  raster: a second pass, one pixel read from each canvas right after the update (the picture's drawing"
          " rasterised;"
          "\n  the plots' was already, when its sheet was copied);"
          "\n  frames: the median interval between the frames of a drag's consecutive updates (16.7: every frame)."
          + (f"\n  {extra} changes took more than one update." if extra else ""))

    print("\n2. Where the update's time goes: medians, ms")
    parts = ["settings", "design", "runs", "picture", "canvas", "plots", "plotsDraw", "figures", "radius", "rest",
             "address"]
    heads = ["settings", "(design)", "runs", "picture", "(canvas)", "plots", "(plots.js)", "figures", "(radii)", "rest",
             "(address)"]
    print(f"  {'path':<7}{'mech':<5}{'setting':<8}" + "".join(f"{h:>11}" for h in heads) + f"{'update':>9}")
    for (path, mechanism, key), rows in plain.items():
        print(f"  {path:<7}{mechanism:<5}{names[key]:<8}"
              + "".join(f"{median([r[p] for r in rows]):>11.2f}" for p in parts)
              + f"{median([r['update'] for r in rows]):>9.2f}")
    print("  settings: path, mechanism, fn/zeta (design), Ts (timing, design), pose, applied in the program;"
          " (design): its fn/zeta and Ts calls;"
          "\n  runs: the shown mechanism's continuous and sampled-data runs (WebAssembly);"
          "\n  picture: the program composing the scene and page.js drawing it; (canvas): page.js's canvas calls;"
          "\n  plots: the records read from the program's memory and plots.js (its own part in brackets);"
          "\n  figures: the controls, the gains and loop figures (the three radii at Ts in brackets), the Ts marks;"
          "\n  rest: the address rewritten (history.replaceState, in brackets), the set() promises resolved.")
    calls = [r for rows in plain.values() for r in rows]
    refused = sum(r["refused"] for r in calls)
    address = [r["address"] for r in calls if r["address"] > 0]
    print(f"  the address's rewrite, all changes: {summary(address, 2)} ms, p90"
          f" {sorted(address)[int(0.9 * len(address))] if address else float('nan'):.1f} ms;"
          f" {refused} of {len(calls)} refused by Chromium's throttling of history changes")

    print(f"\n3. Idle work: the path limits (three mechanisms on both paths) once the input has been idle 150 ms;"
          f" {args.idle} idle periods at each fn, ms")
    print(f"  {'fn [Hz]':<9}{'path':<8}{'three limits':>20}{'longest task':>20}  each limit (2DW1C, 1FDW1FS, 1RDW1FS)")
    for fn, periods in idle.items():
        for p, path in enumerate(("line", "circle")):
            sums, longest, each = [], [], {i: [] for i in range(3)}
            for tasks in periods:
                mine = [t for t in tasks if any(e[1] == p for e in t["limits"])]
                sums.append(sum(e[2] for t in mine for e in t["limits"] if e[1] == p))
                longest.append(max((t["end"] - t["start"] for t in mine), default=None))
                for t in mine:
                    for i, q, ms in t["limits"]:
                        if q == p:
                            each[i].append(ms)
            print(f"  {fn:<9}{path:<8}{summary(sums):>20}{summary(longest):>20}  "
                  + ", ".join(f"{median(each[i]):.1f}" for i in range(3)))
        busy = [sum(t["end"] - t["start"] for t in tasks) for tasks in periods]
        span = [tasks[-1]["end"] - tasks[0]["start"] for tasks in periods if tasks]
        count = sorted({len(tasks) for tasks in periods})
        print(f"  {fn:<9}{'both':<8}{summary(busy):>20}  in {'/'.join(map(str, count))} tasks over"
              f" {summary(span)} (first task's start to last one's end)")
    print("  each task is the Lab's idle callback: one limit search (and, after a path's third, the figures redrawn);"
          "\n  input is taken between tasks, so the longest task is how long a change can wait for the idle work.")

    print("\n4. The z-plane panel shown (poles at Ts by both routes every update; on the line the report's locus"
          " at once)")
    print(f"  {'path':<7}{'mech':<5}{'setting':<8}{'update':>19}  aim")
    for (path, mechanism, key), update in zplane.items():
        aim = AIM_UPDATE_MS[path]
        print(f"  {path:<7}{mechanism:<5}{names[key]:<8}{summary(update):>19}  {aim:.0f} ms:"
              f" {'met' if median(update) <= aim else 'NOT met'}")
    print(f"  the circle's locus by the model (200 Ts, then the crossing), defaults, {args.idle} times a tab:")
    print(f"  {'mech':<5}{'from rest':>19}{'from last update':>20}{'longest task':>18}{'tasks':>7}  aims")
    for mechanism, runs in loci.items():
        rest, update, longest, count = [], [], [], []
        for r in runs:
            mine = [t for t in r["tasks"] if t["points"] or t["crossing"]]
            end = next(t["end"] for t in mine if t["crossing"])
            rest.append(end - r["tasks"][0]["start"])
            update.append(end - r["last"])
            longest.append(max(t["end"] - t["start"] for t in mine))
            count.append(len(mine))
        print(f"  {mechanism:<5}{summary(rest):>19}{summary(update):>20}{summary(longest):>18}{median(count):>7.0f}"
              f"  {AIM_LOCUS_MS:.0f} ms: {'met' if median(rest) <= AIM_LOCUS_MS else 'NOT met'},"
              f" {AIM_TASK_MS:.0f} ms: {'met' if median(longest) <= AIM_TASK_MS else 'NOT met'}")
    print("  from rest: the first idle task's start (150 ms after the last change) to the end of the task that"
          " finds the crossing;\n  from last update: the same end from the end of the last update;"
          " longest task: of the locus's tasks (input waits at most that long).")

    for path, top in profiles.items():
        print(f"\n  profile, Ts drag on the {path}, mechanism 1, self ms an update: "
              + ", ".join(f"{label} {ms:.2f}" for label, ms in top[:14]))


if __name__ == "__main__":
    main()
