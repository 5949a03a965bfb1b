#!/usr/bin/python3
"""Takes the README's picture of the page (docs/page.png) in headless Chromium.

Opens build-web/web/index.html from disk, answers the start-up dialog with
the defaults, steps the vehicles ten times on the canvas and saves the page.
Needs the page built (cmake --preset web && cmake --build --preset web) and
Debian's chromium, chromium-driver, python3-selenium and a Japanese font
(fonts-ipafont-gothic), which scripts/install-deps.sh installs.

    scripts/page_screenshot.py [OUTPUT.png]
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


def wait_for(driver, script):
    end = time.monotonic() + LIMIT
    while not driver.execute_script(script):
        if time.monotonic() > end:
            raise TimeoutError(script)
        time.sleep(0.02)


def main():
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "docs" / "page.png"
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
    finally:
        driver.quit()
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
