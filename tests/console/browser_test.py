#!/usr/bin/python3
"""The bookkeeper's console in a real browser: Debian's chromium, headless, driven through
selenium against `ztl qbwc service` in a world of its own (HOME and the XDG folders in a
temporary folder). Each step is a small function that checks one page and names it; every
page it names is kept as a screenshot at 1366x768 and at a phone's width.

    browser_test.py --ztl PATH --out DIR

Exits 0 when every step passed, 1 otherwise (the step and why on standard error)."""

import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

# The browser and its screenshots, as the demo takes its pictures of the console; nothing
# compiled is left beside the sources.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools" / "console_pictures"))
from console_pictures import chromium, screenshot, settled, sign_in  # noqa: E402  (imports selenium only when called)

CONSOLE_PASSWORD = "bookkeeper's own pw"
WEB_CONNECTOR_PASSWORD = "web connector pw"


class StepFailed(Exception):
    pass


def check(condition, what):
    if not condition:
        raise StepFailed(what)


class World:
    """HOME and the XDG folders of one run, the ztl it runs, and the service it started."""

    def __init__(self, ztl, root):
        self.ztl = ztl
        self.root = root
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "ZENTREL_"))}
        for name, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_STATE_HOME", "state"),
                          ("XDG_CACHE_HOME", "cache"), ("XDG_DATA_HOME", "data"), ("XDG_RUNTIME_DIR", "run")):
            path = root / sub
            path.mkdir(mode=0o700, parents=True, exist_ok=True)
            self.env[name] = str(path)
        self.port = free_port()
        self.base = f"http://127.0.0.1:{self.port}"
        self.service = None

    def run(self, *args, stdin=""):
        done = subprocess.run([self.ztl, *args], input=stdin, capture_output=True, text=True, env=self.env,
                              cwd=self.root, timeout=60)
        if done.returncode != 0:
            raise StepFailed(f"ztl {' '.join(args)} ended with {done.returncode}: {done.stderr.strip()}")
        return done.stdout

    def start_service(self):
        """The bridge with its console on the loopback, as the demo and the unit start it."""
        self.run("qbwc", "file", "--url", f"http://localhost:{self.port}/qbwc", "--user", "clerk",
                 "--out", str(self.root / "Zentrel.qwc"))
        self.run("qbwc", "set-password", stdin=WEB_CONNECTOR_PASSWORD + "\n")
        self.run("qbwc", "set-console-password", stdin=CONSOLE_PASSWORD + "\n")
        log = open(self.root / "service.log", "w")
        self.service = subprocess.Popen([self.ztl, "qbwc", "service", "--listen", f"127.0.0.1:{self.port}"],
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                        env=self.env, cwd=self.root)
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            check(self.service.poll() is None, "the service ended at its start: " + self.service_log())
            try:
                with urllib.request.urlopen(self.base + "/console/", timeout=5) as answer:
                    if answer.status == 200:
                        return
            except OSError:
                time.sleep(0.2)
        raise StepFailed("the service did not answer within 60 s: " + self.service_log())

    def stop_service(self):
        if self.service is None:
            return None
        self.service.terminate()
        try:
            return self.service.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.service.kill()
            self.service.wait()
            return "killed: it did not stop within 20 s of SIGTERM"

    def service_log(self):
        path = self.root / "service.log"
        return path.read_text(errors="replace")[-2000:] if path.exists() else ""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Visit:
    """What the steps share: the browser, the world, and where downloads land."""

    def __init__(self, driver, world, downloads):
        self.driver = driver
        self.world = world
        self.downloads = downloads

    def open(self, path):
        self.driver.get(self.world.base + path)

    def text(self):
        return self.driver.find_element("tag name", "body").text

    def heading(self):
        return self.driver.find_element("tag name", "h1").text

    def click(self, how, what):
        """Clicks the element and waits for the page it leads to."""
        element = self.driver.find_element(how, what)
        element.click()
        settled(self.driver, element)

    def sign_in_with(self, password):
        return sign_in(self.driver, self.world.base, password)


# ---- the steps: each checks one page and returns its name for the screenshots (or None) ----

def sign_in_page(v):
    v.open("/console/web-connector")
    check(v.heading() == "Sign in", "a page before sign-in shows the sign-in form, not " + v.heading())
    check("0x80040408" not in v.driver.page_source, "nothing of the Web Connector page before sign-in")
    return "sign-in"


