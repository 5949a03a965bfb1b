# agvsim's page (the program compiled to WebAssembly) in headless Chromium, used as a user uses it: the console
# dialog's transcripts against the golden files, the canvas against the drawing's geometry (picture_checks.py,
# shared with the window's test), the window's keys against the page's state(), keys out of turn, long and pasted
# lines, the page from disk and from a web server, the tab list by keys, the screen reader's live region, a
# session by touch alone on a phone's and a tablet's screen, and nothing reported as an error in the browser's log.
#
# Environment (set by CTest): AGV_PAGE_DIR (built by the web preset), GOLDEN_DIR. Keys are typed
# with WebDriver actions into the element that has the focus, each once the one before has been
# handled; every wait polls the page and is bounded.
import base64, functools, http.server, json, os, re, tempfile, threading, time  # noqa: E401
from pathlib import Path

import numpy as np, pytest  # noqa: E401
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.wait import WebDriverWait

from picture_checks import VIEW_KEYS, dot_at, first_picture_ok, mech_ok, view_ok

PAGE = Path(os.environ.get("AGV_PAGE_DIR", Path(__file__).parents[1] / "build-web" / "web"))
GOLDEN = Path(os.environ.get("GOLDEN_DIR", Path(__file__).parent / "golden"))
CASES = json.loads((GOLDEN / "program_cases.json").read_text(encoding="utf-8"))
DEFAULTS = "".join(key + "\n" for _, key in CASES["default_keys"])  # the start-up dialog's answers, one a line
LAST_PROMPT = CASES["prompt_ends"][-1]
LIMIT, POLL = 20.0, 0.01  # [s] bound of every wait; between two looks at the page
FLAGS = ("--headless=new --no-sandbox --disable-gpu --disable-background-networking --disable-component-update"
         " --disable-sync --no-first-run --force-device-scale-factor=1 --window-size=1400,1000").split()
VIEW = ("viewScale", "viewPanX", "viewPanY", "phasePlaneX")
# The canvas's RGBA bytes, base64; a paste of text into the focused element.
READ_PICTURE = """const c = document.getElementById('picture'), r = new FileReader();
r.onload = () => arguments[0](r.result.split(',')[1]);
r.readAsDataURL(new Blob([c.getContext('2d').getImageData(0, 0, 800, 800).data]));"""
COUNT_TEXTS = """const P = CanvasRenderingContext2D.prototype, fill = P.fillText; window.drawnTexts = [];
P.fillText = function (text, ...at) { drawnTexts.push(text); return fill.call(this, text, ...at); };"""  # from now on
PASTE = """const d = new DataTransfer(); d.setData('text/plain', arguments[0]); document.activeElement.dispatchEvent(
new ClipboardEvent('paste', {clipboardData: d, bubbles: true, cancelable: true}));"""


@pytest.fixture(scope="module")
def browser():
    if not (PAGE / "index.html").is_file():
        pytest.fail(f"no page in {PAGE}: build it first (cmake --preset web && cmake --build --preset web)")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        [options.add_argument(flag) for flag in FLAGS + [f"--user-data-dir={profile}"]]
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        yield driver
        driver.quit()


@pytest.fixture
def page(browser):
    # The page from disk, its program fresh at the first question; afterwards, no error in the log
    # since the test began (warnings are the browser's advice on reading the canvas back).
    url = PAGE.as_uri() + "/index.html"
    browser.get(url) if browser.current_url != url else browser.execute_script("agvsim.restart()")
    wait_page(browser, lambda s, t: s["input"] == "key", "the first question")
    yield browser
    assert [e for e in browser.get_log("browser") if e["level"] == "SEVERE" or "rror" in e["message"]] == []


@pytest.fixture
def server():  # the page's folder from a static web server on this machine
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=PAGE)
    with http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler) as s:
        threading.Thread(target=s.serve_forever, daemon=True).start()
        yield f"http://127.0.0.1:{s.server_port}/index.html"
        s.shutdown()


def look(d): return d.execute_script("return [agvsim.state(), agvsim.consoleText()]")
def anim(state): return state["animIndexPC"], state["animIndexPI"], state["animSampleK"]
def picture(d):  # rows x columns x RGB
    return np.frombuffer(base64.b64decode(d.execute_async_script(READ_PICTURE)), np.uint8).reshape(800, 800, 4)[..., :3]


