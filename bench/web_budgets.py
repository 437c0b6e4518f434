#!/usr/bin/python3
"""The web page's budgets, measured on this machine: what the site weighs, what a phone fetches
and how soon it shows the start-up box on a phone's network and CPU, how soon the installed copy
shows it offline, and the CPU the page takes while the clock runs beside the desktop window's.

Usage: bench/web_budgets.py build-web/site build/qt/kazuroi [SECONDS]
Needs headless Chromium with Selenium (./dev web-test installs them) and Xvfb, openbox, xdotool.

The site is served as a static host serves it (tests/web/static_host.py: gzip, connections kept
open). The phone: a 390 x 844 touch screen, the CPU four times slower, 150 ms round trips,
1.6 Mbit/s down and 0.75 up, as Lighthouse's mobile profile has it; every cold start from a new
origin, so that no cache or service worker helps it. CPU is the time every thread ran, to the
nanosecond (/proc/PID/task/TID/schedstat; the clock-tick counts of /proc/PID/stat miss most of
the short bursts a timer brings), over the same seconds of Stage 3 with the clock draining: for
the page, of the processes that run and draw it; for the desktop, of the game and of the X
server that draws it.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from static_host import Host  # noqa: E402

SITE, GAME = sys.argv[1], sys.argv[2]
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 10
COLD = 5  # cold starts, each from a new origin

# When the first box opens, in ms from navigation, and what came over the wire before it.
FIRST_BOX = """
new MutationObserver((changes, observer) => {
  if (!document.querySelector("dialog[open]")) return;
  window.firstBoxShown = performance.now();
  observer.disconnect();
}).observe(document, { subtree: true, childList: true, attributes: true, attributeFilter: ["open"] });
"""
WIRE_BEFORE_BOX = """
const at = window.firstBoxShown;
const entries = [...performance.getEntriesByType("navigation"), ...performance.getEntriesByType("resource")];
return entries.filter((e) => e.responseEnd <= at).map((e) => [e.name.split("/").pop() || "/", e.transferSize]);
"""


def browser():
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1000,800",
                 "--no-first-run", "--disable-background-networking", "--disable-sync",
                 "--disable-component-update"]:
        options.add_argument(flag)
    service = Service("/usr/bin/chromedriver")
    return webdriver.Chrome(service=service, options=options), service


def phone(driver, offline=False):
    cdp = driver.execute_cdp_cmd
    cdp("Emulation.setDeviceMetricsOverride", {"width": 390, "height": 844, "deviceScaleFactor": 3, "mobile": True})
    cdp("Emulation.setTouchEmulationEnabled", {"enabled": True})
    cdp("Emulation.setCPUThrottlingRate", {"rate": 4})
    cdp("Network.enable", {})
    cdp("Network.emulateNetworkConditions", {"offline": offline, "latency": 150,
                                             "downloadThroughput": 1.6e6 / 8 * 0.9,
                                             "uploadThroughput": 750e3 / 8 * 0.9})


def first_box(driver, url):
    driver.get("about:blank")
    driver.get(url)
    for _ in range(1000):
        at = driver.execute_script("return window.firstBoxShown;")
        if at is not None:
            return at
        time.sleep(0.01)
    raise RuntimeError(f"no start-up box from {url}")


def phone_budgets():
    driver, _ = browser()
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": FIRST_BOX})
    phone(driver)
    cold, wire = [], None
    try:
        for _ in range(COLD):
            host = Host(SITE)  # a new origin: nothing cached, no service worker
            cold.append(first_box(driver, host.url))
            wire = wire or driver.execute_script(WIRE_BEFORE_BOX)
            if len(cold) < COLD:
                host.stop()
        # The copy the service worker keeps, opened with the network gone.
        driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
        driver.execute_async_script("const done = arguments[arguments.length - 1];"
                                    "navigator.serviceWorker.ready.then(() => done());")
        for _ in range(100):
            if driver.execute_script("return !!navigator.serviceWorker.controller;"):
                break
            time.sleep(0.05)
        url = host.url
        host.stop()
        phone(driver, offline=True)
        offline = [first_box(driver, url) for _ in range(5)]
    finally:
        driver.quit()
    return statistics.median(cold), cold, wire, statistics.median(offline), offline


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            for thread in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{thread}/schedstat") as f:
                    total += int(f.read().split()[0])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total / 1e9


def kind(pid):
    """A Chromium process's --type, or "" for the browser process itself."""
    try:
        with open(f"/proc/{pid}/cmdline") as f:
            args = f.read().replace("\0", " ").split()  # Chromium rewrites its command line
    except FileNotFoundError:
        return ""
    return next((a[len("--type="):] for a in args if a.startswith("--type=")), "")


