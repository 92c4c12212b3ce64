#!/usr/bin/python3
"""The bookkeeper's console in a real browser: Debian's chromium, headless, driven through
selenium against `ztl qbwc service` in a world of its own (HOME and the XDG folders in a
temporary folder). Each step is a small function that checks one page and names it; every
page it names is kept as a screenshot of the whole page as a 1366x768 window and a phone's
lay it out. The world has one store whose runs of ztl post, as its timer starts them, against
a simulated company left two days pending, the first held by an entry QuickBooks refused: the
nights' pages show them, and one is dropped.

    browser_test.py --ztl PATH --qbsim PATH --out DIR

Exits 0 when every step passed, 1 otherwise (the step and why on standard error)."""

import argparse
import hashlib
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


# The store of the nights: its totals file as the timer names it, relative to the world's folder.
TOTALS = "12X390.QB"


class World:
    """HOME and the XDG folders of one run, the ztl it runs, and the service it started."""

    def __init__(self, ztl, qbsim, root):
        self.ztl = ztl
        self.qbsim = qbsim
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

    def run(self, *args, stdin="", program=None, quickbooks=None, status=0):
        """ztl (or `program`) with these arguments; `quickbooks` a company file the programs
        post into; raises unless it ends with `status`."""
        env = dict(self.env)
        if quickbooks:
            env["ZENTREL_QUICKBOOKS"] = "sim:" + str(self.root / quickbooks)
        program = program or self.ztl
        done = subprocess.run([program, *args], input=stdin, capture_output=True, text=True, env=env,
                              cwd=self.root, timeout=60)
        if done.returncode != status:
            raise StepFailed(f"{Path(program).name} {' '.join(args)} ended with {done.returncode}, not {status}: "
                             f"{done.stderr.strip()}")
        return done.stdout

    def post_nights(self):
        """Store 12's nights, as its timer runs ztl post against a simulated company: on
        04/01/25 QuickBooks refuses 101004 (an account the company has not set up), so the day
        is held; 04/02/25 waits behind it. Both stay pending."""
        self.run("new", "shop.qbw", "--sample", program=self.qbsim)
        self.run("settings", "set", "ARImportAccount", "Walk-in Customer", quickbooks="shop.qbw")
        for name, value in (("MailCommand", f"cat >> '{self.root / 'mail.txt'}'"), ("MailTo", "books@example.org"),
                            ("MailFrom", "zentrel@store12.example.org"), ("SettleSeconds", "0")):
            self.run("post", "set", name, value)
        (self.root / TOTALS).write_bytes(sale("101001", "04/01/25", "5.00") +
                                         sale("101004", "04/01/25", "9.00", credit="9999"))
        self.run("post", "--first-run", TOTALS, quickbooks="shop.qbw", status=1)
        (self.root / TOTALS).write_bytes(sale("101005", "04/02/25", "3.00"))
        self.run("post", TOTALS, quickbooks="shop.qbw", status=1)

    def state(self, *parts):
        return Path(self.env["XDG_STATE_HOME"], "zentrel", *parts)

    def kept_log(self, run_id, number=1):
        """The copy of a run's day log the run record keeps."""
        key = hashlib.sha256(TOTALS.encode()).hexdigest()[:12]
        return self.state("runs", key, f"{run_id} {number}.log").read_bytes()

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


def sale(reference, date, amount, credit="4000"):
    """One transaction of the totals file: `amount` from the till (1000) to `credit`."""
    return (f"Q\r\nH  {reference:<8} {date:<8}\r\n"
            f"D {'1000':<7} {amount:>12} {'0.00':>12}\r\n"
            f"D {credit:<7} {'0':>12} {'-' + amount:>12}\r\nTRT    1\r\n").encode("ascii")


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

    def downloaded(self, name):
        """The bytes of the file the browser saved as `name`, once it has saved it whole."""
        target = self.downloads / name
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and not (target.exists() and not list(self.downloads.glob("*.crdownload"))):
            time.sleep(0.2)
        check(target.exists(), f"{name} was downloaded into {self.downloads}")
        return target.read_bytes()

    def run_id(self):
        """The run the page shown is of, from its address (.../runs/<id>[/log/<n>])."""
        return self.driver.current_url.split("/runs/")[1].split("/")[0]


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
    return None  # the Web Connector page's screenshot is of the whole page, the table with it


def qwc_download(v):
    v.open("/console/web-connector")
    v.driver.find_element("link text", "Zentrel.qwc").click()
    written = (v.world.root / "Zentrel.qwc").read_bytes()
    check(v.downloaded("Zentrel.qwc") == written, "the download is byte for byte the file ztl qbwc file wrote")
    return None


# ---- the nights: store 12's two pending days (World.post_nights) ----

def stores_page(v):
    v.click("link text", "Stores")
    check(v.heading() == "Stores", "the navigation leads to the stores")
    rows = [r.text for r in v.driver.find_elements("css selector", "table.list tbody tr")]
    check(len(rows) == 1 and rows[0].startswith("Store 12"), f"the one store is listed: {rows}")
    cells = v.driver.find_elements("css selector", "table.list tbody tr td")
    check(cells[0].text == TOTALS + " (not there now)" and cells[1].text.endswith("shop.qbw"),
          "the store's totals file and company: " + rows[0])
    check(cells[2].text == "2", "the store's two pending days are counted: " + rows[0])
    check("the bookkeeper is needed" in cells[3].text and "(2 days pending)" in cells[3].text,
          "the last run and what it said: " + cells[3].text)
    return "stores"


