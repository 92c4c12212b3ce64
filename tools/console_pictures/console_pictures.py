#!/usr/bin/python3
"""Pictures of the bookkeeper's console, as a browser on the bookkeeper's PC shows it: signs
in at BASE (http://127.0.0.1:PORT) with the console's password and saves each page named on
the command line (paths under /console/), the whole page as a 1366x768 window and a phone's
lay it out. NAME=PATH names a picture console-NAME; a bare PATH is named after itself.

    console_pictures.py --base URL --password-file FILE --out DIR [NAME=]PATH...

Debian's chromium, headless, through its chromium-driver and python3-selenium (scripts/setup
installs them). The browser test uses the same browser set-up."""

import argparse
import base64
import sys
import time
from pathlib import Path

DESKTOP = (1366, 768)
PHONE = (390, 844)


def chromium(profile, downloads=None, env=None):
    """A headless chromium that never prompts; downloads land in `downloads` when given."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # As root (CI, the demo on a fresh machine) chromium runs only without its sandbox.
    for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--no-first-run",
                 "--disable-background-networking", "--disable-sync", "--disable-extensions",
                 f"--user-data-dir={profile}", f"--window-size={DESKTOP[0]},{DESKTOP[1]}"):
        options.add_argument(flag)
    if downloads:
        options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                                  "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=env), options=options)
    if downloads:
        driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                               {"behavior": "allow", "downloadPath": str(downloads)})
    return driver


def settled(driver, element):
    """Waits until the page that showed `element` has been replaced: a click or a submit
    returns before the browser has loaded what it leads to."""
    from selenium.common.exceptions import StaleElementReferenceException, WebDriverException
    from selenium.webdriver.support.wait import WebDriverWait

    def replaced(_):
        try:
            element.is_enabled()
            return False
        except StaleElementReferenceException:
            return True
        except WebDriverException as e:
            # Asked about a node while its document is being replaced, chromedriver may answer
            # with this inspector error rather than "stale element": the page has gone all the same.
            if "does not belong to the document" in str(e):
                return True
            raise

    WebDriverWait(driver, 30).until(replaced)


def sign_in(driver, base, password):
    """Types `password` into the sign-in form; the page it leads to. Waits out the pause a
    wrong password before it earned."""
    for _ in range(10):
        driver.get(base + "/console/")
        field = driver.find_element("id", "password")
        field.send_keys(password)
        field.submit()
        settled(driver, field)
        said = driver.find_element("tag name", "body").text
        if "Too many wrong passwords" not in said:
            return said
        time.sleep(1)
    raise RuntimeError("the sign-in stayed paused")


def screenshot(driver, out, name):
    """`name`.png in a 1366x768 window and `name`-phone.png at a phone's size, of the page
    shown: the whole page, below the window's edge too, as the window lays it out."""
    for suffix, (width, height) in (("", DESKTOP), ("-phone", PHONE)):
        driver.set_window_size(width, height)
        tall = driver.execute_script("return document.documentElement.scrollHeight")
        shot = driver.execute_cdp_cmd("Page.captureScreenshot", {
            "captureBeyondViewport": True,
            "clip": {"x": 0, "y": 0, "width": width, "height": max(tall, 1), "scale": 1}})
        (Path(out) / f"{name}{suffix}.png").write_bytes(base64.b64decode(shot["data"]))
    driver.set_window_size(*DESKTOP)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--base", required=True)
    parser.add_argument("--password-file", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--profile", required=True, help="a folder for the browser's profile")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    password = Path(args.password_file).read_text().splitlines()[0]
    Path(args.out).mkdir(parents=True, exist_ok=True)
    driver = chromium(args.profile)
    try:
        sign_in(driver, args.base, password)
        for named in args.paths:
            name, _, path = ("", "", named) if named.startswith("/") else named.partition("=")
            driver.get(args.base + path)
            name = "console-" + (name or path.strip("/").replace("/", "-").replace("console", "", 1).strip("-")
                                 or "status")
            screenshot(driver, args.out, name)
            print(f"{Path(args.out) / name}.png: {path}")
    finally:
        driver.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
