# The page's accessibility in headless Chromium: axe-core (a test dependency from npm, pinned by
# scripts/install-deps.sh into tests/node_modules, injected here, never part of the page) finds no
# violation of the WCAG 2.0 A and AA and 2.1 AA rules in each state a student meets; and a journey
# with keys only, from the page's start to an exported CSV. Environment (set by CTest): AGV_PAGE_DIR,
# GOLDEN_DIR; AXE_JS, axe.min.js (tests/node_modules by default). Every wait is bounded.
import os
from pathlib import Path

import pytest
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select
from selenium.webdriver.support.wait import WebDriverWait

from test_page import DEFAULTS, LIMIT, browser, replay, server, wait_page  # noqa: F401 (fixtures)

AXE = Path(os.environ.get("AXE_JS", Path(__file__).parent / "node_modules" / "axe-core" / "axe.min.js"))
TAGS = ["wcag2a", "wcag2aa", "wcag21aa"]
MOST_TABS = 60  # Tab presses to reach any control of a tab's view
TS_DEFAULT, TS_RANGE = 0.2, 100  # [s] the Lab's Ts at the start; the Ts slider's max / min (0.01 to 1 s)
RUN_AXE = """axe.run(document, {runOnly: {type: 'tag', values: arguments[0]}, resultTypes: ['violations']})
.then((r) => arguments[1](r.violations.map((v) => [v.id, v.help, v.nodes.map((n) => n.target.join(' '))])),
      (e) => arguments[1]([['axe failed', String(e), []]]));"""
HOOK_DOWNLOADS = """window.downloads = []; const made = URL.createObjectURL;
URL.createObjectURL = (blob) => { window.downloads.push(blob.type); return made(blob); };"""


def violations(d):  # axe-core's findings in the page as it is now: (rule, what it asks, elements)
    if not AXE.is_file():
        pytest.fail(f"no axe-core at {AXE}: run scripts/install-deps.sh")
    d.execute_script("window.axe || eval(arguments[0])", AXE.read_text(encoding="utf-8"))
    return d.execute_async_script(RUN_AXE, TAGS)


def press(d, *keys): ActionChains(d).send_keys(*keys).perform()
def ready(d): d.execute_async_script("agvsim.lab.ready().then(arguments[0])")
def lab(d, what): return d.execute_script("return agvsim.lab.results()." + what)
def until(d, ready, what): WebDriverWait(d, LIMIT, 0.02).until(ready, what)


def tab_to(d, css):  # Tab, or Shift+Tab where the element comes earlier in the page, until it has the focus
    for _ in range(MOST_TABS):
        ahead = d.execute_script("const e = document.querySelector(arguments[0]), a = document.activeElement;"
                                 "return e === a ? null : !!(a.compareDocumentPosition(e) & 4)", css)  # 4: following
        if ahead is None:
            return
        chain = ActionChains(d)
        (chain.send_keys(Keys.TAB) if ahead else chain.key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(Keys.SHIFT)).perform()
    pytest.fail(f"{css} not reached with the Tab key")


def pressed(d, *keys): press(d, *keys) or ready(d)  # and the Lab redrawn


def open_page(d, url, fragment=""):  # from a web server: axe-core reads the style sheets, as file:// forbids
    d.set_script_timeout(LIMIT)
    d.get("about:blank")
    d.get(url + fragment)
    wait_page(d, lambda s, t: s["input"] == "key", "the first question")
    fragment and ready(d)


def help_open(d):  # the help dialog, opened with "?" from the Lab's picture
    d.execute_script("document.getElementById('lab-picture').focus()")
    press(d, "?")
    until(d, lambda d: d.execute_script("return [...document.querySelectorAll('dialog, [role=dialog]')]"
                                        ".some((e) => e.checkVisibility())"), "the help dialog")


# A state of the page: the fragment it opens with, and what is done there
STATES = [("program-dialog", "", None), ("program-picture", "", lambda d: replay(d, "", DEFAULTS)),
          ("lab-en", "#lab", lambda d: Select(d.find_element("id", "lab-language")).select_by_value("en")),
          ("lab-ja", "#lab", lambda d: Select(d.find_element("id", "lab-language")).select_by_value("ja")),
          ("lab-poles", "#lab&panel=poles", lambda d: None), ("lab-frequency", "#lab&panel=frequency", lambda d: None),
          ("lab-kept", "#lab", lambda d: d.find_element("id", "lab-keep").click() or ready(d)), ("help", "#lab", help_open)]


@pytest.mark.parametrize("fragment, act", [s[1:] for s in STATES], ids=[s[0] for s in STATES])
def test_no_axe_violations(browser, server, fragment, act):  # noqa: F811
    open_page(browser, server, fragment)
    act and act(browser)
    found = violations(browser)
    assert found == [], "\n".join(f"{rule}: {help}: {', '.join(targets)}" for rule, help, targets in found)


def test_keyboard_only_journey(browser, server):  # noqa: F811
    open_page(browser, server)
    browser.execute_script(HOOK_DOWNLOADS)
    tab_to(browser, "#console")
    replay(browser, "", DEFAULTS)  # each answer typed where the focus is: the console, then the picture
    assert browser.execute_script("return document.activeElement.id") == "picture"
    press(browser, "sss")  # 2 records a step
    wait_page(browser, lambda s, t: s["animIndexPC"] == 6, "three steps")
    tab_to(browser, "[role=tab][aria-selected=true]")
    pressed(browser, Keys.ARROW_RIGHT)  # the tab list: the next tab, the Lab
    assert browser.find_element("id", "lab-view").is_displayed()
    tab_to(browser, "#lab-slider-Ts")
    pressed(browser, Keys.ARROW_RIGHT)  # one step up the logarithmic scale, well under a tenth of it
    assert TS_DEFAULT < lab(browser, "design.Ts") < TS_DEFAULT * TS_RANGE ** 0.1
    tab_to(browser, "#lab-keep")
    pressed(browser, Keys.ENTER)
    assert lab(browser, "kept.length") == 1
    ActionChains(browser).key_down(Keys.ALT).send_keys("r").key_up(Keys.ALT).perform()  # reset all
    ready(browser)
    assert lab(browser, "design.Ts") == TS_DEFAULT
    tab_to(browser, "#lab-csv")
    pressed(browser, Keys.ENTER)
    until(browser, lambda d: d.execute_script("return downloads") == ["text/csv"], "the CSV asked for")
    assert [e for e in browser.get_log("browser") if e["level"] == "SEVERE" or "rror" in e["message"]] == []
