# The page's Lab tab in headless Chromium, used through its controls and its address, against the
# Python module (the same core built natively with g++): the design figures, every record of the
# six runs, the path limits and the CSV export for settings typed, dragged and chosen on the
# controls; links that restore the settings, and refused or missing values in them; the Program
# tab's instance left as it was, and nothing reported as an error in the browser's log.
#
# Environment (set by CTest): AGV_PAGE_DIR, and PYTHONPATH with the build's python folder. Every
# wait is bounded (test_page's wait_page, or the lab's own promises under the script timeout).
import collections, csv, io, json, re, subprocess, sys  # noqa: E401

import agvsim, numpy as np, pytest  # noqa: E401
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions import action_builder, interaction, pointer_input
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select
from selenium.webdriver.support.wait import WebDriverWait

from test_page import LIMIT, NO_SIDEWAYS, PAGE, browser, look, wait_page  # noqa: F401 (browser: the fixture)

URL = PAGE.as_uri() + "/index.html"
DEFAULTS = {"path": "line", "fn": 0.3, "zeta": 0.707, "Ts": 0.2, "x": 0, "y": 1, "th": 0, "mech": 1}
NUMBERS = ("fn", "zeta", "Ts", "x", "y", "th")


@pytest.fixture
def lab(browser):  # noqa: F811
    # Opens the page afresh (the Lab from a fragment of the address, or its tab clicked) once the
    # Program tab's instance waits at its first question; that instance must stay as it was then.
    browser.set_script_timeout(LIMIT)
    program = []

    def untouched():
        assert program == [] or look(browser) == program.pop()

    def open_lab(fragment=None):
        untouched()
        browser.get("about:blank")
        browser.get(URL + ("" if fragment is None else fragment if fragment.startswith("#") else "#lab" + fragment))
        fragment is None and browser.find_element("id", "tab-lab").click()
        program.append(wait_page(browser, lambda s, t: s["input"] == "key", "the first question"))
        browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")

    yield open_lab
    untouched()
    assert [e for e in browser.get_log("browser") if e["level"] == "SEVERE" or "rror" in e["message"]] == []


def results(d): return json.loads(d.execute_script("return JSON.stringify(agvsim.lab.results())"))  # NaN: null
def field(d, key): return d.find_element("id", "lab-field-" + key)


def settings(d):  # the lab's settings, read from its link
    pairs = (p.split("=") for p in d.execute_script("return agvsim.lab.link()").split("#lab&")[1].split("&"))
    return {k: v if k in ("path", "panel") else float(v) for k, v in pairs if k not in ("lock", "hide", "lang", "task")}


def flat(tree, key=""):  # every leaf by its path
    items = tree.items() if isinstance(tree, dict) else enumerate(tree) if isinstance(tree, list) else None
    return {key: tree} if items is None else {k: v for n, sub in items for k, v in flat(sub, f"{key}/{n}").items()}


def same(page, expected, atol=None):
    # The same leaves; booleans exact; numbers (None: NaN) within 1e-9 of the largest magnitude among
    # their siblings (a field over a run, the gains, a loop's B...), at least 1e-12: an error such as
    # ephi cancels figures of order 1, and the two builds' sin and cos differ in the last digits.
    page, expected = flat(page), flat(expected)
    assert page.keys() == expected.keys()
    truths = [k for k, v in expected.items() if isinstance(v, bool)]
    assert [page[k] for k in truths] == [expected[k] for k in truths]
    keys = [k for k in expected if k not in truths]
    got, want = np.array([page[k] for k in keys], float), np.array([expected[k] for k in keys], float)
    parents, scale = [k.rsplit("/", 1)[0] for k in keys], {}
    for parent, w in zip(parents, abs(want)):
        scale[parent] = np.fmax(scale.get(parent, 0.0), w)
    tolerance = np.maximum(1e-12, 1e-9 * np.array([scale[p] for p in parents])) if atol is None else atol
    bad = ~((got == want) | (abs(got - want) <= tolerance) | (np.isnan(got) & np.isnan(want)))
    assert not bad.any(), [(k, g, w) for k, g, w, b in zip(keys, got, want, bad) if b][:10]


def module_results(sim):  # the Python module's side of results(), limits aside
    d = sim.design
    loops = {m: {"a": list(l.a), "B": list(l.B), "C": l.C, "stable": bool(l.stable), "Tsmax": l.Tsmax,
                 "designed": bool(l.designed)} for m, l in d.loops.items()}
    design = {"fn": d.fn, "zeta": d.zeta, "Ts": d.Ts, "wn": d.wn, "gains": dict(d.gains), "loops": loops}
    fields = {c: ("t",) + agvsim.FIELDS + ("u", "samples") * (c == "sampled") for c in agvsim.CONTROLLERS}
    runs = {f"{m}/{c}": {f: getattr(r, f).tolist() for f in fields[c]} for (m, c), r in sim.runs.items()}
    return {"design": design, "dt": sim.dt, "stepsPerSample": sim.stepsPerSample, "runs": runs}