def descendants(root):
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(entry))
            except (FileNotFoundError, ProcessLookupError):
                pass
    found, todo = [], [root]
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def page_cpu():
    host = Host(SITE)
    driver, service = browser()
    try:
        driver.get(host.url)
        for _ in range(200):
            buttons = driver.find_elements(By.CSS_SELECTOR, "dialog button")
            if buttons:
                break
            time.sleep(0.05)
        for button in buttons:
            if button.text == "いいえ":
                button.click()
                break
        time.sleep(1)
        pids = descendants(service.process.pid)
        drawing = [p for p in pids if kind(p) in ("renderer", "gpu-process")]
        before, before_all = cpu_seconds(drawing), cpu_seconds(pids)
        time.sleep(SECONDS)
        used, used_all = cpu_seconds(drawing) - before, cpu_seconds(pids) - before_all
    finally:
        driver.quit()
        host.stop()
    return used / SECONDS, used_all / SECONDS


def desktop_cpu():
    work = tempfile.mkdtemp()
    display_file = os.path.join(work, "display")
    with open(display_file, "w") as out:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                pass_fds=(3,) if os.dup2(out.fileno(), 3) == 3 else (), stderr=subprocess.DEVNULL)
    for _ in range(100):
        if os.path.getsize(display_file):
            break
        time.sleep(0.05)
    env = dict(os.environ, DISPLAY=":" + open(display_file).read().strip(), XDG_CONFIG_HOME=work,
               QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8")
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    game = subprocess.Popen([GAME], env=env, stderr=subprocess.DEVNULL)
    try:
        subprocess.run(["xdotool", "search", "--sync", "--all", "--onlyvisible", "--pid", str(game.pid),
                        "--name", "^かずろい$", "windowactivate", "--sync", "key", "Tab", "space"],
                       env=env, check=True, stdout=subprocess.DEVNULL)
        time.sleep(1)
        before_game, before_x = cpu_seconds([game.pid]), cpu_seconds([xvfb.pid])
        time.sleep(SECONDS)
        used_game = cpu_seconds([game.pid]) - before_game
        used_x = cpu_seconds([xvfb.pid]) - before_x
    finally:
        for process in (game, wm, xvfb):
            process.kill()
    return used_game / SECONDS, used_x / SECONDS


def main():
    print("The site on disk:")
    total = 0
    for name in sorted(os.listdir(SITE)):
        size = os.path.getsize(os.path.join(SITE, name))
        total += size
        print(f"  {name:26} {size / 1024:7.1f} KiB")
    print(f"  {'in all':26} {total / 1024:7.1f} KiB ({total / 1000:.0f} KB; budget 400 KB)")
    cold, colds, wire, offline, offlines = phone_budgets()
    print("On the wire before the first box (gzip, headers included):")
    for name, size in wire:
        print(f"  {name:26} {size / 1000:7.1f} KB")
    print(f"  {'in all':26} {sum(s for _, s in wire) / 1000:7.1f} KB (budget 160 KB)")
    print(f"First box on a phone, cold: {cold:.0f} ms after navigation (median of {COLD}: "
          f"{', '.join(f'{t:.0f}' for t in colds)}; budget 1000 ms)")
    print(f"First box on a phone, offline from the installed copy: {offline:.0f} ms (median of 5: "
          f"{', '.join(f'{t:.0f}' for t in offlines)}; budget 400 ms)")
    page, browser_all = page_cpu()
    game, x = desktop_cpu()
    print(f"CPU while the clock runs (Stage 3, {SECONDS:.0f} s): page {100 * page:.2f} % of a core"
          f" (the whole browser {100 * browser_all:.2f} %); desktop game {100 * game:.2f} %,"
          f" with its X server {100 * (game + x):.2f} %")
    print(f"page / desktop with its X server: {page / max(game + x, 1e-9):.2f} x (budget 1.5 x)")


if __name__ == "__main__":
    main()