def wrong_password(v):
    said = v.sign_in_with(WEB_CONNECTOR_PASSWORD)
    check("Wrong password. The console's password is not the Web Connector's." in said,
          "the Web Connector's password is refused with the message: " + said)
    return "wrong-password"


def signed_in(v):
    said = v.sign_in_with(CONSOLE_PASSWORD)
    check(v.heading() == "Status", "signing in lands on the status page: " + said[:300])
    check("Sign out" in said, "a signed-in page offers Sign out")
    return "status"


def status_page(v):
    v.open("/console/")
    said = v.text()
    check("Last call" in said and f"qbwc:127.0.0.1:{v.world.port}" in said,
          "the status names where the service serves the programs: " + said[:400])
    return None


def web_connector_page(v):
    v.click("link text", "Web Connector")
    check(v.heading() == "The Web Connector", "the navigation leads to the Web Connector page")
    said = v.text()
    for wanted in (f"http://localhost:{v.world.port}/qbwc", "ztl qbwc set-password", "Auto-Run",
                   "Update Selected", "Yes, always allow access even if QuickBooks is not running",
                   "0x80040408", "QBWC1039"):
        check(wanted in said, "the Web Connector page shows " + wanted)
    return "web-connector"


def failure_table(v):
    rows = v.driver.find_elements("css selector", "table.codes tbody tr")
    check(len(rows) >= 10, f"the failure table has its rows ({len(rows)})")
    v.driver.execute_script("document.getElementById('failures').scrollIntoView()")
    return "web-connector-failures"


def qwc_download(v):
    v.open("/console/web-connector")
    v.driver.find_element("link text", "Zentrel.qwc").click()
    target = v.downloads / "Zentrel.qwc"
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and not (target.exists() and not list(v.downloads.glob("*.crdownload"))):
        time.sleep(0.2)
    check(target.exists(), "the .qwc file was downloaded into " + str(v.downloads))
    written = (v.world.root / "Zentrel.qwc").read_bytes()
    check(target.read_bytes() == written, "the download is byte for byte the file ztl qbwc file wrote")
    return None


def signed_out(v):
    v.open("/console/")
    v.click("xpath", "//button[text()='Sign out']")
    check(v.heading() == "Sign in", "signing out shows the sign-in form")
    v.open("/console/web-connector")
    check(v.heading() == "Sign in", "after sign-out the pages need a sign-in again")
    return "signed-out"


# Each step runs after the one before it, in this browser session.
STEPS = [sign_in_page, wrong_password, signed_in, status_page, web_connector_page, failure_table, qwc_download,
         signed_out]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ztl", required=True)
    parser.add_argument("--out", required=True, help="where the screenshots go")
    args = parser.parse_args()
    missing = [p for p in ("/usr/bin/chromium", "/usr/bin/chromedriver") if not os.path.exists(p)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium")
    if missing:
        print("browser_test: missing " + ", ".join(missing) + ": scripts/setup installs chromium, "
              "chromium-driver and python3-selenium", file=sys.stderr)
        return 1
    out = Path(args.out)
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    root = Path(tempfile.mkdtemp(prefix="ztl-browser-"))
    world = World(os.path.abspath(args.ztl), root)
    driver = None
    failed = None
    try:
        world.start_service()
        downloads = root / "downloads"
        downloads.mkdir()
        driver = chromium(root / "chromium", downloads, world.env)
        visit = Visit(driver, world, downloads)
        for number, step in enumerate(STEPS, 1):
            try:
                name = step(visit)
            except StepFailed as e:
                screenshot(driver, out, f"{number:02d}-{step.__name__}-failed")
                raise StepFailed(f"{step.__name__}: {e}")
            if name:
                screenshot(driver, out, f"{number:02d}-{name}")
            print(f"browser_test: {step.__name__} passed")
    except Exception as e:  # any failure still stops the browser and the service below
        failed = f"{type(e).__name__}: {e}"
    finally:
        if driver is not None:
            driver.quit()
        stopped = world.stop_service()
        if stopped not in (None, 0) and failed is None:
            failed = f"the service did not end cleanly ({stopped}): {world.service_log()}"
        if failed is None:
            shutil.rmtree(root, ignore_errors=True)
    if failed:
        print("browser_test: " + failed, file=sys.stderr)
        print(f"browser_test: the world is kept in {root}", file=sys.stderr)
        return 1
    print(f"browser_test: screenshots in {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
