#!/usr/bin/python3
"""The web page's budgets, measured on this machine: what the page loads, how soon its start-up
box shows, and the CPU it takes while the clock runs beside the desktop window's.

Usage: bench/web_budgets.py build-web/site build/qt/kazuroi [SECONDS]
Needs headless Chromium with Selenium (./dev web-test installs them) and Xvfb, openbox, xdotool.

CPU is counted from /proc as user plus system time, over the same number of seconds of Stage 3
with the clock draining, one after the other: for the page, of the processes that run and draw
it (its renderers and the browser's GPU process, which composites its frames), and for the
whole browser besides; for the desktop, of the game and of the X server that draws it.
"""
import functools
import http.server
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

SITE, GAME = sys.argv[1], sys.argv[2]
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 10
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except (FileNotFoundError, ProcessLookupError):
            pass
    return total / TICKS


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


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def page_budgets():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=SITE))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}/"
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1000,800",
                 "--no-first-run", "--disable-background-networking", "--disable-sync",
                 "--disable-component-update"]:
        options.add_argument(flag)
    service = Service("/usr/bin/chromedriver")
    driver = webdriver.Chrome(service=service, options=options)
    try:
        shown = []
        for _ in range(7):
            driver.get("about:blank")
            driver.get(url)
            for _ in range(200):
                at = driver.execute_script("return window.kazuroiFirstBoxAt;")
                if at is not None:
                    shown.append(at)
                    break
                time.sleep(0.01)
        for button in driver.find_elements(By.CSS_SELECTOR, "dialog button"):
            if button.text == "いいえ":
                button.click()
        time.sleep(1)
        pids = descendants(service.process.pid)
        drawing = [p for p in pids if kind(p) in ("renderer", "gpu-process")]
        before, before_all = cpu_seconds(drawing), cpu_seconds(pids)
        time.sleep(SECONDS)
        used, used_all = cpu_seconds(drawing) - before, cpu_seconds(pids) - before_all
        clock = driver.execute_script(
            "return document.querySelector('[data-control=\"lblステージ\"]').textContent;")
    finally:
        driver.quit()
        server.shutdown()
    return statistics.median(shown), used / SECONDS, used_all / SECONDS, clock


def desktop_budget():
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
    print("What the page loads (uncompressed):")
    total = 0
    for name in sorted(os.listdir(SITE)):
        size = os.path.getsize(os.path.join(SITE, name))
        total += size
        print(f"  {name:24} {size / 1024:7.1f} KiB")
    print(f"  {'in all':24} {total / 1024:7.1f} KiB ({total / 1000:.0f} KB; budget 600 KB)")
    shown, page_cpu, browser_cpu, stage = page_budgets()
    print(f"Start-up box shown {shown:.0f} ms after navigation (median of 7; budget 500 ms)")
    game_cpu, x_cpu = desktop_budget()
    print(f"CPU while the clock runs ({stage}, {SECONDS:.0f} s): page {100 * page_cpu:.2f} % of a core"
          f" (the whole browser {100 * browser_cpu:.2f} %); desktop game {100 * game_cpu:.2f} %,"
          f" with its X server {100 * (game_cpu + x_cpu):.2f} %")
    print(f"page / desktop with its X server: {page_cpu / max(game_cpu + x_cpu, 1e-9):.2f} x (budget 2 x)")


if __name__ == "__main__":
    main()