def store_page(v):
    v.click("link text", "Store 12")
    check(v.heading() == "Store 12", "the store's own page: " + v.heading())
    held = v.driver.find_element("css selector", "section[aria-label='Pending day 2025-04-01']").text
    for wanted in ("QuickBooks refused", "101004", "QuickBooks status 3140", '"9999"',
                   "Add it in QuickBooks under exactly the name or number the message quotes"):
        check(wanted in held, f"the held day shows {wanted}: {held}")
    behind = v.driver.find_element("css selector", "section[aria-label='Pending day 2025-04-02']").text
    check("Why it is held: an earlier day is still pending" in behind,
          "the later day says it waits behind the held one: " + behind)
    return "store"


def run_page(v):
    v.click("xpath", "//section[@aria-label='Pending day 2025-04-01']//a[starts-with(text(), 'the run of')]")
    check(v.heading().startswith("The run of "), "the held day names its run: " + v.heading())
    said = v.text()
    for wanted in ("04/01/25: 0 posted, 1 refused (101004), 1 already in QuickBooks; 04/02/25: nothing posted",
                   "Exit status 1, the bookkeeper is needed", "Message to the bookkeeper sent",
                   "Pending days left 2025-04-01 2025-04-02", "QuickBooks status 3140", "2025-04-01 12QBImport.log"):
        check(wanted in said, f"the run's page shows {wanted!r}: {said[:600]}")
    return "run"


def log_page(v):
    run_id = v.run_id()
    v.click("link text", "2025-04-01 12QBImport.log")
    check(v.heading() == "2025-04-01 12QBImport.log", "the run's day log has a page: " + v.heading())
    shown = v.driver.find_element("css selector", "pre.log").get_attribute("textContent")
    kept = v.world.kept_log(run_id).decode("cp1252").replace("\r\n", "\n").lstrip("\n")
    check("101004" in kept and shown == kept, "the page shows the whole log as the run kept it")
    # What the browser's Print prints: the log alone, without the console's header and links.
    check(v.driver.find_element("tag name", "header").is_displayed(), "the header shows on the screen")
    v.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
    try:
        check(not v.driver.find_element("tag name", "header").is_displayed(), "the header is not printed")
        check(not v.driver.find_element("css selector", "p.noprint").is_displayed(), "the links are not printed")
        check(v.driver.find_element("css selector", "pre.log").is_displayed(), "the log is printed")
    finally:
        v.driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})
    return "log"


def log_download(v):
    run_id = v.run_id()
    v.driver.find_element("link text", "Download 2025-04-01 12QBImport.log").click()
    check(v.downloaded("2025-04-01 12QBImport.log") == v.world.kept_log(run_id),
          "the downloaded log is byte for byte the run's copy")
    return None


def drop_confirmation(v):
    v.open("/console/stores")
    v.click("link text", "Store 12")
    v.click("xpath", "//section[@aria-label='Pending day 2025-04-01']//a[text()='Drop…']")
    check(v.heading() == "Drop the pending day 2025-04-01 of Store 12", "dropping asks first: " + v.heading())
    check("2025-04-01 12X390.QB" in v.text(), "the confirmation names the day's copy")
    check((v.world.root / "pending" / "2025-04-01 12X390.QB").exists(), "nothing is dropped before the confirmation")
    return "drop"


def dropped(v):
    v.click("xpath", "//button[text()='Drop the day']")
    status = v.driver.find_element("css selector", "p.fine").text
    check(status.startswith("2025-04-01 12X390.QB is out of the queue, kept as "), "the drop is told: " + status)
    archive = Path(status.split("kept as ", 1)[1].split(". No unattended run", 1)[0])
    check(archive.exists() and b"101004" in archive.read_bytes(), f"the dropped day is archived as {archive}")
    check(not (v.world.root / "pending" / "2025-04-01 12X390.QB").exists(), "the day left the queue")
    noted = v.world.state("ztloperation.log").read_text(errors="replace")
    check("pending day 2025-04-01 dropped from the console (browser at 127.0.0.1" in noted,
          "the operation log has the drop: " + noted[-600:])
    return "dropped"


def store_after_drop(v):
    v.click("link text", "Back to the store")
    pending = [e.get_attribute("aria-label") for e in v.driver.find_elements("css selector", "section")]
    check(pending == ["Pending day 2025-04-02"], f"the store page has the later day only: {pending}")
    return "store-after-drop"


def undo_list(v):
    v.click("link text", "Undo a run…")
    check(v.heading() == "Undo a run of Store 12", "the store's runs to undo: " + v.heading())
    # The dropped day's logs stay beside the totals file's own: its first run posted 101001.
    rows = [[c.text for c in r.find_elements("tag name", "td")]
            for r in v.driver.find_elements("css selector", "tbody tr")]
    check(sorted((r[0], r[2]) for r in rows) == [("12QBImport.log.1", "1"), ("12QBImport.log.2", "0")],
          f"the store's runs are listed with the entries each posted: {rows}")
    return "undo"


def signed_out(v):
    v.open("/console/")
    v.click("xpath", "//button[text()='Sign out']")
    check(v.heading() == "Sign in", "signing out shows the sign-in form")
    v.open("/console/web-connector")
    check(v.heading() == "Sign in", "after sign-out the pages need a sign-in again")
    return "signed-out"


# Each step runs after the one before it, in this browser session.
STEPS = [sign_in_page, wrong_password, signed_in, status_page, web_connector_page, failure_table, qwc_download,
         stores_page, store_page, run_page, log_page, log_download, drop_confirmation, dropped,
         store_after_drop, undo_list, signed_out]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ztl", required=True)
    parser.add_argument("--qbsim", required=True, help="the simulated company the nights post into")
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
    world = World(os.path.abspath(args.ztl), os.path.abspath(args.qbsim), root)
    driver = None
    failed = None
    try:
        world.post_nights()
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