def drag(d, key, target):  # pressed 40 px nearer the slider's middle than the target position, moved to it
    slider = d.find_element("id", "lab-slider-" + key)
    d.execute_script("arguments[0].scrollIntoView({block: 'center'})", slider)
    low, high = float(slider.get_attribute("min")), float(slider.get_attribute("max"))
    dx = round(((target - low) / (high - low) - 0.5) * (slider.rect["width"] - 16))  # the thumb: 16 px
    step = 20 if dx >= 0 else -20
    ActionChains(d).move_to_element_with_offset(slider, dx - 2 * step, 0).click_and_hold() \
        .move_by_offset(step, 0).move_by_offset(step, 0).release().perform()
    d.execute_async_script("agvsim.lab.ready().then(arguments[0])")
    return abs(float(slider.get_attribute("value")) - target) / (high - low)


# path, mechanism, the values typed into the fields, the slider dragged and its target position
CONTROLS = [("line", "2", {"fn": 0.3, "zeta": 0.707, "x": 0, "y": 0.5, "th": 20}, ("Ts", 500)),  # Ts 0.1 s
            ("circle", "3", {"zeta": 0.9, "Ts": 0.12, "x": 1.8, "y": 0.1, "th": 80}, ("fn", 400))]  # fn 0.22 Hz


@pytest.mark.parametrize("path, mech, typed, slider", CONTROLS, ids=["line", "circle"])
def test_controls_match_the_module(browser, lab, path, mech, typed, slider):  # noqa: F811
    lab()
    Select(browser.find_element("id", "lab-path")).select_by_value(path)
    Select(browser.find_element("id", "lab-mechanism")).select_by_value(mech)
    for key, value in typed.items():
        field(browser, key).click()
        ActionChains(browser).key_down(Keys.CONTROL).send_keys("a").key_up(Keys.CONTROL) \
            .send_keys(f"{value}" + Keys.ENTER).perform()
    key, knob = slider[0], lambda: float(browser.find_element("id", "lab-slider-" + slider[0]).get_attribute("value"))
    browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
    before = knob(), settings(browser)[key]
    assert drag(browser, *slider) < 0.03  # within 3 % of the slider's travel
    s = settings(browser)
    assert (knob() - before[0]) * (s[key] - before[1]) > 0  # further right, larger (on the log scales too)
    assert s == {"path": path, "mech": int(mech), **typed, key: s[key]}
    assert float(field(browser, key).get_attribute("value")) == s[key]
    radius = agvsim.stability(path, s["fn"], s["zeta"], s["Ts"]).radius  # the loops table as shown, at the dragged value
    assert [td.text for td in browser.find_elements("css selector", "#lab-figures .loops td:last-child")] == \
        [f"{radius[m]:.4f}" for m in MECHS]
    found, sim = results(browser), agvsim.simulate(path, s["fn"], s["zeta"], s["Ts"], (s["x"], s["y"], s["th"]))
    same(found.pop("limits"), agvsim.stability(path, s["fn"], s["zeta"], s["Ts"]).limits, atol=1.000001e-3)
    [found.pop(k) for k in ("poles", "locus", "margins")]  # test_zplane_* check these
    same(found, module_results(sim))


def table(text):  # the CSV's header (less its units), and each run's columns by name (empty: NaN)
    rows, runs = list(csv.reader(line for line in io.StringIO(text) if not line.startswith("#"))), {}
    rows[0] = [re.sub(r" \[[^]]*\]$", "", name) for name in rows[0]]
    for r in rows[1:]:
        runs.setdefault(f"{r[0]}/{r[1]}", []).append([float(v or "nan") for v in r[2:]])
    return rows[0], {run: dict(zip(rows[0][2:], map(list, zip(*records)))) for run, records in runs.items()}


# The points of each sampled curve the time plots stroke (green, 1 px): the command's comes last.
GREEN_PATHS = """const P = CanvasRenderingContext2D.prototype, paint = AgvsimPlots.prototype.paintPlots;
let painting = false; window.greens = [];
AgvsimPlots.prototype.paintPlots = function (...a) { painting = true; try { return paint.apply(this, a); } finally { painting = false; } };
for (const name of ['beginPath', 'moveTo', 'lineTo', 'stroke']) { const f = P[name]; P[name] = function (...a) {
  if (name === 'beginPath') this.points = []; else if (name !== 'stroke') (this.points = this.points || []).push(a);
  else if (painting && this.strokeStyle === '#00a000' && this.lineWidth === 1) greens.push(this.points);
  return f.apply(this, a); }; }"""


