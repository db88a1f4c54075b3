#!/usr/bin/env python3
"""The operator's page in a real browser: headless Chromium, driven through WebDriver, against a
real zrv2server with simulated workstations. It signs in, sees the tiles, follows a ticket's
credit counting down, sends a message that reaches a workstation, sells a ticket at the till and
sees it in the balance, and signs out.

Usage: dashboard_test.py --server ZRV2SERVER --stations ZRVSTATIONS [--screenshot FILE]
With --screenshot it also saves the workstation view with a few workstations there.
Exits 77 (skipped) when Chromium, its driver or Selenium is missing."""

import argparse
import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"
TIMEOUT = 15


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium is not installed (scripts/bootstrap installs it)")


class Lines:
    """The lines a process prints, read as they come."""

    def __init__(self, process):
        self.process = process
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))

    def wait(self, pattern, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        for line in self.seen:
            match = re.search(pattern, line)
            if match:
                return match
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                break
            self.seen.append(line)
            match = re.search(pattern, line)
            if match:
                return match
        raise AssertionError("no line matching %r; got %r" % (pattern, self.seen))


def run(server, args, env):
    return subprocess.run([server] + args, env=env, check=True, capture_output=True, text=True).stdout.strip()


def seconds(text):
    h, m, s = (int(part) for part in text.split(":"))
    return h * 3600 + m * 60 + s


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--stations", required=True)
    parser.add_argument("--screenshot")
    options = parser.parse_args()
    if not os.path.exists(CHROMIUM) or not os.path.exists(DRIVER):
        skip("chromium or chromium-driver is not installed (scripts/bootstrap installs them)")

    work = tempfile.TemporaryDirectory()
    env = dict(os.environ, ZRV_DATA_DIR=work.name, ZRV_REGISTRY_DIR=os.path.join(work.name, "settings"))
    database = os.path.join(work.name, "cafe.db")
    base = ["--database", database]
    run(options.server, ["group", "create", "Gerance"] + base + sum(
        (["--right", r] for r in ["urOpenServer", "urSellsView", "urGenerateTickets", "urCreateAccounts",
                                  "urStopSession", "urCloseClientConnection", "urShutdownClientModule",
                                  "urRebootWorkstation", "urShutdownWorkStation", "urSeeClientApplications"]), []),
        env)
    run(options.server, ["account", "create", "gerant", "--password", "secret", "--group", "Gerance"] + base, env)
    names = ["PC01", "PC02", "PC03", "PC04"] if options.screenshot else ["PC01", "PC02"]
    logins = run(options.server, ["ticket", "generate", "--owner", "gerant", "--credit", "3600", "--sold",
                                  "--count", "2"] + base, env).split()
    for_sale = run(options.server, ["ticket", "generate", "--owner", "gerant", "--credit", "3600", "--cost", "500"]
                   + base, env)

    serve = subprocess.Popen([options.server, "serve", "--port", "0", "--discovery-port", "0", "--http",
                              "127.0.0.1:0", "--log", os.path.join(work.name, "server.lgf")] + base,
                             env=env, stdout=subprocess.PIPE, text=True)
    stations = None
    browser = None
    try:
        served = Lines(serve)
        port = served.wait(r"on port (\d+) ").group(1)
        url = served.wait(r"dashboard on (http://\S+)").group(1)
        stations = subprocess.Popen([options.stations, port] + names, env=env, stdin=subprocess.PIPE,
                                    stdout=subprocess.PIPE, text=True)
        events = Lines(stations)
        for name in names:
            events.wait("ready " + name)

        chrome = webdriver.ChromeOptions()
        chrome.binary_location = CHROMIUM
        for flag in ["--headless=new", "--disable-gpu", "--disable-dev-shm-usage", "--window-size=1280,860",
                     "--lang=fr-FR"]:
            chrome.add_argument(flag)
        if os.geteuid() == 0:
            chrome.add_argument("--no-sandbox")
        browser = webdriver.Chrome(service=Service(DRIVER), options=chrome)
        browser.set_page_load_timeout(TIMEOUT)
        wait = WebDriverWait(browser, TIMEOUT)
        find = browser.find_element

        # Sign in and see every workstation.
        browser.get(url)
        wait.until(lambda b: find(By.ID, "signin-name").is_displayed())
        find(By.ID, "signin-name").send_keys("gerant")
        find(By.ID, "signin-password").send_keys("wrong")
        find(By.ID, "signin-submit").click()
        wait.until(lambda b: find(By.ID, "signin-error").text == "Nom ou mot de passe incorrect")
        find(By.ID, "signin-password").clear()
        find(By.ID, "signin-password").send_keys("secret")
        find(By.ID, "signin-submit").click()
        wait.until(lambda b: find(By.ID, "user-name").text == "gerant")
        wait.until(lambda b: len(b.find_elements(By.CSS_SELECTOR, ".tile")) == len(names))
        tile_names = [t.text for t in browser.find_elements(By.CSS_SELECTOR, ".tile .name")]
        assert tile_names == names, tile_names

        # A customer logs in with a ticket: the tile shows his credit counting down.
        stations.stdin.write("login PC01 %s\n" % logins[0])
        stations.stdin.flush()
        events.wait("open PC01")
        credit = lambda: find(By.CSS_SELECTOR, '.tile[data-slot="1"] .credit').text
        wait.until(lambda b: find(By.CSS_SELECTOR, '.tile[data-slot="1"]').get_attribute("class") == "tile in-session")
        assert logins[0] in find(By.CSS_SELECTOR, '.tile[data-slot="1"] .customer').text
        first = seconds(credit())
        assert 3500 < first <= 3600, first
        wait.until(lambda b: seconds(credit()) <= first - 2)

        # A message sent from the page reaches the workstation.
        find(By.CSS_SELECTOR, '.tile[data-slot="2"] button[data-command="message"]').click()
        wait.until(lambda b: find(By.ID, "message-text").is_displayed())
        find(By.ID, "message-text").send_keys("Bonjour du comptoir")
        find(By.ID, "message-send").click()
        events.wait("message PC02 Bonjour du comptoir")

        if options.screenshot:
            stations.stdin.write("login PC03 %s\n" % logins[1])
            stations.stdin.flush()
            events.wait("open PC03")
            wait.until(lambda b: find(By.CSS_SELECTOR, '.tile[data-slot="3"]').get_attribute("class")
                       == "tile in-session")
            time.sleep(1.5)  # the counters move on once more
            browser.save_screenshot(options.screenshot)

        # A ticket sold at the till appears in its balance.
        find(By.CSS_SELECTOR, '#tabs button[data-tab="caisse"]').click()
        wait.until(lambda b: find(By.ID, "till-open").is_displayed())
        find(By.ID, "till-open").click()
        wait.until(lambda b: find(By.ID, "till-ticket-code").is_displayed())
        assert find(By.ID, "till-balance").text == "0 F"
        find(By.ID, "till-ticket-code").send_keys(for_sale)
        find(By.ID, "till-sell-ticket").click()
        wait.until(lambda b: find(By.ID, "till-balance").text == "500 F")
        wait.until(lambda b: len(b.find_elements(By.CSS_SELECTOR, "#operations tr")) == 1)
        assert "500 F" in find(By.ID, "operations").text

        # Signing out ends the session, even for a reloaded page.
        find(By.ID, "signout").click()
        wait.until(lambda b: find(By.ID, "signin-name").is_displayed())
        browser.refresh()
        wait.until(lambda b: find(By.ID, "signin-name").is_displayed())
        assert not find(By.ID, "tabs").is_displayed()
        print("dashboard_test: every step passed")
        return 0
    finally:
        if browser:
            browser.quit()
        for process in (stations, serve):
            if process:
                process.terminate()
                process.wait(timeout=10)


if __name__ == "__main__":
    sys.exit(main())