def wait_page(d, ready, what):  # the state and everything written, once ready(state, written)
    end = time.monotonic() + LIMIT
    while not ((seen := look(d))[0] is not None and ready(*seen)) and time.monotonic() < end:
        time.sleep(POLL)
    assert seen[0] is not None and ready(*seen), (what, seen[0], seen[1][-300:])
    return seen


def type_keys(d, keys, on=None):  # into the focused element, or into `on` given the focus as by a click
    on and d.execute_script("document.getElementById(arguments[0]).focus()", on)
    ActionChains(d).send_keys(keys.replace("\n", Keys.ENTER)).perform()


def answer(d, line):  # a key question takes the line's first key (Enter if none), a number entry the line
    state, _ = wait_page(d, lambda s, t: s["input"], "a question")
    type_keys(d, line + "\n" if state["input"] == "line" else line[:1] or "\n")


def replay(d, keys, text):
    # The lines answer the reads in turn; whenever the picture shows instead, the next key is typed
    # on it (it has the focus after a dialog). The state and everything written once it shows again.
    keys = list(keys)
    for line in text.splitlines():
        while not wait_page(d, lambda s, t: s["input"] or not s["dialog"], "a read or the picture")[0]["input"]:
            type_keys(d, keys.pop(0))
        answer(d, line)
    assert keys == []
    return wait_page(d, lambda s, t: not s["dialog"], "the picture")


@pytest.mark.parametrize("case", CASES["sessions"] + CASES["odd"], ids=lambda c: c["name"])
def test_dialog_transcript(page, case):
    # The entry keys after the start-up dialog, a mechanism key first; "0": the start-up dialog.
    start, keys = (0, "") if case["keys"] == "0" else (len(replay(page, "", DEFAULTS)[1]), case["keys"])
    state, out = replay(page, ("" if case.get("type", 1) == 1 else str(case["type"])) + keys, case["input"])
    out = out[start:]
    if "golden" in case:
        golden = (GOLDEN / f"{case['golden']}.txt").read_text(encoding="utf-8")
        assert (out, state["stepsPerSample"]) == (golden, case.get("steps", 10))
    else:
        assert out.endswith(CASES["session_end"]) and out.count("設定し直し") == case["rejections"]
        assert [t for t in case["present"] if t not in out] == [] and [t for t in case["absent"] if t in out] == []


def test_picture_and_window_keys(page):
    replay(page, "", DEFAULTS)
    assert first_picture_ok(first := picture(page))
    type_keys(page, "s" * 60)  # held: 2 records a key, a sampling instant every 10 records
    assert anim(look(page)[0]) == (120, 120, 12)
    page.execute_script(COUNT_TEXTS)
    type_keys(page, "0")
    assert anim(look(page)[0]) == (0, 0, 0) and np.array_equal(picture(page), first)
    texts = page.execute_script("return drawnTexts")  # the title, the settings' 7 lines, the phase plane's 5
    assert len(texts) == 13 and {"fn=0.30[Hz],zeta=0.707, Ts=0.20[s]", "(dd,dth) Phase Plane"} <= set(texts)
    for agv in "231":  # mechanism keys: back to the start
        type_keys(page, "sss" + agv)
        state = look(page)[0]
        assert (state["agvType"], *anim(state)) == (int(agv), 0, 0, 0) and mech_ok(picture(page), agv), agv
    view = (0.2, 0, 0, 0.6)
    for key, *new in VIEW_KEYS:
        type_keys(page, key)
        view, state = tuple(new) or view, look(page)[0]
        assert [state[n] for n in VIEW] == pytest.approx(view) and view_ok(picture(page), *view), key
    type_keys(page, Keys.ESCAPE)
    wait_page(page, lambda s, t: s["ended"] and s["input"] is None, "the end")
    assert page.find_element("id", "ended").is_displayed()
    page.execute_script("agvsim.restart()")
    assert not wait_page(page, lambda s, t: s["input"] == "key", "the first question again")[0]["ended"]
    assert not page.find_element("id", "ended").is_displayed()