def test_link_round_trip_and_csv(browser, lab):  # noqa: F811
    lab()
    given = {"path": "circle", "fn": 0.4, "zeta": 0.5, "Ts": 0.11, "pose": [0.5, -0.3, -30], "mechanism": 3}
    browser.execute_script(GREEN_PATHS)
    for values in ({**given, "Ts": 0.13}, given):  # the plots follow a change of Ts: the last one drawn is given's
        browser.execute_async_script("agvsim.lab.set(arguments[0]).then(arguments[1])", values)
    run, path = results(browser)["runs"]["1RDW1FS/sampled"], np.array(browser.execute_script("return greens")[-1])
    t, u, step = np.array(run["t"]), np.array(run["u"], float), np.diff(path, axis=0)  # the command's path
    jumps = path[1:][(step[:, 0] == 0) & (step[:, 1] != 0), 0]
    when = (jumps - path[0, 0]) / (path[-1, 0] - path[0, 0]) * t[-1]  # [s] the path spans the run's records
    changes = t[1:-1][u[1:-1] != u[:-2]]  # [s] where the held command takes a new value
    assert (step == 0).any(1).all() and when == pytest.approx(changes, abs=results(browser)["dt"] / 2)  # stairs
    s, link, design = settings(browser), browser.execute_script("return agvsim.lab.link()"), results(browser)["design"]
    assert s == {"path": "circle", "fn": 0.4, "zeta": 0.5, "Ts": 0.11, "x": 0.5, "y": -0.3, "th": -30, "mech": 3}
    options = [f"--{k}={s[k]!r}" for k in ("fn", "zeta", "Ts")] + ["--pose", *(repr(s[k]) for k in ("x", "y", "th"))]
    cli = subprocess.run([sys.executable, "-m", "agvsim", "run", "--path", s["path"], *options],
                         capture_output=True, text=True, check=True, timeout=LIMIT).stdout
    text = browser.execute_script("return agvsim.lab.csv()")
    (header, page), (expected_header, expected) = table(text), table(cli)
    assert header == expected_header
    same(page, expected)
    units = {**agvsim.UNITS, "refParam": "rad"}  # on the circle; every column named with its unit, as `run --help` lists them
    assert next(line for line in text.splitlines() if not line.startswith("#")).split(",")[3:] == [f"{n} [{units[n]}]" for n in header[3:]]
    told = dict(re.fullmatch(r"# (\w+) = (\S+)(?: \w+)?", line).groups() for line in text.splitlines()[1:] if re.match(r"# \w+ = ", line))
    assert {k: told[k] if k == "path" else float(told[k]) for k in s if k != "mech"} == {k: v for k, v in s.items() if k != "mech"}
    browser.execute_script("HTMLAnchorElement.prototype.click = function () { window.saved = this.download; }")
    browser.find_element("id", "lab-csv").click()  # the file named after the settings
    assert browser.execute_script("return saved") == "agvsim-runs_circle_fn0.4_zeta0.5_Ts0.11_x0.5_y-0.3_th-30.csv"
    lab(link.split("#lab")[1])
    assert (settings(browser), results(browser)["design"]) == (s, design)
    assert {k: float(field(browser, k).get_attribute("value")) for k in NUMBERS} == {k: s[k] for k in NUMBERS}
    selects = [browser.find_element("id", f"lab-{k}").get_attribute("value") for k in ("path", "mechanism")]
    assert selects == [s["path"], str(int(s["mech"]))]


# A link's fragment, the settings it gives other than the defaults, and its refused values by name
LINKS = [("", {}, {}),
         ("&path=circle&fn=0&zeta=-0.5&Ts=Infinity&mech=2", {"path": "circle", "mech": 2},
          {"fn": "0", "zeta": "-0.5", "Ts": "Infinity"}),
         ("&Ts=0&x=abc&y=&th=NaN&fn=1e999&zeta=0", {"zeta": 0},
          {"Ts": "0", "x": "abc", "y": "", "th": "NaN", "fn": "1e999"}),
         ("&path=square&mech=7&Ts=1e-1&fn=-2&x=2.5&y=-1&th=135", {"Ts": 0.1, "x": 2.5, "y": -1, "th": 135},
          {"path": "square", "mechanism": "7", "fn": "-2"}),
         ("&fn=%&zeta=0.5", {"zeta": 0.5}, {"fn": "%"}),  # not a valid escape: the value as it stands
         ("&Ts=1e-320&pose=1,2,3", {"Ts": 1e-320, "x": 1, "y": 2, "th": 3}, {}),  # the core's smallest Ts: a whole update
         ("#LAB?fn=０．２&Ts=0,2&zeta=1e400&x=0x10&pose=1,2", {"fn": 0.2}, {"Ts": "0,2", "zeta": "1e400", "x": "0x10",
                                                                           "pose": "1,2"})]


@pytest.mark.parametrize("fragment, given, refused", LINKS,
                         ids=["missing", "refused", "not-numbers", "mixed", "bad-escape", "tiny-Ts-pose", "query-forms"])
def test_link_values_refused_or_missing(browser, lab, fragment, given, refused):  # noqa: F811
    lab(fragment)
    assert settings(browser) == {**DEFAULTS, **given} and len(browser.find_elements("css selector", "#lab-figures td")) > 20
    notes = browser.execute_script("return agvsim.lab.notes()")
    assert len(notes) == len(refused)
    assert sorted(k for n in notes for k, v in refused.items() if f" {k} = {v} " in n) == sorted(refused)


# ---- The z-plane and frequency panels --------------------------------------------------------------
V, L, MECHS = 1.0, 1.0, ("2DW1C", "1FDW1FS", "1RDW1FS")  # [m/s], [m] (docs/theory.md section 7.1)
GREEN, BLUE, CANVAS = (0, 160, 0), (0, 0, 255), "document.getElementById(arguments[0])"


def pqr(g, m):  # the loop coefficients P [1/s^3], Q [1/s^2], R [1/s] (docs/theory.md section 7.1)
    if m == "2DW1C":
        return V * g["kiPI1"] * g["kdPI1"], V * g["kdPI1"] + g["kiPI1"] * g["kthPI1"], g["kthPI1"]
    n = "2" if m == "1FDW1FS" else "3"
    return V * V / L * g["kd" + n], V / L * g["kth" + n], g["kph" + n]


