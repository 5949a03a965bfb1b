#!/usr/bin/python3
"""Takes the README's pictures of the page (docs/page.png, docs/lab.png) in headless Chromium.

Opens build-web/web/index.html from disk, answers the start-up dialog with
the defaults, steps the vehicles ten times on the canvas and saves the page;
then opens the Lab at a scenario on the circle (Ts = 0.155 s, 1RDW1FS, whose
loop is unstable there although the report calls it stable), moves its time
slider to 8 s and saves the page again.
Needs the page built (cmake --preset web && cmake --build --preset web) and
Debian's chromium, chromium-driver, python3-selenium and a Japanese font
(fonts-ipafont-gothic), which scripts/install-deps.sh installs.

    scripts/page_screenshot.py [PROGRAM.png [LAB.png]]
"""

import sys
import tempfile
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains

ROOT = Path(__file__).resolve().parent.parent
PAGE = ROOT / "build-web" / "web" / "index.html"
LIMIT = 20.0  # [s] for each wait
LAB = "#lab&path=circle&fn=0.3&zeta=0.707&Ts=0.155&x=1&y=0&th=90&mech=3"
LAB_TIME = 8.0  # [s] where the Lab's time slider is put


def wait_for(driver, script):
    end = time.monotonic() + LIMIT
    while not driver.execute_script(script):
        if time.monotonic() > end:
            raise TimeoutError(script)
        time.sleep(0.02)


def main():
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "docs" / "page.png"
    lab_output = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "docs" / "lab.png"
    if not PAGE.exists():
        sys.exit(f"no page at {PAGE}: build it first (cmake --preset web && cmake --build --preset web)")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 "--force-device-scale-factor=1", "--window-size=1300,1100",
                 f"--user-data-dir={tempfile.mkdtemp(prefix='agvsim-chromium-')}"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.get(PAGE.as_uri())
        for key in "0nnnxq":  # the path, no new fn, Ts or pose, compute, the picture
            wait_for(driver, "const s = agvsim.state(); return s !== null && s.input === 'key'")
            ActionChains(driver).send_keys(key).perform()
        wait_for(driver, "return !agvsim.state().dialog")
        ActionChains(driver).send_keys("s" * 10).perform()
        wait_for(driver, "return agvsim.state().animIndexPC === 20")
        driver.save_screenshot(str(output))
        driver.set_window_size(1300, 1600)
        driver.get(PAGE.as_uri() + LAB)
        driver.execute_async_script("agvsim.lab.ready().then(arguments[0])")
        driver.execute_script("const t = document.getElementById('lab-time'); t.value = arguments[0];"
                              "t.dispatchEvent(new Event('input'));", LAB_TIME)
        wait_for(driver, "return !document.getElementById('lab-figures').textContent.includes('…')")
        driver.save_screenshot(str(lab_output))
    finally:
        driver.quit()
    print(f"wrote {output} and {lab_output}")


if __name__ == "__main__":
    main()