def test_keys_out_of_turn_are_dropped(page):
    before, _ = replay(page, "", DEFAULTS)
    type_keys(page, "h")
    wait_page(page, lambda s, t: s["input"] == "line", "the pose entry")
    type_keys(page, "Wzt2" + Keys.ESCAPE, on="picture")  # while the dialog runs
    type_keys(page, "0 0 0\n", on="console")
    state, written = replay(page, "", "k\nk\n")
    same = lambda s: {k: s[k] for k in VIEW + ("agvType", "phasePlaneY", "ended", "input", "Ts")}
    assert same(state) == same(before) and (state["x0"], state["y0"], state["th0"]) == (0, 0, 0)
    assert dot_at(picture(page), 240, 440)  # the vehicles at the origin; 0.4 m on after 20 records
    type_keys(page, "s" * 10)
    assert dot_at(picture(page), 272, 440)
    type_keys(page, "c", on="console")  # no read waits
    assert look(page) == [{**state, "animIndexPC": 20, "animIndexPI": 20, "animSampleK": 2}, written]
    type_keys(page, "c", on="picture")
    [answer(page, key) for key in "1nnn"]
    pressed = time.time()  # the answer that starts the runs, and a key pressed with it, handled after them
    answer(page, "k")
    for kind in ("rawKeyDown", "char", "keyUp"):
        page.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": kind, "key": "1", "text": "1", "timestamp": pressed})
    state, _ = wait_page(page, lambda s, t: t.endswith(LAST_PROMPT), "the last question")
    type_keys(page, "q")
    after, written = wait_page(page, lambda s, t: not s["dialog"], "the picture")
    assert written.endswith(CASES["session_end"]) and state["input"] == "key" and after["pathType"] == 1
    assert after["nPointsPC"] != before["nPointsPC"] and anim(after) == (0, 0, 0)


def test_long_and_pasted_lines(page):
    replay(page, "", DEFAULTS)
    type_keys(page, "f")
    long = "0.1" + "0" * 9993 + " 0.5"  # 10,000 characters
    wait_page(page, lambda s, t: s["input"] == "line", "the fn entry")
    page.execute_script(PASTE, long[:-1] + "9")  # pasted; its last key typed again
    type_keys(page, Keys.BACKSPACE + "5\n")
    answer(page, "y")
    wait_page(page, lambda s, t: s["input"] == "line", "the Ts entry")
    page.execute_script(PASTE, "0\n0.3\n")  # the first refused, the second serves the next read
    state, written = replay(page, "", "n\nk\nq\n")
    assert [state[k] for k in ("fn", "zeta", "Ts")] == pytest.approx([0.1, 0.5, 0.3]) and "時間 Ts= 0.300[s]" in written
    assert "固有振動数fn= 0.100[Hz]  減衰比ζ= 0.500" in written and written.count("設定し直し") == 1
    lines = iter([long, "0", "0.3"])  # the panel: what the program wrote, each line typed after its prompt
    shown = re.sub(r"新fn ζ=|Ts\[s\]=", lambda m: m[0] + next(lines) + "\n", written)
    assert page.execute_script("return document.getElementById('console').textContent") == shown


@pytest.mark.parametrize("served", [False, True], ids=["file", "http"])
def test_page_loads(page, request, served):
    page.get(request.getfixturevalue("server") if served else page.current_url)
    _, written = wait_page(page, lambda s, t: s["input"] == "key" and t.endswith("I= "), "the first question")
    assert page.title == CASES["title"] and (GOLDEN / "defaults.txt").read_text(encoding="utf-8").startswith(written)


# Touch: a finger on an element's centre and off again (CDP, with touch emulation on); whether an
# element lies wholly in the viewport; the screen reader's announcements, recorded from now on.
CENTRE = "const r = arguments[0].getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]"
IN_VIEW = "const r = arguments[0].getBoundingClientRect(); return r.height && r.top > -1 && r.bottom < innerHeight + 1"
NO_SIDEWAYS = "return document.documentElement.scrollWidth <= innerWidth"
NEWS = """const news = document.getElementById('console-news'); window.told = [];
new MutationObserver(() => told.push(news.textContent)).observe(news, {childList: true, subtree: true});"""


def tap(d, css):
    x, y = d.execute_script(CENTRE, d.find_element("css selector", css))
    [d.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": t, "touchPoints": p}) for t, p in
     (("touchStart", [{"x": x, "y": y}]), ("touchEnd", []))]