def report_roots(g, m, T):  # the four roots of the report's a4 z^4 + ... + a0
    P, Q, R = pqr(g, m)
    return np.roots([6, -18, ((P * T + 3 * Q) * T + 6 * R) * T + 18, (4 * P * T**2 - 12 * R) * T - 6,
                     ((P * T - 3 * Q) * T + 6 * R) * T])


def pixels(d, name):  # a canvas's RGB bytes, rows x columns x 3 (device pixel ratio 1)
    data = d.execute_script(f"const c = {CANVAS}; return Array.from(c.getContext('2d').getImageData("
                            "0, 0, c.width, c.height).data)", name)
    return np.array(data, np.uint8).reshape(-1, d.execute_script(f"return {CANVAS}.width", name), 4)[..., :3]


def at(d, z):  # z's pixel by web/zplane.js's geometry: the view +-1.6 inside a 24 px margin of the square
    side = d.execute_script(f"return {CANVAS}.clientWidth", "lab-zplane")
    k = (side - 48) / 3.2
    return int(side / 2 - z.imag * k), int(side / 2 + z.real * k)  # row, column


def text(d, css): return d.find_element("css selector", css).text
def wait_text(d, css, part): WebDriverWait(d, LIMIT, 0.02).until(lambda d: part in text(d, css))


def test_zplane_poles_readout_sentences_and_languages(browser, lab):  # noqa: F811
    lab("&path=line&fn=0.3&zeta=0.707&Ts=0.17&x=0&y=1&th=0&mech=2&panel=poles")  # exercise 7's address
    assert settings(browser)["panel"] == "poles" and not browser.find_element("id", "lab-plots").is_displayed()
    before = None
    for dragged in (False, True):  # at Ts 0.17 s, then the Ts slider dragged to about 0.1 s
        dragged and drag(browser, "Ts", 500)
        s, found = settings(browser), results(browser)
        roots, radius = report_roots(found["design"]["gains"], "1FDW1FS", s["Ts"]), agvsim.stability("line", Ts=s["Ts"]).radius
        for route in ("report", "model"):  # on the line the two routes agree to about 1e-10
            z = np.array(found["poles"]["1FDW1FS"][route]) @ [1, 1j]
            assert np.allclose(np.sort_complex(z), np.sort_complex(roots), atol=1e-8)
        assert [found["poles"][m]["largest"]["model"] for m in MECHS] == pytest.approx([radius[m] for m in MECHS], abs=1e-8)
        image, places = pixels(browser, "lab-zplane"), [at(browser, z) for z in roots]
        assert [tuple(image[p]) for p in places] == [GREEN] * 4  # the model's discs where the roots are
        assert before is None or all(tuple(image[p]) != GREEN for p in before)  # gone from where they were
        before = places
    wait_text(browser, "#lab-sentences", f"Ts {s['Ts']} s")  # once the input rests
    for m, line in zip(MECHS, text(browser, "#lab-sentences").split("\n")):
        r = radius[m]
        assert line.startswith(f"{m} on the straight line: loop radius {r:.3f} at Ts {s['Ts']} s — ")
        assert line.endswith(f"; largest pole {r:.3f}, the error {'grows' if r >= 1 else 'decays'}"
                             f" {round(abs(r - 1) * 100)} % a period: {'stable' if r < 1 else 'unstable'}")
    plane = browser.find_element("id", "lab-zplane")
    browser.execute_script("arguments[0].scrollIntoView({block: 'center'})", plane)
    ActionChains(browser).move_to_element_with_offset(plane, 60, -80).perform()  # from the canvas's centre
    numbers = [float(v) for v in re.findall(r"\d+\.\d+", text(browser, "#lab-zplane-info output"))]
    k = (plane.rect["width"] - 48) / 3.2
    z = complex(60, 80) / k
    angle = np.angle(z)
    assert numbers == pytest.approx([z.real, z.imag, abs(z), np.degrees(angle), 100 * (1 - abs(z)),
                                     2 * np.pi * s["Ts"] / angle], rel=0.02, abs=0.01)
    Select(browser.find_element("id", "lab-language")).select_by_value("ja")
    r = radius["1FDW1FS"]
    assert f"; 最大の極 {r:.3f}、誤差は1周期に{round(abs(r - 1) * 100)} %" in text(browser, "#lab-sentences")
    assert "角度" in text(browser, "#lab-zplane-info output") and text(browser, "#lab-panel-poles") == "z平面"
    shown = browser.execute_script("return [document.documentElement.lang, document.querySelector('.hint[lang=ja]')"
                                   ".hidden, document.querySelector('.hint[lang=en]').hidden]")
    assert shown == ["ja", False, True]  # the page, the Program tab's hint with it


def test_zplane_circle_locus_margins_frequency_panel_and_locus_csv(browser, lab):  # noqa: F811
    lab("&path=circle&mech=3&panel=poles")
    wait_text(browser, "#lab-zplane-info", "leaves the unit circle at Ts")  # the model's locus complete
    limits, found = agvsim.stability("circle").limits["circle"], results(browser)
    assert found["locus"]["Ts"] == pytest.approx(np.geomspace(0.01, 1, 200), rel=1e-12)
    for m in MECHS:  # the path limit: the first Ts of a 1e-3 s search whose radius is not below 1
        assert found["locus"][m]["model"]["crossing"]["Ts"] == pytest.approx(limits[m], abs=1.000001e-3)
        assert found["locus"][m]["report"]["crossing"]["Ts"] == pytest.approx(found["design"]["loops"][m]["Tsmax"], abs=1e-3)
        P, Q, R, T = *pqr(found["design"]["gains"], m), 0.2
        wc = np.sqrt(max(x.real for x in np.roots([1, -R * R, 2 * P * R - Q * Q, -P * P]) if abs(x.imag) < 1e-12))
        hold, delay = np.degrees(wc * T / 2), np.degrees(wc * T)
        w = np.linspace(1e-3, np.pi / T, 200001)[:-1]  # the phase falls through -180 deg: Im L from - to +
        z = np.exp(1j * w * T)
        loop = (R * T / (z - 1) + Q * T**2 * (z + 1) / (2 * (z - 1)**2) + P * T**3 * (z * z + 4 * z + 1) / (6 * (z - 1)**3)) / z
        n = np.flatnonzero((loop.imag[:-1] < 0) & (loop.imag[1:] >= 0) & (loop.real[:-1] < 0))[0]
        pm = np.degrees(np.angle(P - R * wc * wc + 1j * Q * wc)) - 90
        got = found["margins"][m]
        assert [got["continuous"][k] for k in ("crossover", "phaseMargin", "lowerCrossover", "lowerGainMargin")] \
            == pytest.approx([wc, pm, np.sqrt(P / R), 20 * np.log10(Q * R / P)], rel=1e-9)
        assert [got["budget"][k] for k in ("continuousMargin", "hold", "delay", "left")] \
            == pytest.approx([pm, hold, delay, pm - hold - delay], rel=1e-9)
        assert (got["sampled"]["upperCrossover"], got["sampled"]["upperGainMargin"]) \
            == pytest.approx((w[n], -20 * np.log10(abs(loop[n]))), abs=1e-3)
    browser.find_element("id", "lab-panel-frequency").click()
    browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
    image = pixels(browser, "lab-frequency").reshape(-1, 3)
    assert settings(browser)["panel"] == "frequency" and all(((image == c).all(1)).sum() > 100 for c in (BLUE, GREEN))
    browser.find_element("id", "lab-panel-time").click()
    browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
    assert "panel" not in settings(browser) and browser.find_element("id", "lab-plots").is_displayed()
    header, *rows = list(csv.reader(io.StringIO(browser.execute_script("return agvsim.lab.csv({locus: true})"))))
    assert header[3:5] == ["Ts [s]", "re z1 [1]"] and header[-1] == "largest |z| [1]" and len(rows) == 3 * 2 * 200
    for m in MECHS:  # the first grid Ts past the circle's limit
        model = [(float(r[3]), float(r[-1])) for r in rows if r[:3] == [m, "model", "circle"]]
        k = next(k for k, (_, largest) in enumerate(model) if largest >= 1)
        assert model[k - 1][0] - 1e-3 < limits[m] <= model[k][0] + 1e-3

# ---- Reset, keys, help, words for screen readers, teacher links, touch ------------------------------
VIEW0 = {"viewScale": 0.2, "viewPanX": 0, "viewPanY": 0, "phasePlaneX": 0.6, "phasePlaneY": 0.55}  # sim/parameters.h
HOSTILE = "<img src=x onerror=alert(1)>"
def view(d): return d.execute_script("return agvsim.lab.view()")
def attr(d, id, name): return d.find_element("id", id).get_attribute(name)
def shown(d, *ids): return [d.find_element("id", i).is_displayed() for i in ids]


def keys(d, id, *k):  # each key, or (modifier, key) with the modifier held, into the element; then redrawn
    chain, _ = ActionChains(d), d.execute_script("document.getElementById(arguments[0]).focus()", id)
    [chain.key_down(c[0]).send_keys(c[1]).key_up(c[0]) if isinstance(c, tuple) else chain.send_keys(c) for c in k]
    chain.perform()
    d.execute_async_script("agvsim.lab.ready().then(arguments[0])")