def test_tabs_by_keys(page):
    tabs = page.find_elements("css selector", "[role=tab]")
    panels = [page.find_element("id", t.get_attribute("aria-controls")) for t in tabs]
    assert [p.get_attribute("role") for p in panels] == ["tabpanel"] * 2
    page.execute_script("arguments[0].focus()", tabs[0])
    for key, k in ((Keys.ARROW_RIGHT, 1), (Keys.ARROW_RIGHT, 0), (Keys.END, 1), (Keys.HOME, 0), (Keys.ARROW_LEFT, 1),
                   (Keys.ARROW_LEFT, 0)):  # Right and Left go round
        type_keys(page, key)
        assert [(t.get_attribute("aria-selected"), t.get_attribute("tabindex")) for t in tabs] == \
            [("true", "0") if j == k else ("false", "-1") for j in range(2)], key
        assert page.switch_to.active_element == tabs[k] and [p.is_displayed() for p in panels] == [k == 0, k == 1]
    type_keys(page, CASES["default_keys"][0][1])  # typed on the Program's tab: the dialog's answer, not dropped
    wait_page(page, lambda s, t: s["input"] and t.endswith(CASES["prompt_ends"][1]), "the second question")
    tabs[1].click() or tabs[0].click()  # clicked back from the Lab: the console has the focus again
    WebDriverWait(page, LIMIT, POLL).until(lambda d: d.switch_to.active_element.get_attribute("id") == "console")


def test_console_news(page):
    # Not the panel again: each read (and the picture) tells what was written since; all once, each to its prompt.
    first = page.execute_script(NEWS + "return news.textContent")
    _, written = replay(page, "", DEFAULTS)
    told = [first] + page.execute_script("return told")
    assert page.find_element("id", "console").get_attribute("aria-live") is None
    assert len(told) == len(CASES["default_keys"]) + 1 and "".join("".join(told).split()) == "".join(written.split())
    assert [n for (end, _), n in zip(CASES["default_keys"], told) if not n.endswith(end.strip())] == []


@pytest.mark.parametrize("width, height", [(390, 844), (768, 1024)], ids=["phone", "tablet"])
def test_touch_only(page, width, height):
    # golden/pose.txt's session by touch alone (the number entry typed as on an on-screen keyboard, its
    # minus from the button), "any key" a space: no sideways scroll, the console in view unscrolled at every read,
    # the picture after the last; then the picture's keys by its buttons.
    screen = dict(width=width, height=height, deviceScaleFactor=1, mobile=True)  # [CSS px]
    page.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", screen)
    page.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1})
    try:
        page.execute_script("agvsim.restart()")
        for answer in ("0", "n", "n", "y", ("0.5 ", "1 90"), " ", " "):
            state, _ = wait_page(page, lambda s, t: s["input"], "a question")
            assert page.execute_script(IN_VIEW + " && scrollY === 0", page.find_element("class name", "console-side"))
            assert page.execute_script(NO_SIDEWAYS) and state["input"] == ("line" if len(answer) == 2 else "key")
            if state["input"] == "key":
                tap(page, f"#console-keys button[data-code='{ord(answer)}']:not([hidden])")
                continue
            tap(page, "#console-input")
            page.execute_cdp_cmd("Input.insertText", {"text": answer[0]})
            tap(page, "[data-insert='-']")
            page.execute_cdp_cmd("Input.insertText", {"text": answer[1]})
            tap(page, "#console-line [type=submit]")
        state, written = wait_page(page, lambda s, t: not s["dialog"], "the picture")
        golden = (GOLDEN / "pose.txt").read_text(encoding="utf-8")[:-1]  # less its last key's echo
        assert (written[:-1], written[-1], state["x0"], state["y0"]) == (golden, " ", 0.5, -1)
        assert page.execute_script(IN_VIEW, page.find_element("id", "picture")) and page.execute_script(NO_SIDEWAYS)
        key = lambda k: tap(page, f"#picture-keys button[data-code='{ord(k)}']")  # noqa: E731
        for n in (1, 2, 3):  # 2 records a key
            key("s")
            wait_page(page, lambda s, t: anim(s) == (2 * n, 2 * n, 0), f"step {n}")
        for k, *view in (v for v in VIEW_KEYS if v[0] != "q"):
            key(k)
            wait_page(page, lambda s, t: [s[n] for n in VIEW] == pytest.approx(view), k)
        key("3")
        wait_page(page, lambda s, t: (s["agvType"], *anim(s)) == (3, 0, 0, 0), "mechanism 3")
        tap(page, "#picture-keys button[data-code='27']")
        wait_page(page, lambda s, t: s["ended"], "the end")
    finally:
        page.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": False})
        page.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