def test_reset_slider_keys_and_value_texts(browser, lab):  # noqa: F811
    lab("&path=circle&Ts=0.2&mech=2&lang=en")
    keys(browser, "lab-picture", "w", "X", "z", "s", "s")  # zoom 0.9, pans of 0.05, two steps of 2 records
    assert view(browser) == pytest.approx({**VIEW0, "viewScale": 0.18, "viewPanX": 0.05, "phasePlaneX": 0.55, "time": 0.08})
    keys(browser, "lab-picture", "r")  # the view back, the time and settings kept
    assert view(browser) == pytest.approx({**VIEW0, "time": 0.08}) and settings(browser)["path"] == "circle"
    R, L, fine = Keys.ARROW_RIGHT, Keys.ARROW_LEFT, lambda key: (Keys.SHIFT, key)  # a fine step: with Shift
    # A step on the log scale of Ts: 10 of 1000 positions over 0.01-1 s (x 100^0.01, to 3 digits); fine: the 3rd digit.
    for name, key, expected, said in [("Ts", R, 0.209, "0.209 seconds"), ("Ts", fine(R), 0.21, "0.21 seconds"),
                                      ("Ts", Keys.HOME, 0.01, "0.01 seconds"), ("Ts", fine(L), 0.01, "0.01 seconds"),
                                      ("Ts", fine(R), 0.0101, "0.0101 seconds"), ("Ts", Keys.END, 1, "1 second"),
                                      ("Ts", Keys.ARROW_DOWN, 0.955, "0.955 seconds"), ("zeta", L, 0.697, "0.697"),
                                      ("zeta", fine(L), 0.696, "0.696"), ("th", Keys.ARROW_UP, 10, "10 degrees"),
                                      ("th", fine(R), 11, "11 degrees")]:
        keys(browser, "lab-slider-" + name, key)
        assert (settings(browser)[name], attr(browser, "lab-slider-" + name, "aria-valuetext")) == (expected, said)
    for typed, why, value in (("0,2", "not a comma", 0.955), ("1e400", "to be finite", 0.955), ("0x10", "a decimal number", 0.955),
                              ("０．２５", None, 0.25)):  # refused: the value in force shown; full-width figures taken
        keys(browser, "lab-field-Ts", (Keys.CONTROL, "a"), typed, Keys.ENTER)
        notes = browser.execute_script("return agvsim.lab.notes()")
        assert (attr(browser, "lab-field-Ts", "value"), settings(browser)["Ts"]) == (str(value), value)
        assert notes == [] if why is None else len(notes) == 1 and why in notes[0]
    Select(browser.find_element("id", "lab-language")).select_by_value("ja")
    tsmax, words = results(browser)["design"]["loops"]["1FDW1FS"]["Tsmax"], attr(browser, "lab-slider-Ts", "aria-describedby")
    assert attr(browser, "lab-slider-th", "aria-valuetext") == "11 度"
    assert f"1FDW1FS の限界Ts {tsmax:.3f} s (報告)" in attr(browser, words, "textContent")  # the marks in words
    keys(browser, "lab-field-x", (Keys.ALT, "r"))  # Alt+R anywhere: reset all, the address too
    assert (settings(browser), view(browser)) == (DEFAULTS, {**VIEW0, "time": 0})
    assert browser.current_url.split("#")[1].startswith("lab&path=line&fn=0.3&zeta=0.707&Ts=0.2&x=0&y=1&th=0&mech=1")
    menu, name = Select(browser.find_element("id", "lab-scenario")), attr(browser, "lab-scenario-ex5", "textContent")
    for changed in ((), (Keys.ARROW_RIGHT,)):  # chosen after a zoom, then again after a change and a zoom: settings and view anew
        changed and keys(browser, "lab-slider-Ts", *changed)
        keys(browser, "lab-picture", "w")
        assert not menu.options[0].text.endswith(name)  # named only while the settings are the scenario's
        menu.select_by_value("ex5")
        browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
        assert (settings(browser), view(browser)) == ({**DEFAULTS, "path": "circle", "x": 1, "y": 0, "th": 90, "mech": 2},
                                                      {**VIEW0, "time": 0})
        assert menu.options[0].text.endswith(": " + name) and menu.first_selected_option == menu.options[0]
    keys(browser, "lab-field-x", (Keys.ALT, "r"))
    slider = browser.find_element("id", "lab-slider-Ts")  # a touch drag of the Ts slider from its thumb to its left end
    width, position = slider.rect["width"] - 16, float(slider.get_attribute("value"))  # the thumb: 16 px
    touch = action_builder.ActionBuilder(browser, mouse=pointer_input.PointerInput(interaction.POINTER_TOUCH, "finger"))
    touch.pointer_action.move_to(slider, round((position / 1000 - 0.5) * width), 0).pointer_down() \
        .move_to(slider, -width // 4, 0).move_to(slider, -width // 2, 0).pointer_up()
    touch.perform() or browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
    assert settings(browser)["Ts"] == pytest.approx(0.01, abs=0.001)


def test_help_dialog_results_sentence_and_time(browser, lab):  # noqa: F811
    lab("&path=circle&Ts=0.155&mech=3&lang=en")
    keys(browser, "lab-picture", "?")
    dialog, listed = browser.find_element("id", "help-dialog"), "1 2 3 s 0 x X y Y w W z Z c f t h Esc r Alt+R ?"
    assert set(listed.split()) <= {w for k in dialog.find_elements("css selector", "kbd") for w in k.text.split()}
    assert all(ActionChains(browser).send_keys(Keys.TAB).perform() or browser.execute_script(  # Tab goes round inside it
        "return arguments[0].contains(document.activeElement)", dialog) for _ in range(3))
    ActionChains(browser).send_keys(Keys.ESCAPE).perform()
    assert not dialog.is_displayed() and browser.switch_to.active_element.get_attribute("id") == "lab-picture"
    design, radius = agvsim.design(Ts=0.155).loops, agvsim.stability("circle", Ts=0.155).radius  # the other route
    wait_text(browser, "#lab-sentences", "1RDW1FS on the circle")
    for m, line in zip(MECHS, text(browser, "#lab-sentences").split("\n")):  # 1RDW1FS: 1.012, unstable, "stable"
        word, report = lambda stable: "stable" if stable else "unstable", design[m].Tsmax > 0.155  # noqa: E731
        verdict = word(radius[m] < 1) + (", as the report says" if (radius[m] < 1) == report
                                         else f", although the report calls it {word(report)}")
        assert line.startswith(f"{m} on the circle: loop radius {radius[m]:.3f} at Ts 0.155 s — {verdict};")
    assert attr(browser, "lab-time-value", "aria-live") == "off"  # not spoken at every frame of Play
    browser.find_element("id", "lab-play").click()
    WebDriverWait(browser, LIMIT, 0.02).until(lambda d: text(d, "#lab-time-value") != "0.00")
    browser.find_element("id", "lab-play").click()  # stopped: the time said once
    assert attr(browser, "lab-time-said", "textContent") == f"t = {text(browser, '#lab-time-value')} s"
    browser.find_element("id", "tab-program").click()  # the console has the focus again; ? on the tab: the help
    WebDriverWait(browser, LIMIT, 0.02).until(lambda d: d.switch_to.active_element.get_attribute("id") == "console")
    keys(browser, "tab-program", "?")
    assert dialog.is_displayed()  # on the Program tab too


def test_teacher_links_hostile_fragments_and_the_link_maker(browser, lab):  # noqa: F811
    lab(f"&fn=0.4&lock=fn,zeta&hide=plots,figures&lang=ja&task={HOSTILE}&Ts=0.1&Ts=0.15&task=x&task={HOSTILE}")
    assert text(browser, "#lab-task") == HOSTILE and browser.find_elements("css selector", "img") == []
    assert browser.execute_script("return document.documentElement.lang") == "ja" and settings(browser)["Ts"] == 0.15
    assert shown(browser, "lab-plots", "lab-figures", "lab-slider-Ts") == [False, False, True]
    assert attr(browser, "lab-slider-fn", "disabled") and attr(browser, "lab-field-zeta", "readOnly")
    browser.execute_async_script("agvsim.lab.set({fn: 0.6, zeta: 0.3, Ts: 0.12}).then(arguments[0])")
    assert [settings(browser)[k] for k in ("fn", "zeta", "Ts")] == [0.4, 0.707, 0.12]
    browser.find_element("id", "lab-reset-all").click()  # the locked ones stay as the link has them
    assert settings(browser) == {**DEFAULTS, "fn": 0.4}
    lab("&task=" + "x" * 100_000 + "&lock=fn,rocket&lang=de&hide=" + HOSTILE + "&fn=" + "9" * 1000)
    notes = browser.execute_script("return agvsim.lab.notes()")
    assert sorted(n.split(" = ")[0].split()[-1] for n in notes) == ["fn", "hide", "lang", "lock", "task"]
    assert max(map(len, notes)) < 200 and browser.find_elements("css selector", "img") == []
    browser.execute_async_script("agvsim.lab.set({Ts: 0.12, mechanism: 2}).then(arguments[0])")  # still usable
    browser.find_element("css selector", "#lab-link-maker summary").click()  # a link made of these settings
    [browser.find_element("css selector", f"input[data-{box}]").click() for box in ("lock=mech", "lock=Ts", "hide=marks")]
    Select(browser.find_element("id", "lab-link-lang")).select_by_value("en")
    task = "Find the Ts where 1FDW1FS turns unstable & say why. <b>" + HOSTILE
    browser.find_element("id", "lab-link-task").send_keys(task)
    browser.find_element("id", "lab-link-make").click()
    lab(attr(browser, "lab-link-output", "value").split("#lab")[1])
    assert settings(browser) == {**DEFAULTS, "Ts": 0.12, "mech": 2} and text(browser, "#lab-task") == task
    assert [attr(browser, i, "disabled") for i in ("lab-mechanism", "lab-slider-Ts", "lab-slider-fn")] == ["true", "true", None]
    assert shown(browser, "lab-marks-Ts", "lab-link-maker", "lab-plots") == [False, False, True]
    assert browser.execute_script("return document.documentElement.lang") == "en"



# ---- Compare: kept sets, their CSV, the three mechanisms -------------------------------------------
def spots(run, scale, pan_y):  # a run's pixels: its trajectory by graphics/scene.h's view (world shift (-2, -0.5) m), and
    # its (dd, eth) in the phase plane at (0.6, 0.55) by graphics/phase_plane.h (0.3 window units a metre and a pi rad)
    X = np.r_[(np.array(run["x"]) - 2) * scale, 0.6 + 0.3 * np.array(run["dd"])]
    Y = np.r_[(np.array(run["y"]) - 0.5) * scale + pan_y, 0.55 + 0.3 / np.pi * np.array(run["eth"])]
    mask, inside = np.zeros((800, 800), bool), (abs(X) < 1) & (abs(Y) < 1)  # 400 px a window unit, y up
    mask[np.floor((1 - Y[inside]) * 400).astype(int), np.floor((X[inside] + 1) * 400).astype(int)] = True
    return mask


def grown(mask, reach): return np.any([np.roll(mask, (r, c), (0, 1)) for r in range(-reach, reach + 1)
                                       for c in range(-reach, reach + 1)], 0)


def label(m, s): return f"{m}, {s['path']}, fn {s['fn']:g} Hz, ζ {s['zeta']:g}, Ts {s['Ts']:g} s, " \
                        f"start ({s['x']:g}, {s['y']:g}, {s['th']:g}°)"  # the README's form


def test_compare_kept_sets_csv_and_three_mechanisms(browser, lab):  # noqa: F811
    lab("&mech=2&Ts=0.17")
    kept, run = [], lambda given: browser.execute_async_script("agvsim.lab.set(arguments[0]).then(arguments[1])", given)
    for given in ({}, {"Ts": 0.1, "pose": [0, 0.5, 0], "mechanism": 3}):  # kept, then the circle at Ts 0.155 s
        run(given)
        s, found = settings(browser), results(browser)
        m = MECHS[int(s["mech"]) - 1]
        kept.append((s, m, {c: found["runs"][f"{m}/{c}"] for c in ("continuous", "sampled")}))
        browser.find_element("id", "lab-keep").click()
    run({"path": "circle", "Ts": 0.155, "pose": [1, 0, 90], "mechanism": 1})
    browser.find_element("id", "lab-picture").send_keys("wy")  # zoom out (x 0.9) and down 0.05: the kept sets follow
    s, found = settings(browser), results(browser)
    assert found["kept"] == [{"set": k + 1, "label": label(m, t), "settings": {"mechanism": int(t["mech"]), "path": t["path"],
                             **{n: t[n] for n in NUMBERS}}} for k, (t, m, _) in enumerate(kept)]
    header, *rows = list(csv.reader(line for line in io.StringIO(browser.execute_script("return agvsim.lab.csv({kept: true})"))
                                    if not line.startswith("#")))
    want = {("current", label(m, s), m, c): len(r["t"]) for (m, c), r in
            ((k.split("/"), r) for k, r in found["runs"].items())}
    want.update({(f"kept {k + 1}", label(m, t), m, c): len(r["t"]) for k, (t, m, runs) in enumerate(kept) for c, r in runs.items()})
    assert header[:3] == ["set", "label", "mechanism"] and collections.Counter(tuple(r[:4]) for r in rows) == want
    browser.find_element("id", "lab-three").click()
    browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
    radius, verdict = agvsim.stability("circle", Ts=0.155).radius, lambda stable: "stable" if stable else "unstable"
    assert text(browser, "#lab-three-legend").split("\n") == [  # 1RDW1FS: unstable, though the report calls it stable
        f"{m}: report {verdict(found['design']['loops'][m]['stable'])}; on the circle: radius {radius[m]:.3f}, {verdict(radius[m] < 1)}"
        for m in MECHS]
    browser.find_element("id", "lab-three").click()
    images = [pixels(browser, "lab-picture")]
    for k in (1, 0):  # remove the second set, then the first: each one's pixels go, and nothing else
        browser.find_elements("css selector", "#lab-kept button")[k].click()
        browser.execute_async_script("agvsim.lab.ready().then(arguments[0])")
        images.append(pixels(browser, "lab-picture"))
        changed, where = (images[-2] != images[-1]).any(2), sum(spots(r, 0.2 * 0.9, -0.05) for r in kept[k][2].values()) > 0
        assert changed.sum() > 1000 and not (changed & ~grown(where, 2)).any()  # within 2 px of the records
        assert changed[where].mean() > 0.6  # on most of them (the second set is dashed)
    assert results(browser)["kept"] == [] and browser.find_elements("css selector", "#lab-kept li") == []



# ---- Screens: a laptop's, a desktop's, a phone's and a tablet's; a swipe over the picture ---------------
def box(d, id): return d.execute_script("return document.getElementById(arguments[0]).getBoundingClientRect().toJSON()", id)


def swipe(d, x, y, dy, moves=8):  # a finger down at (x, y) [CSS px], moved up by dy in steps, lifted
    touches = [("touchStart", [{"x": x, "y": y}])] + [("touchMove", [{"x": x, "y": y - dy * k / moves}]) for k in range(1, moves + 1)]
    [d.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": t, "touchPoints": p}) for t, p in touches + [("touchEnd", [])]]
    d.execute_async_script("agvsim.lab.ready().then(arguments[0])")


@pytest.mark.parametrize("width, height", [(1366, 768), (1920, 1080), (390, 844), (768, 1024)],
                         ids=["laptop", "desktop", "phone", "tablet"])
def test_layout_and_swipe(browser, lab, width, height):  # noqa: F811
    touch = width < height
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", dict(width=width, height=height, deviceScaleFactor=1, mobile=touch))
    browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": touch, "maxTouchPoints": 1})
    try:
        lab()
        picture, play, plots = box(browser, "lab-picture"), box(browser, "lab-play"), box(browser, "lab-plots")
        assert browser.execute_script(NO_SIDEWAYS) and all(box(browser, "lab-field-" + k)["right"] <= width for k in NUMBERS)
        if not touch:  # the picture, Play and the first of the four time plots in view together
            assert picture["top"] >= 0 and max(play["bottom"], plots["top"] + plots["height"] / 4) <= height
            return
        # The start point (0, 1) m by graphics/scene.h's view: window (-0.4, 0.1), 400 px a unit at the full 800 px.
        x, y = picture["left"] + (1 - 0.4) / 2 * picture["width"], picture["top"] + (1 - 0.1) / 2 * picture["height"]
        swipe(browser, x, y, 100)  # begun on the start point: the start point is dragged up, the page stays
        dragged = settings(browser)
        assert browser.execute_script("return scrollY") == 0 and dragged["y"] > 1.5
        swipe(browser, x + 60, y + 40, 200)  # begun off it: the page scrolls
        assert browser.execute_script("return scrollY") > 50 and settings(browser) == dragged
    finally:
        browser.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})
        browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
