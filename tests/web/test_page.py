#!/usr/bin/python3
"""The web page in a real browser, driven through Selenium, the site served as a static host serves
it (gzip, connections kept open): headless Chromium, on a desktop and on phone and tablet screens
played by touch through the DevTools protocol; and WebKit (the engine of every browser on iPhones
and iPads) and Firefox, each running the tests that need no DevTools protocol. WebKit needs an X
display (run under xvfb-run); Firefox is driven through its own Marionette (marionette.py).

Usage: test_page.py SITE_DIR KAZUROI_SCRIPT [unittest options]
       KAZUROI_BROWSER=chromium|webkit|firefox picks the engine (chromium unless set)
Run with Debian's /usr/bin/python3, which has python3-selenium.
"""
import functools
import html.parser
import itertools
import math
import os
import shutil
import io
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image
from selenium import webdriver
from selenium.common.exceptions import ElementClickInterceptedException, TimeoutException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from static_host import Host  # noqa: E402

SITE, SCRIPT = sys.argv[1], sys.argv[2]
BROWSER = os.environ.get("KAZUROI_BROWSER", "chromium")
CHROMIUM = BROWSER == "chromium"
# Emulated screens and touch, CPU throttling, the accessibility tree, the installed app and the
# console are Chromium's, through the DevTools protocol.
needs_devtools = unittest.skipUnless(CHROMIUM, "needs Chromium's DevTools protocol")
# What no engine of its own can change: checked once, in Chromium.
checked_once = unittest.skipUnless(CHROMIUM, "the same in every engine: checked in Chromium")
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DIGITS = "０１２３４５６７８９"
OPERATORS = ["cmd加算", "cmd減算", "cmd乗算", "cmd除算"]


def setUpModule():
    global host, driver, base, bridge
    host = Host(SITE)
    base = host.url.rstrip("/")
    bridge = None
    if BROWSER == "webkit":
        from selenium.webdriver.webkitgtk.options import Options as WebKitOptions
        options = WebKitOptions()
        options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        options.add_argument("--automation")
        driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    elif BROWSER == "firefox":
        from marionette import Bridge
        from selenium.webdriver.firefox.options import Options as FirefoxOptions
        bridge = Bridge()
        driver = webdriver.Remote(command_executor=bridge.url, options=FirefoxOptions())
    else:
        options = Options()
        options.binary_location = "/usr/bin/chromium"
        for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1000,800",
                     "--no-first-run", "--disable-background-networking", "--disable-sync",
                     "--disable-component-update", "--disable-dev-shm-usage"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    if not CHROMIUM:
        driver.set_window_size(1000, 800)


def tearDownModule():
    driver.quit()
    if bridge:
        bridge.stop()
    host.stop()


def cdp(command, **params):
    return driver.execute_cdp_cmd(command, params)


def screen(width, height, touch):
    """The page on a screen of this size: a phone or tablet (touch, coarse pointer) or a desktop
    browser window (mouse). A later call is the device turned or the window resized."""
    cdp("Emulation.setDeviceMetricsOverride", width=width, height=height,
        deviceScaleFactor=3 if touch else 1, mobile=touch)
    cdp("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5 if touch else 1)


def desktop():
    cdp("Emulation.clearDeviceMetricsOverride")
    cdp("Emulation.setTouchEmulationEnabled", enabled=False)


def console():
    """What the page wrote to the console since last asked, as (level, message); Chromium's only."""
    return [(entry["level"], entry["message"]) for entry in driver.get_log("browser")] if CHROMIUM else []


# What the page shows of the board, in one call: each slot's caption, whether it can be pressed
# and whether its ring shows; the judgement; 次の問題; the stage; an open box.
BOARD = """
const q = (n) => document.querySelector(`[data-control="${n}"]`);
const shown = (e) => e.style.display !== "none";
const box = document.querySelector('dialog[data-control="msgbox"][open]');
if (!q("lbl正誤"))  // the controls are not built yet
  return { slots: [], judged: "", next: false, stage: "", over: false,
           box: box ? { title: box.querySelector(".title").textContent,
                        text: box.querySelector(".message").textContent } : null };
return {
  slots: [0, 1, 2, 3, 4, 5].map((i) => {
    const b = q(`cmd数字(${i})`);
    return { caption: b.textContent, live: shown(b) && !b.disabled, marked: shown(q(`shp選択印(${i})`)) };
  }),
  judged: shown(q("lbl正誤")) ? q("lbl正誤").textContent : "",
  next: !q("cmd出題").disabled,
  stage: q("lblステージ").textContent,
  box: box ? { title: box.querySelector(".title").textContent,
               text: box.querySelector(".message").textContent } : null,
  over: getComputedStyle(document.getElementById("over")).display !== "none",
};
"""


def value(caption):
    """A caption read as arithmetic: full-width digits, ＋－×÷ and parentheses."""
    text = caption.translate(str.maketrans(DIGITS + "＋－×÷", "0123456789+-*/"))
    return int(eval(text.replace("/", "//"), {}))  # the board only divides evenly


def results(a, b):
    out = {"cmd加算": a + b, "cmd減算": abs(a - b), "cmd乗算": a * b}
    if a and b and max(a, b) % min(a, b) == 0:
        out["cmd除算"] = max(a, b) // min(a, b)
    return out


@functools.lru_cache(maxsize=None)
def can_make_ten(values):
    if len(values) == 1:
        return values[0] == 10
    for i, j in itertools.combinations(range(len(values)), 2):
        rest = [v for k, v in enumerate(values) if k not in (i, j)]
        for r in results(values[i], values[j]).values():
            if can_make_ten(tuple(sorted(rest + [r]))):
                return True
    return False


# Solves the question on the board, as Page.step_toward_ten does, with each press a pointerdown
# the page dispatches itself, each after the game has taken the last.
SOLVE_HERE = """
const done = arguments[arguments.length - 1];
const q = (n) => document.querySelector(`[data-control="${n}"]`);
const shown = (e) => e.style.display !== "none";
const ops = { "cmd加算": (a, b) => a + b, "cmd減算": (a, b) => Math.abs(a - b), "cmd乗算": (a, b) => a * b,
  "cmd除算": (a, b) => (a && b && Math.max(a, b) % Math.min(a, b) === 0 ? Math.max(a, b) / Math.min(a, b) : null) };
const ten = (v) => v.length === 1 ? v[0] === 10 : v.some((a, i) => v.some((b, j) => j > i &&
  Object.values(ops).some((f) => { const r = f(a, b); return r !== null && ten([...v.filter((_, k) => k !== i && k !== j), r]); })));
const value = (text) => Function("return " + text.replace(/[０-９]/g, (d) => d.charCodeAt(0) - 0xFF10)
  .replace(/＋/g, "+").replace(/－/g, "-").replace(/×/g, "*").replace(/÷/g, "/"))();
const press = async (name) => {
  q(name).dispatchEvent(new PointerEvent("pointerdown", { bubbles: true, cancelable: true }));
  do await new Promise((r) => setTimeout(r)); while (page.busy);
};
(async () => {
  while (!shown(q("lbl正誤"))) {
    const live = [0, 1, 2, 3, 4, 5].filter((i) => shown(q(`cmd数字(${i})`)) && !q(`cmd数字(${i})`).disabled);
    const values = live.map((i) => value(q(`cmd数字(${i})`).textContent));
    let step = null;
    for (let x = 0; x < live.length; ++x) for (let y = x + 1; y < live.length; ++y)
      for (const [op, f] of Object.entries(ops)) {
        const r = f(values[x], values[y]);
        if (!step && r !== null && ten([...values.filter((_, k) => k !== x && k !== y), r])) step = [live[x], live[y], op];
      }
    if (!step) return done("no way to 10");
    for (let tries = 0; tries < 8; ++tries) {
      const wrong = live.filter((i) => shown(q(`shp選択印(${i})`)) !== (i === step[0] || i === step[1]));
      if (!wrong.length) break;
      await press(`cmd数字(${wrong[0]})`);
    }
    await press(step[2]);
  }
  done(q("lbl正誤").querySelector(".text").textContent);
})();
"""


class Page:
    def __init__(self, query="", storage=None, touch=False, origin=None):
        self.touch = touch
        self.origin = origin or base
        driver.get(self.origin + "/FONT-LICENSE.txt")  # the page's origin, to set its storage first
        driver.execute_script("localStorage.clear();")
        for key, text in (storage or {}).items():
            driver.execute_script("localStorage.setItem(arguments[0], arguments[1]);", key, text)
        driver.get(self.origin + "/" + query)

    def wait(self, condition, what, timeout=15):
        """The state the page must come to, waited for: one that never comes fails the test."""
        try:
            return WebDriverWait(driver, timeout, poll_frequency=0.02).until(lambda d: condition(), what)
        except TimeoutException:
            raise AssertionError(f"no {what} in {timeout} s") from None

    def element(self, name):
        return driver.find_element(By.CSS_SELECTOR, f'[data-control="{name}"]')

    def board(self):
        return driver.execute_script(BOARD)

    def box(self):
        return self.wait(lambda: self.board()["box"], "a message box")

    def answer(self, label):
        self.box()
        for button in driver.find_elements(By.CSS_SELECTOR, 'dialog[data-control="msgbox"] button'):
            if button.text == label:
                self.tap(button) if self.touch else button.click()
                return
        raise AssertionError(f"no button {label}")

    def tap(self, element):
        """A finger's tap at the middle of the element, as the screen reports it (a click where
        no touch screen can be had)."""
        if not CHROMIUM:
            element.click()
            return
        rect = driver.execute_script("return arguments[0].getBoundingClientRect().toJSON();", element)
        point = {"x": rect["x"] + rect["width"] / 2, "y": rect["y"] + rect["height"] / 2}
        cdp("Input.dispatchTouchEvent", type="touchStart", touchPoints=[point])
        cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def start(self, label="はい"):
        self.answer(label)
        self.wait(lambda: self.element("Form1").is_displayed(), "the window")

    def press(self, name):
        element = self.element(name)
        self.tap(element) if self.touch else element.click()

    def step_toward_ten(self):
        """One operation that keeps 10 in reach: the selection made exactly its two operands
        (the board pre-selects, and letting go of slot 4 selects the free digits), then the
        operator."""
        board = self.board()
        live = [i for i, s in enumerate(board["slots"]) if s["live"]]
        values = {i: value(board["slots"][i]["caption"]) for i in live}
        for a, b in itertools.combinations(live, 2):
            rest = [values[i] for i in live if i not in (a, b)]
            for operator, r in results(values[a], values[b]).items():
                if not can_make_ten(tuple(sorted(rest + [r]))):
                    continue
                for _ in range(8):
                    slots = self.board()["slots"]
                    wrong = [i for i in live if slots[i]["marked"] != (i in (a, b))]
                    if not wrong:
                        break
                    self.press(f"cmd数字({wrong[0]})")
                self.press(operator)
                return
        raise AssertionError(f"no way to 10 from {board}")

    def solve(self):
        self.wait(lambda: self.board()["slots"][0]["live"], "a question on the board")
        while not self.board()["judged"]:
            self.step_toward_ten()
        return self.board()["judged"]

    def solve_here(self):
        """The same in one call, the presses made by the page itself: for a long game, whose
        presses are not what it tests."""
        self.wait(lambda: self.board()["slots"][0]["live"], "a question on the board")
        return driver.execute_async_script(SOLVE_HERE)

    def text_of(self, name):
        return driver.execute_script(
            "return document.querySelector(`[data-control='${arguments[0]}'] > .text`).textContent;", name)


class StartUp(unittest.TestCase):
    def test_both_answers_and_a_modal_box(self):
        page = Page()
        self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"})
        for _ in range(2):  # no answer, before a tap and after one: the question stands
            ActionChains(driver).send_keys(Keys.ESCAPE).perform()
            self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"})
            self.assertFalse(driver.find_element(By.ID, "window").is_displayed())
            driver.find_element(By.CSS_SELECTOR, "dialog[open] .message").click()
        page.start("はい")
        self.assertEqual(page.board()["stage"], "Stage 1")
        page = Page()
        page.start("いいえ")
        self.assertEqual(page.board()["stage"], "Stage 3")

    def test_controls_drawn_as_the_games_table(self):
        """Every control's place and size, font size and colours on the page, against the game's
        own table (read through the script driver): set colours exactly, system colours as the
        desktop shows them, each font at its points in CSS pixels (the default at 12)."""
        page = Page()
        page.start()
        drawn = driver.execute_script(DRAWN)
        names = tuple(sorted(c["name"] for c in drawn))
        expected = layout_rects(names)
        script = "load\n" + "".join(f"get {n}.{p}\n" for n in names for p in ("BackColor", "ForeColor", "FontSize"))
        model = dict(line.split(" = ") for line in run_script(script).splitlines() if " = " in line)
        self.assertEqual(driver.execute_script(
            "const c = document.getElementById('client'); return [c.offsetWidth, c.offsetHeight];"), [586, 493])
        for c in drawn:
            name = c["name"]
            self.assertEqual(c["rect"], expected[name], name)
            points = float(model[f"{name}.FontSize"])
            self.assertEqual(c["font"], round(points * 96 / 72) if points else 12, f"{name}'s font")
            back, fore = (shown_colour(int(model[f"{name}.{p}"], 16)) for p in ("BackColor", "ForeColor"))
            number = name.startswith("cmd数字")  # the standard face, until a set colour shows
            if c["back"] is not None and not (number and int(model[f"{name}.BackColor"], 16) & 0x80000000):
                self.assertEqual(c["back"], back, f"{name}'s background")
            if c["fore"] is not None:
                self.assertEqual(c["fore"], fore, f"{name}'s text")

    def element_rect(self, name):
        return driver.execute_script(
            """const e = document.querySelector(`[data-control="${arguments[0]}"]`);
               return { x: e.offsetLeft, y: e.offsetTop, width: e.offsetWidth, height: e.offsetHeight };""",
            name)

    def test_a_dragged_window_stored_and_reloaded_where_it_stood(self):
        """Dragged by its caption inside the page and to past its far corner (where it stops at
        the edge): each place stored in twips on leaving, and the next load puts it there."""
        page = Page()
        page.start()
        far = """const c = document.getElementById("caption").getBoundingClientRect();
                 return [innerWidth - 2 - (c.x + c.width / 2), innerHeight - 2 - (c.y + c.height / 2)];"""
        for move in (lambda: (137, 59), lambda: driver.execute_script(far)):
            ActionChains(driver).drag_and_drop_by_offset(driver.find_element(By.ID, "caption"), *move()).perform()
            x, y = window_place()
            driver.get(base + "/FONT-LICENSE.txt")  # leaving the page closes the window
            stored = driver.execute_script(
                "return [localStorage.getItem('kazuroi/Startup/Left'), localStorage.getItem('kazuroi/Startup/Top')];")
            self.assertEqual(stored, [f" {15 * x}", f" {15 * y}"], f"dragged to {x}, {y}")
            driver.get(base + "/")
            page.start("続きから")  # the game left is kept too
            self.assertEqual(window_place(), (x, y))

    def test_position_stored_on_leaving_and_kept_inside_the_page(self):
        page = Page(storage={"kazuroi/Startup/Left": " 1500", "kazuroi/Startup/Top": " 960"})
        page.start()
        window = driver.find_element(By.ID, "window")
        self.assertEqual((window.location["x"], window.location["y"]), (100, 64))
        driver.get(base + "/FONT-LICENSE.txt")  # leaving the page closes the window
        self.assertEqual(driver.execute_script("return localStorage.getItem('kazuroi/Startup/Left');"),
                         " 1500")
        page = Page(storage={"kazuroi/Startup/Left": " 900000", "kazuroi/Startup/Top": "-4000"})
        page.start()
        x, y = window_place()
        self.assertLessEqual(x + driver.find_element(By.ID, "window").size["width"],
                             driver.execute_script("return document.documentElement.clientWidth;"))
        self.assertEqual(y, 0)
        # A stored text longer than any number is no number: the default place.
        page = Page(storage={"kazuroi/Startup/Left": "7" * (3 << 20), "kazuroi/Startup/Top": " 960"})
        page.start()
        self.assertEqual(window_place(), (7, 64))


# Each shown control as the page draws it: its place and size in its container, its font size
# in CSS pixels, and the colours the game sets on it (none where the page draws its own look: a
# standard button, a ring, a transparent label's background).
DRAWN = """
return [...document.querySelectorAll("#client [data-control]")].filter((e) => e.offsetParent).map((e) => {
  const style = getComputedStyle(e), kind = e.className;
  const text = e.querySelector(":scope > .text");
  const standard = e.tagName === "BUTTON" && !["cmd数字(0)", "cmd数字(1)", "cmd数字(2)", "cmd数字(3)",
    "cmd数字(4)", "cmd数字(5)"].includes(e.dataset.control);
  const filled = kind.includes("rect") || kind.includes("frame") || kind.includes("panel")
    || (kind.includes("label") && style.backgroundColor !== "rgba(0, 0, 0, 0)") || (e.tagName === "BUTTON" && !standard);
  return { name: e.dataset.control, rect: [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight],
           font: parseFloat(style.fontSize),
           back: filled ? style.backgroundColor : null,
           fore: text && (kind.includes("label") || kind.includes("frame")) ? getComputedStyle(text).color : null };
});
"""
# System colours as the desktop window shows them (Qt's Fusion palette).
SYSTEM_COLOURS = {5: (255, 255, 255), 8: (0, 0, 0), 15: (239, 239, 239), 16: (159, 159, 159), 18: (0, 0, 0)}


def shown_colour(value):
    """A colour of the game's, 0x00BBGGRR or 0x80000000 + n, as CSS gives it back."""
    rgb = SYSTEM_COLOURS[value & 0xFF] if value & 0x80000000 else (value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF)
    return "rgb({}, {}, {})".format(*rgb)


def window_place():
    location = driver.find_element(By.ID, "window").location
    return location["x"], location["y"]


class Play(unittest.TestCase):
    # r = 0 draws level 1, then 0.85 0.75 0.65 0.55 the digits 1 2 3 4.
    QUESTION = "?seed=3&random=0,0.85,0.75,0.65,0.55"

    def test_right_answer_then_the_next_question(self):
        page = Page(self.QUESTION)
        page.start()
        self.assertEqual([s["caption"] for s in page.board()["slots"][:4]], ["１", "２", "３", "４"])
        page.press("cmd数字(0)")
        if BROWSER == "webkit":  # its driver keeps the right button down after a context click
            page.press("cmd数字(1)")
        else:
            ActionChains(driver).context_click(page.element("cmd数字(1)")).perform()  # any button
        page.press("cmd数字(2)")
        page.press("cmd数字(3)")
        page.press("cmd加算")
        board = page.board()
        self.assertEqual(board["judged"], "○正解")
        self.assertEqual(board["slots"][4]["caption"], "１＋２＋３＋４")
        self.assertTrue(board["next"])
        self.assertEqual(driver.switch_to.active_element.get_attribute("data-control"), "cmd出題")
        page.press("cmd出題")
        self.assertEqual(page.board()["judged"], "")
        self.assertFalse(page.board()["next"])

    def test_wrong_answer_and_redo(self):
        page = Page(self.QUESTION)
        page.start()
        for name in ["cmd数字(0)", "cmd数字(1)", "cmd数字(2)", "cmd数字(3)", "cmd乗算"]:
            page.press(name)
        self.assertEqual(page.board()["judged"], "×やり直し")
        self.assertEqual(page.board()["slots"][4]["caption"], "１×２×３×４")
        self.assertEqual(driver.switch_to.active_element.get_attribute("data-control"), "cmdやり直し")
        page.press("cmdやり直し")
        board = page.board()
        self.assertEqual(board["judged"], "")
        self.assertEqual([s["live"] for s in board["slots"]], [True] * 4 + [False] * 2)
        self.assertEqual(page.solve(), "○正解")

    def test_the_clock_runs_in_stage_3(self):
        page = Page()
        page.start("いいえ")
        width = lambda: page.element("shp制限時間残り").size["width"]
        start = width()
        page.wait(lambda: width() < start, "the time bar shrinking")

    def test_same_states_as_the_script_driver(self):
        """The same game through the page and through kazuroi-script: every control's caption,
        whether it can be pressed and whether it shows, after every action."""
        seed, draws = 11, "0,0.85,0.75,0.65,0.55"
        actions = ["down cmd数字(0)", "down cmd数字(1)", "down cmd加算", "down cmd数字(4)",
                   "down cmd数字(2)", "down cmd乗算", "down cmd減算", "click cmdやり直し",
                   "down cmd数字(0)", "down cmd数字(1)", "down cmd数字(2)", "down cmd数字(3)",
                   "down cmd加算", "click cmd出題", "down cmd数字(3)", "down cmd数字(2)"]
        page = Page(f"?seed={seed}&random={draws}")
        page.start()
        names = driver.execute_script(
            "return [...document.querySelectorAll('#client [data-control]')].map(e => e.dataset.control)")
        snapshot = lambda: driver.execute_script(
            """return arguments[0].map((n) => {
                 const e = document.querySelector(`[data-control="${n}"]`);
                 const text = e.querySelector(".text");
                 return [n, text ? text.textContent : "", e.disabled === undefined || !e.disabled,
                         e.style.display !== "none"];
               });""", names)
        seen = [snapshot()]
        for action in actions:
            command, name = action.split()
            page.press(name)
            seen.append(snapshot())

        properties = "".join(f"get {n}.Caption\nget {n}.Enabled\nget {n}.Visible\n" for n in names)
        script = (f"seed {seed}\nrandom {draws.replace(',', ' ')}\nanswer Yes\nload\n" + properties
                  + "".join(f"{action}\n{properties}" for action in actions))
        lines = [l for l in run_script(script).splitlines() if " = " in l]
        expected, per = [], 3 * len(names)
        buttons = {n for n in names if n.startswith("cmd")}
        for k in range(0, len(lines), per):
            values = [l.split(" = ", 1)[1] for l in lines[k:k + per]]
            expected.append([[n, values[3 * i].strip('"'),
                              values[3 * i + 1] == "True" if n in buttons else True,
                              values[3 * i + 2] == "True"] for i, n in enumerate(names)])
        self.assertEqual(len(seen), len(expected))
        for step, (page_state, script_state) in enumerate(zip(seen, expected)):
            self.assertEqual(page_state, script_state, f"after {(['start'] + actions)[step]}")


# Each step of the stage-clear panel as the page draws it: where it stands in the client area,
# whether it lies in front of every piece whose middle it covers, and whether its text is whole
# inside it and on the screen. A step is seen when the game moves the panel.
WATCH_PANEL = """
const q = (n) => document.querySelector(`[data-control="${n}"]`);
const panel = q("frmステージクリア"), client = document.getElementById("client");
const pieces = ["lblタイトル", "lblステージ", "frm問題", "frm演算子", "frm答案", "cmd出題", "cmdやり直し",
                "shp制限時間表示枠"].map(q);
window.panelSteps = [];
new MutationObserver(() => {
  if (panel.style.display === "none") return;
  const r = panel.getBoundingClientRect(), c = client.getBoundingClientRect();
  const text = q("lblステージクリア").querySelector(".text").getBoundingClientRect();
  const middles = pieces.map((p) => p.getBoundingClientRect()).map((b) => [b.x + b.width / 2, b.y + b.height / 2])
    .filter(([x, y]) => x > r.left && x < r.right && y > Math.max(r.top, c.top) && y < Math.min(r.bottom, c.bottom));
  panelSteps.push({ y: r.top - c.top, height: r.height, client: c.height,
    front: middles.every(([x, y]) => panel.contains(document.elementFromPoint(x, y))),
    whole: text.left >= r.left - 1 && text.right <= r.right + 1 && text.left >= -1 && text.right <= innerWidth + 1 });
}).observe(panel, { attributes: true, attributeFilter: ["style"] });
"""


# The ticks the page sends the game, as they go: when its clock read (the time they are counted
# from), and how many so far, those it let fall under a stall counted too.
COUNT_TICKS = """
window.ticksSent = [];
window.callsInBox = 0;
let total = 0;
const call = Module.ccall;
Module.ccall = function (name, result, types, args) {
  if (document.querySelector("dialog[open]")) callsInBox += 1;
  if (name === "kazuroi_ticks" && args[0] === 0) ticksSent.push([page.clock[0].read, (total += args[1]) + page.clock[0].dropped]);
  return call.apply(this, arguments);
};
"""


@needs_devtools
class Clock(unittest.TestCase):
    def tearDown(self):
        cdp("Emulation.setCPUThrottlingRate", rate=1)

    def test_ticks_keep_real_time_and_wait_for_a_box(self):
        """Over a measured stretch of real time the game gets one tick for each 10 ms, within one
        tick, on a CPU at full speed and four times slower; while a box is open nothing reaches
        the game, a press dispatched to the window included."""
        for rate in (1, 4):
            cdp("Emulation.setCPUThrottlingRate", rate=rate)
            page = Page()
            page.box()
            driver.execute_script(COUNT_TICKS)
            driver.execute_script("""document.querySelector('[data-control="cmd数字(0)"]')
                .dispatchEvent(new PointerEvent("pointerdown", { bubbles: true, cancelable: true }));""")
            page.start("いいえ")  # Stage 3: the clock runs
            self.assertEqual(driver.execute_script("return callsInBox;"), 0, "the game was called under the box")
            self.assertFalse(page.board()["slots"][0]["marked"], "a press under the box reached the game")
            page.wait(lambda: driver.execute_script(
                "return ticksSent.length > 2 && ticksSent.at(-1)[0] - ticksSent[0][0] > 1500;"), "1.5 s of ticks")
            sent = driver.execute_script("return ticksSent;")
            (start, first), (end, last) = sent[0], sent[-1]
            self.assertLess(abs(last - first - (end - start) / 10), 1,
                            msg=f"at {rate}x: {last - first} ticks in {end - start:.0f} ms")


@needs_devtools
class WholeGame(unittest.TestCase):
    """A whole game on an upright phone, the window standing as a column: Stage 1 to the Extra
    Stage's closing boxes and a new game, the stage-clear panel watched crossing the column."""

    def tearDown(self):
        desktop()

    def test_stage_one_to_the_extra_stages_closing_boxes(self):
        screen(390, 844, True)
        page = Page("?seed=2026", touch=True)
        page.start("はい")
        for stage in ["Stage 1", "Stage 2", "Stage 3", "Stage 4", "Final Stage"]:
            for question in range(20):
                page.wait(lambda: page.board()["stage"] == stage, stage)
                if stage == "Stage 1" and question == 19:
                    driver.execute_script(WATCH_PANEL)
                self.assertEqual(page.solve_here(), "○正解", f"{stage} question {question + 1}")
                if question < 19:
                    page.press("cmd出題")
            if stage != "Final Stage":
                page.wait(lambda: page.board()["next"], "the animation's end")
            if stage == "Stage 1":
                self.check_crossing(driver.execute_script("return panelSteps;"))
                self.assertEqual(read_aloud().count("ステージクリア"), 1, "the panel's text read twice")
            if stage != "Final Stage":
                page.press("cmd出題")
        self.assertEqual(page.box()["text"], "天才ちゃうか。\nもう1問出したろ。")
        with self.assertRaises(ElementClickInterceptedException):
            page.element("cmdやり直し").click()  # the box is modal: nothing of the window takes a click
        page.answer("OK")
        page.wait(lambda: page.board()["stage"] == "Extra Stage", "the Extra Stage after the refill")
        self.assertEqual(page.text_of("lblレベル"), "★☆★☆★")
        self.assertEqual(page.solve_here(), "○正解")
        for text in ["かずろいマスターの称号を与えよう。", "要らんって？ ^^;", "また遊んだろ。"]:
            self.assertEqual(page.box(), {"title": "やるなー。", "text": text})
            if text == "要らんって？ ^^;":  # Escape closes a box with OK alone
                ActionChains(driver).send_keys(Keys.ESCAPE).perform()
                page.wait(lambda: page.board()["box"] != {"title": "やるなー。", "text": text}, "the box closed")
            else:
                page.answer("OK")
        page.wait(lambda: page.board()["over"], "the page saying the game is over")
        self.assertFalse(driver.find_element(By.ID, "window").is_displayed())
        self.assertEqual(driver.find_element(By.ID, "over").text.split("\n")[:4],
                         ["かずろいマスターや！", "Extra Stage クリア", "やり直しなし", "かずろいマスターの称号"])
        # A new game in the same page, from its start-up box, with the window as it first was.
        driver.execute_script("window.samePage = true;")
        again = driver.find_element(By.CSS_SELECTOR, '[data-page="again"]')
        self.assertEqual(driver.switch_to.active_element, again)
        page.tap(again)
        self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"})
        page.start("いいえ")
        self.assertTrue(driver.execute_script("return window.samePage;"))
        self.assertFalse(page.board()["over"])
        self.assertEqual(page.board()["stage"], "Stage 3")
        self.assertEqual(page.solve(), "○正解")
        check_pieces(self, "after a whole game", least=64)

    def check_crossing(self, steps):
        """From above the column to below it along the game's own path (n*n*n - 100*n about the
        middle, mapped onto the column), step after step, in front and whole throughout. A busy
        machine may draw two steps at once: every step drawn must lie on the path, in order."""
        height, client = steps[0]["height"], steps[0]["client"]
        ys = [step["y"] for step in steps]
        self.assertLessEqual(ys[0] + height, 0, "the first step lies above the column")
        self.assertGreaterEqual(ys[-1], client, "the last step lies below it")
        window = driver.execute_script("return kWindowSize.height;")  # the outer height, in pixels
        ratio = client / window
        path = {n: (client - height) / 2 + (round((n ** 3 + (window * 15 - 2415) / 2 - 100 * n) / 15)
                                            - (window - 161) / 2) * ratio for n in range(-23, 40)}
        n = -23
        for y in ys:
            on = [m for m in range(n, 40) if abs(path[m] - y) <= 1.5]
            self.assertTrue(on, f"a step at {y:.1f} off the path after step {n}: {ys}")
            n = on[0]
        # A wake of the page delivers at most 6 of the 70 ms ticks, however late it comes: the
        # 62 steps across are drawn at 11 places at least on any machine.
        self.assertGreater(len(set(ys)), 10, f"the panel drawn at too few steps: {ys}")
        self.assertTrue(all(step["front"] for step in steps), "a piece in front of the panel")
        self.assertTrue(all(step["whole"] for step in steps), "the panel's text cut")


# The window on every screen: on a phone its pieces laid out anew, upright in a column and
# sideways side by side, the number and operator buttons at least so large; on a tablet or a
# desktop the whole window, filling a touch screen, at its own size with a mouse where it fits.
# A phone with a notch and a home bar: nothing of the game may lie under them.
NOTCH_UPRIGHT = {"top": 47, "bottom": 34, "left": 0, "right": 0}
NOTCH_SIDEWAYS = {"top": 0, "bottom": 21, "left": 47, "right": 47}
SCREENS = [("phone portrait", 390, 844, True, "column", 64, NOTCH_UPRIGHT),
           ("small phone", 360, 640, True, "column", 48, None),
           ("smallest phone", 320, 568, True, "column", 48, None),
           ("phone landscape", 844, 390, True, "sideways", 44, NOTCH_SIDEWAYS),
           ("small phone landscape", 640, 360, True, "sideways", 44, None),
           ("tablet", 820, 1180, True, "whole", 0, None), ("tablet landscape", 1366, 1024, True, "whole", 0, None),
           ("desktop", 1280, 800, False, "whole", 0, None), ("small browser window", 500, 420, False, "whole", 0, None)]


def safe_area(insets):
    cdp("Emulation.setSafeAreaInsetsOverride", insets=insets or {"top": 0, "bottom": 0, "left": 0, "right": 0})

# Each shown control's place within the client area on the screen, scaled back, beside its place
# in the layout at the window's own size.
PLACES = """
const client = document.getElementById("client").getBoundingClientRect();
const scale = client.width / document.getElementById("client").offsetWidth;
const at = (e) => { let x = 0, y = 0;
  for (; e && e.id !== "client"; e = e.offsetParent) { x += e.offsetLeft; y += e.offsetTop; }
  return [x, y]; };
return { scale, client: client.toJSON(), width: innerWidth, height: innerHeight,
  window: document.getElementById("window").getBoundingClientRect().toJSON(),
  controls: [...document.querySelectorAll("#client [data-control]")].filter((e) => e.offsetParent)
    .map((e) => ({ name: e.dataset.control, rect: e.getBoundingClientRect().toJSON(), at: at(e) })) };
"""

# Each shown control as drawn: its rectangle on the screen and the box the player sees of it (a
# frame's border, which a phone's layout may draw larger than the frame's own), its place and
# size in its container as the page has them from the game, and its text's font size before any
# scaling.
COLUMN = """
const client = document.getElementById("client"), win = document.getElementById("window");
return { width: innerWidth, height: innerHeight, stands: win.classList.contains("sideways") ? "sideways"
           : win.classList.contains("column") ? "column" : "whole",
  scrolls: document.scrollingElement.scrollHeight > innerHeight || document.scrollingElement.scrollWidth > innerWidth,
  caption: parseFloat(getComputedStyle(document.getElementById("caption")).fontSize),
  captionBar: document.getElementById("caption").getBoundingClientRect().toJSON(),
  controls: [...client.querySelectorAll("[data-control]")].filter((e) => e.offsetParent).map((e) => {
    const text = e.querySelector(":scope > .text"), border = e.querySelector(":scope > .border");
    const rect = e.getBoundingClientRect().toJSON();
    return { name: e.dataset.control, container: e.parentElement.dataset.control, rect,
             box: border && border.style.width ? border.getBoundingClientRect().toJSON() : rect,
             at: [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight],
             font: text && text.textContent ? parseFloat(getComputedStyle(text).fontSize) : null }; }) };
"""

# The open box as drawn: its place, scale, text sizes and buttons, and what the player sees.
BOX = """
const b = document.querySelector("dialog[open]");
if (!b) return null;
const r = b.getBoundingClientRect(), scale = r.width / b.offsetWidth;
const font = (e) => parseFloat(getComputedStyle(e).fontSize) * scale;
return { rect: r.toJSON(), scale, fonts: [b.querySelector(".title"), b.querySelector(".message"),
         ...b.querySelectorAll("button")].map(font),
         buttons: [...b.querySelectorAll("button")].map((e) => e.getBoundingClientRect().toJSON()),
         view: { x: visualViewport.offsetLeft, y: visualViewport.offsetTop, width: visualViewport.width,
                 height: visualViewport.height } };
"""


def inside(rect, width, height):
    return (rect["left"] >= -0.5 and rect["top"] >= -0.5 and rect["right"] <= width + 0.5
            and rect["bottom"] <= height + 0.5)


def overlap(a, b):
    return a["left"] < b["right"] - 0.5 and b["left"] < a["right"] - 0.5 and a["top"] < b["bottom"] - 0.5 and b["top"] < a["bottom"] - 0.5


@functools.lru_cache(maxsize=None)
def layout_rects(names):
    """Each control's place and size in its container, in whole pixels, from the game's model."""
    script = "load\n" + "".join(f"get {n}.{p}\n" for n in names for p in ("Left", "Top", "Width", "Height"))
    twips = dict(line.split(" = ") for line in run_script(script).splitlines() if " = " in line)
    rects = {}
    for name in names:
        left, top = (float(twips[f"{name}.{p}"]) for p in ("Left", "Top"))
        right, bottom = left + float(twips[f"{name}.Width"]), top + float(twips[f"{name}.Height"])
        rects[name] = [round(left / 15), round(top / 15), round(right / 15) - round(left / 15),
                       round(bottom / 15) - round(top / 15)]
    return rects


def check_pieces(test, what, stands="column", least=48, insets=None):
    """The window's pieces laid out on a phone: every piece drawn as the window draws it, scaled
    as one, its buttons big enough for a thumb and its texts for an eye; nothing over another
    piece, all on the screen and clear of its notch and home bar, the pieces' edges in line, the
    side column level with the operators; and the game's places for every control as they were."""
    p = driver.execute_script(COLUMN)
    test.assertEqual(p["stands"], stands, what)
    test.assertFalse(p["scrolls"], f"{what}: the page scrolls")
    insets = insets or {"top": 0, "bottom": 0, "left": 0, "right": 0}
    within = lambda r: (r["left"] >= insets["left"] - 0.5 and r["top"] >= insets["top"] - 0.5
                        and r["right"] <= p["width"] - insets["right"] + 0.5
                        and r["bottom"] <= p["height"] - insets["bottom"] + 0.5)
    test.assertTrue(within(p["captionBar"]), f"{what}: the caption bar at {p['captionBar']}")
    controls = {c["name"]: c for c in p["controls"]}
    scale = lambda c: c["rect"]["width"] / c["at"][2]
    model = layout_rects(tuple(sorted(controls)))
    for name, c in controls.items():
        # The time bar's width is the time left, and moves as the game goes on.
        same = slice(0, 2) if name == "shp制限時間残り" else slice(0, 4)
        test.assertEqual(c["at"][same], model[name][same], f"{what}: {name}'s place in the game")
        if name != "Text1":
            test.assertTrue(within(c["box"]), f"{what}: {name} at {c['box']}")
        if c["container"] != "Form1":
            frame = controls[c["container"]]
            test.assertAlmostEqual(scale(c), scale(frame), delta=0.01, msg=f"{what}: {name}'s scale")
            for axis, index in (("x", 0), ("y", 1)):
                test.assertAlmostEqual((c["rect"][axis] - frame["rect"][axis]) / scale(frame), c["at"][index],
                                       delta=1, msg=f"{what}: {name} in {frame['name']}")
            for edge, sign in (("left", 1), ("top", 1), ("right", -1), ("bottom", -1)):
                test.assertGreaterEqual(sign * (c["rect"][edge] - frame["box"][edge]), -0.5,
                                        f"{what}: {name} out of {frame['name']}'s box")
        if c["font"]:
            test.assertGreaterEqual(c["font"] * scale(c), 14, f"{what}: {name}'s text")
    test.assertGreaterEqual(p["caption"], 14, f"{what}: the caption")
    for name in [f"cmd数字({i})" for i in range(4)] + OPERATORS:
        rect = controls[name]["rect"]
        test.assertGreaterEqual(min(rect["width"], rect["height"]), least, f"{what}: {name}")
    for name in ("cmd出題", "cmdやり直し"):
        test.assertGreaterEqual(controls[name]["rect"]["height"], 44, f"{what}: {name}")
    pieces = [c for c in controls.values() if c["container"] == "Form1"
              and c["name"] not in ("Text1", "frmステージクリア", "shp制限時間残り")]  # the bar lies on its track
    for a, b in itertools.combinations(pieces, 2):
        test.assertFalse(overlap(a["box"], b["box"]), f"{what}: {a['name']} over {b['name']}")
    box = lambda name: controls[name]["box"]
    # The side column from the operators' top to their bottom.
    test.assertAlmostEqual(box("cmd出題")["top"], box("frm演算子")["top"], delta=2, msg=f"{what}: the side's top")
    test.assertAlmostEqual(box("shp制限時間表示枠")["bottom"], box("frm演算子")["bottom"], delta=2,
                           msg=f"{what}: the side's bottom")
    # The pieces' outer edges in line: the frames of a column one above another.
    lined = ["frm問題", "frm答案"] + (["frm演算子", "lblタイトル"] if stands == "column" else [])
    for name in lined[1:]:
        test.assertAlmostEqual(box(name)["left"], box("frm問題")["left"], delta=1, msg=f"{what}: {name}'s left edge")
    right = (["frm答案", "lblステージ", "shp制限時間表示枠"] if stands == "column" else ["frm答案"])
    for name in right:
        test.assertAlmostEqual(box(name)["right"], box("frm問題")["right"], delta=1, msg=f"{what}: {name}'s right edge")


def pinch(x, y):
    """Two fingers either side of (x, y) spread apart and brought back together, one gesture."""
    fingers = lambda d: [{"x": x - d, "y": y, "id": 1}, {"x": x + d, "y": y, "id": 2}]
    cdp("Input.dispatchTouchEvent", type="touchStart", touchPoints=fingers(15))
    for d in (30, 45, 60, 75, 90, 70, 50, 30):
        cdp("Input.dispatchTouchEvent", type="touchMove", touchPoints=fingers(d))
    cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])


def new_tab():
    """The browser's page in a new tab: the emulated touch screen ends a tab's first two-finger
    gesture and takes no other gesture in that tab afterwards, so each pinch has a tab of its own."""
    old = driver.current_window_handle
    driver.switch_to.new_window("tab")
    new = driver.current_window_handle
    driver.switch_to.window(old)
    driver.close()
    driver.switch_to.window(new)


# The page's zoom once the frames a gesture brings have been drawn.
ZOOM = """const done = arguments[arguments.length - 1];
requestAnimationFrame(() => requestAnimationFrame(() => requestAnimationFrame(() =>
  done([visualViewport.scale, visualViewport.offsetLeft, visualViewport.offsetTop]))));"""


@needs_devtools
class Screens(unittest.TestCase):
    def tearDown(self):
        safe_area(None)
        desktop()

    def check_fit(self, what, touch):
        p = driver.execute_script(PLACES)
        self.assertTrue(inside(p["window"], p["width"], p["height"]), f"{what}: {p['window']}")
        filled = max(p["window"]["width"] / p["width"], p["window"]["height"] / p["height"])
        if touch:
            self.assertGreaterEqual(filled, 0.85, what)
        elif p["width"] >= 600 and p["height"] >= 540:
            self.assertEqual((p["client"]["width"], p["client"]["height"]), (586, 493), what)
        for c in p["controls"]:
            if c["name"] != "Text1":  # below the client area, as the layout has it
                self.assertTrue(inside(c["rect"], p["width"], p["height"]), f"{what}: {c}")
            for got, want in ((c["rect"]["x"] - p["client"]["x"], c["at"][0]),
                              (c["rect"]["y"] - p["client"]["y"], c["at"][1])):
                self.assertAlmostEqual(got / p["scale"], want, delta=1, msg=f"{what}: {c['name']}")
        return p

    def check_box(self, what, touch, window=None):
        """A box wholly on the screen; on a touch screen never below its own size, its texts and
        buttons for a thumb, in the middle of what the player sees; with a mouse at the window's
        scale, in the window's middle."""
        middle = lambda b, area: [b["rect"][a] + b["rect"][s] / 2 - area[a] - area[s] / 2
                                  for a, s in (("x", "width"), ("y", "height"))]
        area = lambda b: b["view"] if touch or not window else window
        try:  # placed again as its font comes in
            WebDriverWait(driver, 5, poll_frequency=0.02).until(
                lambda d: max(map(abs, middle(self.wait_box(), area(self.wait_box())))) <= 3)
        except TimeoutException:
            pass
        box = self.wait_box()
        view = box["view"]
        self.assertTrue(inside(box["rect"], view["width"], view["height"]), f"{what}: the box at {box['rect']}")
        if touch:
            self.assertGreaterEqual(box["scale"], 0.999, what)
            self.assertGreaterEqual(min(box["fonts"]), 16, f"{what}: the box's texts {box['fonts']}")
            self.assertGreaterEqual(min(b["height"] for b in box["buttons"]), 44, f"{what}: its buttons")
            for a, b in zip(box["buttons"], box["buttons"][1:]):
                self.assertGreaterEqual(b["left"] - a["right"], 8, f"{what}: its buttons' gap")
        for axis, off in zip("xy", middle(box, area(box))):
            self.assertAlmostEqual(off, 0, delta=3, msg=f"{what}: the box off the middle in {axis}: "
                                   f"{box['rect']} in {area(box)} at scale {box['scale']}")
        return box

    def wait_box(self):
        return WebDriverWait(driver, 15, poll_frequency=0.02).until(lambda d: d.execute_script(BOX), "a box")

    def test_every_screen_shows_the_whole_window_and_its_boxes(self):
        for what, width, height, touch, stands, least, insets in SCREENS:
            screen(width, height, touch)
            safe_area(insets)
            page = Page(touch=touch)
            box = self.check_box(what, touch)
            page.start()
            if stands != "whole":
                check_pieces(self, what, stands, least, insets)
                continue
            p = self.check_fit(what, touch)
            if not touch:  # with a mouse the box took the window's scale, and its place
                self.assertAlmostEqual(box["scale"], p["scale"], delta=0.01, msg=what)
                if p["scale"] != 1:
                    for axis, size in (("x", "width"), ("y", "height")):
                        self.assertAlmostEqual(box["rect"][axis] + box["rect"][size] / 2,
                                               p["window"][axis] + p["window"][size] / 2, delta=3, msg=what)

    def test_the_first_box_stands_still_as_the_pages_font_comes_in(self):
        """The start-up box is drawn in its own few glyphs: it has its final size and place
        before the page's font arrives, on a phone and with a mouse."""
        gothic = lambda: driver.execute_script(GOTHIC) == "loaded"
        for touch in (True, False):
            screen(640, 360, touch)
            cdp("Network.enable")
            try:
                cdp("Network.setBlockedURLs", urls=["*kazuroi-gothic*"])
                Page(touch=touch).box()
                without = self.wait_box()["rect"]
                self.assertFalse(gothic())
            finally:
                cdp("Network.setBlockedURLs", urls=[])
                cdp("Network.disable")
            page = Page(touch=touch)
            page.box()
            page.wait(gothic, "the page's font")
            page.wait(lambda: self.wait_box()["rect"] == without, f"the box as it stood without the font: {without}")

    def test_turning_the_device_refits_the_window_and_keeps_the_game(self):
        screen(390, 844, True)
        page = Page(Play.QUESTION, touch=True)
        for width, height in ((844, 390), (390, 844)):  # the start-up box turned both ways
            screen(width, height, True)
            page.wait(lambda: inside(self.wait_box()["rect"], width, height), "the box refitted")
            self.check_box(f"the box at {width} x {height}", True)
        page.start()
        page.press("cmd数字(0)")
        page.press("cmd数字(2)")
        before = page.board()
        stands = lambda: driver.execute_script(COLUMN)["stands"]
        screen(844, 390, True)
        page.wait(lambda: stands() == "sideways", "the pieces side by side")
        check_pieces(self, "turned to landscape", "sideways", 44)
        self.assertEqual(page.board(), before)
        screen(390, 844, True)
        page.wait(lambda: stands() == "column", "the column again")
        check_pieces(self, "turned back", least=64)
        self.assertEqual(page.board(), before)
        page.press("cmd加算")
        self.assertEqual(page.board()["slots"][4]["caption"], "１＋３")

    def test_a_pinch_never_zooms_or_hides_the_window(self):
        # The empty page beside a tablet's window, that window, and a phone's pieces both ways.
        for what, width, height, where in (("the page beside the window", 1366, 1024, (20, 512)),
                                           ("the window", 1366, 1024, "frm答案"), ("the column", 390, 844, "frm答案"),
                                           ("the sideways pieces", 844, 390, "frm答案")):
            new_tab()
            screen(width, height, True)
            page = Page(Play.QUESTION, touch=True)
            page.start()
            if isinstance(where, str):  # the middle of a frame with nothing to press in it
                rect = driver.execute_script(
                    "return document.querySelector(`[data-control='${arguments[0]}']`).getBoundingClientRect().toJSON();", where)
                x, y = rect["x"] + rect["width"] / 2, rect["y"] + rect["height"] / 2
            else:
                x, y = where
            pinch(x, y)
            self.assertEqual(driver.execute_async_script(ZOOM), [1, 0, 0], f"{what}: zoomed by a pinch")
            if width < height:
                check_pieces(self, what, least=64)
            elif height < 500:
                check_pieces(self, what, "sideways", 44)
            else:
                self.check_fit(what, True)
            self.assertEqual(page.board()["slots"][0]["caption"], "１")
        new_tab()  # the tab the other tests use takes their taps

    def test_a_scaled_window_keeps_the_stored_place_and_does_not_move(self):
        stored = {"kazuroi/Startup/Left": " 1500", "kazuroi/Startup/Top": " 960"}
        screen(844, 390, True)
        page = Page(storage=stored, touch=True)
        page.start()
        caption = driver.find_element(By.ID, "caption")
        place = driver.find_element(By.ID, "window").rect
        ActionChains(driver).drag_and_drop_by_offset(caption, 40, 40).perform()
        self.assertEqual(driver.find_element(By.ID, "window").rect, place, "dragged while scaled")
        driver.get(base + "/FONT-LICENSE.txt")  # leaving the page closes the window
        self.assertEqual(driver.execute_script("return localStorage.getItem('kazuroi/Startup/Left');"), " 1500")
        desktop()
        page = Page(storage=stored)
        page.start()
        caption = driver.find_element(By.ID, "caption")
        ActionChains(driver).drag_and_drop_by_offset(caption, 590, 560).perform()  # to the corner
        p = driver.execute_script(PLACES)
        self.assertTrue(inside(p["window"], p["width"], p["height"]), "dragged off the page")
        self.assertGreater(p["window"]["x"], 100, "not dragged")


# How far the page's own font has come: "unloaded", "loading", "loaded" or "error".
GOTHIC = 'return [...document.fonts].find((f) => f.family.includes("KazuroiGothic")).status;'


# Each bordered frame's border line as drawn, and the window's scale.
BORDERS = """
const client = document.getElementById("client");
return { scale: client.getBoundingClientRect().width / client.offsetWidth, ratio: devicePixelRatio,
  borders: [...document.querySelectorAll(".frame > .border")].map((e) => [e.parentElement.dataset.control,
    e.getBoundingClientRect().toJSON()]) };
"""


def along(start, end):
    """Points along a line from START to END, short of either end."""
    return [(start[0] + (end[0] - start[0]) * i / 20, start[1] + (end[1] - start[1]) * i / 20) for i in range(2, 19)]


def screenshot():
    """The page as drawn once the frames asked for so far are on the screen."""
    driver.execute_async_script("const done = arguments[arguments.length - 1];"
                                "requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(done, 50)));")
    return Image.open(io.BytesIO(driver.get_screenshot_as_png())).convert("RGB")


class Borders(unittest.TestCase):
    def tearDown(self):
        driver.set_window_rect(width=1000, height=800)

    def test_frames_are_drawn_whole_at_every_scale(self):
        """The window scaled down to fit a small browser window: every frame's border runs whole
        along each of its four sides, however thin the scale would make a line."""
        rings = 0
        for height in (800, 560, 420):
            driver.set_window_rect(width=1000, height=height)
            page = Page(Play.QUESTION)
            page.start()
            drawn = driver.execute_script(BORDERS)
            shot = screenshot()
            ratio = drawn["ratio"]

            def dark(x, y):  # the pixel the point falls in
                at = (math.floor(x * ratio), math.floor(y * ratio))
                return 0 <= at[0] < shot.width and 0 <= at[1] < shot.height and min(shot.getpixel(at)) < 200

            def drawn_near(point):
                return any(dark(point[0] + dx, point[1] + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            for name, r in drawn["borders"]:
                left, top, right, bottom = r["left"], r["top"], r["right"] - 1, r["bottom"] - 1
                sides = {"top": along((left, top), (r["right"], top)), "bottom": along((left, bottom), (r["right"], bottom)),
                         "left": along((left, top), (left, r["bottom"])), "right": along((right, top), (right, r["bottom"]))}
                for side, points in sides.items():
                    missing = [(round(x), round(y)) for x, y in points if not drawn_near((x, y))]
                    # A caption breaks the top line where it stands.
                    if side == "top" and name == "frm問題":
                        missing = [p for p in missing if p[0] > r["left"] + 60 * drawn["scale"]]
                    self.assertEqual(missing, [], f"{name}'s {side} at scale {drawn['scale']:.2f}")
            # The focus ring, dotted, once a key is used: most of each side drawn. (A click on the
            # caption first: some drivers leave the keys with the browser's own window.)
            driver.find_element(By.ID, "caption").click()
            for _ in range(3):  # a key may first bring the keys back from the browser's own window
                ActionChains(driver).send_keys(Keys.TAB).perform()
                if driver.execute_script(
                        "return getComputedStyle(document.activeElement, '::after').content !== 'none';"):
                    break
            shot = screenshot()
            ring = driver.execute_script("""const e = document.activeElement, r = e.getBoundingClientRect(),
                ring = getComputedStyle(e, "::after"), k = arguments[0];
                const inset = (parseFloat(getComputedStyle(e).borderLeftWidth) + parseFloat(ring.left)) * k,
                  middle = inset + parseFloat(ring.borderLeftWidth) * k / 2;
                return { left: r.left + middle, top: r.top + middle, right: r.right - middle, bottom: r.bottom - middle,
                         focused: e.dataset.control || e.tagName, after: [ring.left, ring.borderLeftWidth, ring.content] };""",
                                         drawn["scale"])
            if ring["left"] is None:  # the engine did not take the focus for the keyboard's
                continue
            rings += 1
            for side, points in {"top": along((ring["left"], ring["top"]), (ring["right"], ring["top"])),
                                 "left": along((ring["left"], ring["top"]), (ring["left"], ring["bottom"]))}.items():
                drawn_points = [p for p in points if drawn_near(p)]
                self.assertGreaterEqual(len(drawn_points), len(points) // 2,
                                        f"the focus ring's {side} at scale {drawn['scale']:.2f}: {ring}, "
                                        f"{[min(shot.getpixel((round(x), round(y)))) for x, y in points]}")
        self.assertGreater(rings, 0, "no focus ring drawn at any scale")


@needs_devtools
class Touch(unittest.TestCase):
    def setUp(self):
        screen(390, 844, True)

    def tearDown(self):
        desktop()

    def test_a_question_right_by_touch_and_the_next(self):
        page = Page(Play.QUESTION, touch=True)
        page.start()
        for name in ["cmd数字(0)", "cmd数字(1)", "cmd数字(2)", "cmd数字(3)", "cmd加算"]:
            page.press(name)
        self.assertEqual(page.board()["judged"], "○正解")
        page.press("cmd出題")
        page.wait(lambda: page.board()["judged"] == "", "the next question")
        self.assertEqual([s["live"] for s in page.board()["slots"]], [True] * 4 + [False] * 2)

    def test_a_wrong_answer_redone_by_touch(self):
        page = Page(Play.QUESTION, touch=True)
        page.start("いいえ")
        for name in ["cmd数字(0)", "cmd数字(1)", "cmd数字(2)", "cmd数字(3)", "cmd乗算"]:
            page.press(name)
        self.assertEqual(page.board()["judged"], "×やり直し")
        page.press("cmdやり直し")
        page.wait(lambda: page.board()["judged"] == "", "the question redone")
        self.assertEqual(page.solve(), "○正解")

    def test_a_press_shows_while_the_finger_is_on_it(self):
        """A finger on a button the player can press shows it pressed at once, on a number the game
        takes on the way down too, and lets go of that look when it lifts; a disabled button takes
        no such look."""
        page = Page(Play.QUESTION, touch=True)
        page.start()
        look = lambda name: driver.execute_script(
            "const e = document.querySelector(`[data-control='${arguments[0]}']`); return getComputedStyle(e).boxShadow;", name)
        at = lambda name: driver.execute_script(
            "const r = document.querySelector(`[data-control='${arguments[0]}']`).getBoundingClientRect();"
            "return { x: r.x + r.width / 2, y: r.y + r.height / 2 };", name)
        for name, pressable in (("cmd数字(1)", True), ("cmdやり直し", True), ("cmd加算", False)):
            up = look(name)
            cdp("Input.dispatchTouchEvent", type="touchStart", touchPoints=[at(name)])
            held = look(name)
            cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
            page.wait(lambda: look(name) == up, f"{name} let go")
            self.assertEqual(held != up, pressable, f"{name}: {up} held as {held}")
            if name == "cmd数字(1)":
                self.assertTrue(page.board()["slots"][1]["marked"], "the number taken on the way down")

    def test_a_double_tap_is_two_presses(self):
        page = Page(Play.QUESTION, touch=True)
        page.start()
        number = page.element("cmd数字(1)")
        page.tap(number)
        page.tap(number)
        self.assertFalse(page.board()["slots"][1]["marked"], "the second tap lets go of it")
        page.tap(number)
        self.assertTrue(page.board()["slots"][1]["marked"])
        self.assertEqual(driver.execute_script("return visualViewport.scale;"), 1, "zoomed in")


# Which build each file of the page that is open came from: the page's mark, its script's, and
# the version in the name of each file it loaded that carries one.
BUILDS = """
const named = performance.getEntriesByType("resource").map((e) => e.name.match(/\\.([0-9a-f]{16})\\./)).filter(Boolean);
return [document.querySelector('meta[name="kazuroi-build"]').content, kBuild, ...named.map((m) => m[1])];
"""
# The builds whose copies the browser keeps, and whether the page is served by the worker.
COPIES = """
const done = arguments[arguments.length - 1];
(async () => {
  const whole = [], half = [];
  for (const name of (await caches.keys()).filter((n) => n.startsWith("kazuroi-")))
    ((await (await caches.open(name)).match("./.whole")) ? whole : half).push(name.slice(8));
  const registration = await navigator.serviceWorker.getRegistration();
  done({ copies: whole.sort(), half, served: !!navigator.serviceWorker.controller,
         installing: !!(registration && registration.installing),
         waiting: !!(registration && registration.waiting) });
})();
"""


# Every stored copy's files whose names start so, damaged in storage: their bytes replaced.
DAMAGE = """
const start = arguments[0], done = arguments[arguments.length - 1];
(async () => {
  for (const name of await caches.keys()) {
    const cache = await caches.open(name);
    for (const request of await cache.keys())
      if (new URL(request.url).pathname.split("/").pop().startsWith(start))
        await cache.put(request, new Response("damaged"));
  }
})().then(() => done());
"""


def second_build():
    """The site once more as a newer build would be: a part changed, the site made again."""
    work = tempfile.mkdtemp()
    parts = os.path.join(work, "parts")
    shutil.copytree(os.path.join(os.path.dirname(os.path.abspath(SITE)), "parts"), parts)
    with open(os.path.join(parts, "page.js"), "a", encoding="utf-8") as f:
        f.write("// the next build\n")
    subprocess.run(["cmake", f"-DPARTS={parts}", f"-DSITE={work}/site", f"-DTEMPLATE={ROOT}/web/sw.js",
                    "-P", f"{ROOT}/web/make_site.cmake"], check=True, capture_output=True)
    return os.path.join(work, "site")


def an_hour_old(site):
    """A copy of the site whose files a browser keeps for a while by its own rule, as it keeps
    the files of a host that sends their dates and nothing on caching."""
    copy = os.path.join(tempfile.mkdtemp(), "site")
    shutil.copytree(site, copy)
    for name in os.listdir(copy):
        os.utime(os.path.join(copy, name), (time.time() - 3600,) * 2)
    return copy


@needs_devtools
class Installed(unittest.TestCase):
    def tearDown(self):
        cdp("Emulation.setCPUThrottlingRate", rate=1)

    def build(self):
        """The one build the open page runs, whole."""
        builds = set(driver.execute_script(BUILDS))
        self.assertEqual(len(builds), 1, f"a page of two builds: {builds}")
        return builds.pop()

    def copies(self):
        return driver.execute_async_script(COPIES)

    def test_installable_and_plays_offline_once_opened(self):
        own = Host(SITE)  # a host of its own, to take down
        try:
            console()
            page = Page(Play.QUESTION, origin=own.url.rstrip("/"))
            page.box()
            self.assertEqual(cdp("Page.getInstallabilityErrors")["installabilityErrors"], [])
            manifest = cdp("Page.getAppManifest")
            self.assertEqual(manifest["errors"], [])
            page.wait(lambda: driver.execute_async_script(
                """const done = arguments[arguments.length - 1];
                   navigator.serviceWorker.ready.then(() => caches.keys()).then((names) =>
                     names.length !== 1 ? done(0) : caches.open(names[0]).then((c) => c.keys()).then((k) => done(k.length)));"""
            ) >= len(os.listdir(SITE)), "every file cached")
        finally:
            own.stop()
        driver.refresh()
        self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"})
        page.start()
        self.assertEqual([s["caption"] for s in page.board()["slots"][:4]], ["１", "２", "３", "４"])
        self.assertEqual(page.solve(), "○正解")
        self.assertEqual([l for l in console() if l[0] == "SEVERE" and "127.0.0.1" not in l[1]], [])

    def test_a_new_build_never_mixes_with_the_old(self):
        """Build 1 installed, build 2 put online, and loads one after another on a slow CPU: each
        runs one build whole; the first load plays build 1 and fetches build 2, which every load
        after its copy is whole plays, as does the new-game button of a page still on build 1;
        build 1's copy goes only once no open page plays it."""
        own = Host(an_hour_old(SITE), dated=True)
        newer = second_build()
        first = driver.current_window_handle
        try:
            page = Page(origin=own.url.rstrip("/"))
            page.box()
            page.wait(lambda: self.copies()["served"], "the page served by its worker")
            old = self.build()
            driver.switch_to.new_window("tab")  # a page of build 1 that stays open
            driver.get(own.url)
            page.box()
            driver.switch_to.window(first)
            own.site = newer
            cdp("Emulation.setCPUThrottlingRate", rate=4)
            seen = []
            for _ in range(4):  # at once, while the new build's copy is on its way
                driver.refresh()
                page.box()
                seen.append(self.build())
            page.wait(lambda: len(self.copies()["copies"]) == 2 and driver.execute_script("return page.newest;") != old,
                      "the new build's copy whole", 30)
            new = driver.execute_script("return page.newest;")
            self.assertEqual(seen[0], old, "the first load after the new build went online")
            self.assertEqual(set(seen) - {old, new}, set())
            self.assertEqual(seen, sorted(seen, key=lambda b: b == new), f"the old build after the new: {seen}")
            # This page, if still on build 1, plays build 2 from its new-game button.
            if seen[-1] == old:
                driver.execute_script("document.querySelector('[data-page=\"again\"]').click();")
                page.wait(lambda: driver.execute_script(BUILDS)[0] == new, "the new game's build")
                page.box()
            self.assertEqual(self.build(), new)
            # Build 1's copy stays while the other tab plays it, and goes once that is closed.
            driver.refresh()
            page.box()
            self.assertEqual(self.copies()["copies"], sorted([old, new]))
            driver.switch_to.window(driver.window_handles[-1])
            driver.close()
            driver.switch_to.window(first)
            driver.refresh()
            page.box()
            page.wait(lambda: self.copies()["copies"] == [new], "build 1's copy gone")
        finally:
            for handle in driver.window_handles:
                if handle != first:
                    driver.switch_to.window(handle)
                    driver.close()
            driver.switch_to.window(first)
            own.stop()

    def installed(self, own):
        """A page of the build OWN serves, from its own copy, whole."""
        page = Page(origin=own.url.rstrip("/"))
        page.box()
        page.wait(lambda: self.copies()["served"] and self.copies()["copies"], "the page served from its copy")
        return page, self.build()

    def tried(self, page, build):
        """Once the browser has tried to install BUILD and given up (its copy left half-way), the
        builds whose copies are whole."""
        page.wait(lambda: (lambda c: build in c["half"] and not c["installing"])(self.copies()),
                  "the update tried", 60)
        return self.copies()["copies"]

    def test_a_deploy_half_done_never_breaks_the_installed_copy(self):
        """A second build put online while its upload is under way, one file cut short (with the
        length the host says of it) or altered in place: its copy is never taken, every opening
        plays the build before it, and once the host serves the whole build it arrives."""
        newer = second_build()
        wasm = next(name for name in os.listdir(newer) if name.endswith(".wasm"))
        new = wasm.split(".")[1]
        for what, prefix, alter in (("the wasm cut short", wasm, lambda b: b[:len(b) // 2]),
                                    ("the page's script altered", "page.", lambda b: b.replace(b"strict", b"strikt", 1)),
                                    ("the page cut short", "index.html", lambda b: b[:len(b) // 2])):
            own = Host(SITE)
            try:
                page, old = self.installed(own)
                own.site = newer
                own.altered[prefix] = alter
                for _ in range(2):
                    driver.refresh()
                    page.box()
                    self.assertEqual(self.build(), old, what)
                    self.assertEqual(self.tried(page, new), [old], f"{what}: a copy taken")
                own.altered.clear()
                driver.refresh()  # the next update finds the build whole, and the next opening plays it
                page.box()
                # its copy whole, and its worker past waiting: the next opening is its
                page.wait(lambda: (lambda c: new in c["copies"] and not c["installing"] and not c["waiting"])(
                    self.copies()), f"{what}: the whole build's copy", 60)
                driver.refresh()
                page.box()
                self.assertEqual(self.build(), new, what)
            finally:
                own.stop()

    def test_an_update_cut_off_anywhere_leaves_a_copy_that_starts_offline(self):
        """The host goes down while a second build's copy is half fetched, after the page was
        reloaded half-way, or after its tab was closed half-way: offline, the page starts from
        the copy before, at once."""
        newer = second_build()
        wasm = next(name for name in os.listdir(newer) if name.endswith(".wasm"))
        first = driver.current_window_handle

        def close_tab():
            driver.switch_to.new_window("tab")
            driver.switch_to.window(first)
            driver.close()
            driver.switch_to.window(driver.window_handles[0])
        for what, meanwhile in (("the host down", lambda: None), ("a reload", driver.refresh),
                                ("the tab closed", close_tab)):
            own = Host(SITE)
            try:
                page, old = self.installed(own)
                first = driver.current_window_handle
                own.site = newer
                own.hold(wasm)  # the new copy's download stands half-way
                driver.refresh()
                page.box()
                page.wait(lambda: self.copies()["installing"], f"{what}: the update under way")
                meanwhile()
            finally:
                own.stop()
            driver.get(own.url)
            self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"}, what)
            self.assertEqual(self.build(), old, what)
            page.start()

    def test_a_file_damaged_in_storage_comes_from_the_host(self):
        """A file of the installed copy damaged in storage (the page's font): the worker does not
        serve it, and the page has its font whole from the host."""
        own = Host(SITE)
        try:
            page = self.installed(own)[0]
            driver.execute_async_script(DAMAGE, "kazuroi-gothic.")
            driver.refresh()
            page.box()
            page.wait(lambda: driver.execute_script(GOTHIC) in ("loaded", "error"), "the font fetched")
            self.assertEqual(driver.execute_script(GOTHIC), "loaded")
        finally:
            own.stop()

    def test_a_game_that_cannot_start_says_why_once(self):
        """A host whose security policy refuses the WebAssembly, and an installed copy damaged in
        storage while the host serves its wasm cut short (an upload under way): the copy goes,
        the page tries the host once, and then one line on the page says the game cannot start
        and why, never that it is over. The policy the README gives, and a whole upload, play."""
        fault = 'const f = document.getElementById("fault"); return f && !f.hidden ? f.textContent : "";'
        for what in ("a security policy", "a damaged copy and a cut upload"):
            own = Host(SITE)
            try:
                if what == "a security policy":
                    own.headers["Content-Security-Policy"] = "default-src 'self'"
                    page = Page(origin=own.url.rstrip("/"))
                else:
                    page = self.installed(own)[0]
                    wasm = next(name for name in os.listdir(SITE) if name.endswith(".wasm"))
                    driver.execute_async_script(DAMAGE, wasm)
                    own.altered[wasm] = lambda b: b[:len(b) // 2]
                    driver.refresh()
                said = page.wait(lambda: driver.execute_script(fault), f"{what}: the fault said", 30)
                self.assertIn("cannot start here", said, what)
                self.assertFalse(driver.find_element(By.ID, "over").is_displayed(), what)
                own.headers["Content-Security-Policy"] = (
                    "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self' 'unsafe-inline'; "
                    "img-src 'self' data:")
                own.altered.clear()
                page = Page(Play.QUESTION, origin=own.url.rstrip("/"))
                page.start()
                self.assertEqual(page.solve(), "○正解", what)
                if what == "a security policy":
                    self.assertIn("WebAssembly", said, what)
            finally:
                own.stop()


def read_aloud():
    """What a screen reader reads of the page, in its order (the tree walked depth first): texts
    (a button's own excepted), buttons and the time bar."""
    nodes = cdp("Accessibility.getFullAXTree")["nodes"]
    by_id = {n["nodeId"]: n for n in nodes}
    read = []

    def walk(node, in_button):
        role = node.get("role", {}).get("value")
        name = " ".join(node.get("name", {}).get("value", "").split())
        if not node.get("ignored") and name and (role in ("button", "progressbar") or role == "StaticText" and not in_button):
            read.append(name)
        for child in node.get("childIds", []):
            if child in by_id:
                walk(by_id[child], in_button or role == "button")
    walk(nodes[0], False)
    return read


@needs_devtools
class ScreenReaders(unittest.TestCase):
    def tree(self):
        nodes = cdp("Accessibility.getFullAXTree")["nodes"]
        return [n for n in nodes if not n.get("ignored")]

    def named(self, role, name=None):
        return [n for n in self.tree() if n.get("role", {}).get("value") == role
                and (name is None or n.get("name", {}).get("value") == name)]

    @staticmethod
    def property(node, name):
        for p in node.get("properties", []):
            if p["name"] == name:
                return p["value"]["value"]
        return None

    def read(self):
        return read_aloud()

    def test_boxes_numbers_the_time_bar_and_frames(self):
        page = Page("?random=0,0.9,0.8,0.7,0.5")  # 1 2 3 5 in Stage 3
        page.box()
        [box] = self.named("dialog", "かずろい")
        self.assertEqual(box["description"]["value"], "手加減したろか？")
        page.start("いいえ")
        page.press("cmd数字(2)")
        pressed = {n["name"]["value"]: self.property(n, "pressed")
                   for n in self.named("button") if n["name"]["value"] in DIGITS}
        self.assertEqual(pressed, {"１": "false", "２": "false", "３": "true", "５": "false"})
        [bar] = self.named("progressbar", "残り時間")
        self.assertEqual(self.property(bar, "valuemax"), 100)
        self.assertIn(bar["value"]["value"], range(60, 71))  # per cent of a full bar
        groups = {n["name"]["value"] for n in self.named("group")}
        self.assertTrue({"問題", "演算子", "答案"} <= groups, groups)

    def test_read_in_the_order_the_window_shows_and_the_verdict_told(self):
        page = Page(Play.QUESTION)
        page.start()
        for name in ["cmd数字(0)", "cmd数字(1)", "cmd数字(2)", "cmd数字(3)", "cmd加算"]:
            page.press(name)
        self.assertEqual(self.read(), [
            "かずろい kazuroi", "４つの数字で１０を作れ。", "Stage 1", "問題", "レベル 1", "１", "２", "３", "４",
            "＋", "×", "－", "÷", "１＋２＋３＋４", "○正解", "次の問題 》", "×やり直す", "残り時間", "○正解"])
        told = [n for n in self.named("status") if self.property(n, "live") == "polite"]
        self.assertEqual(len(told), 1)
        self.assertEqual(self.named("textbox"), [], "Text1 is read")
        page.press("cmd出題")
        page.wait(lambda: "○正解" not in self.read(), "the verdict no longer told")


# A stand-in for the Screen Wake Lock, counting the locks held.
WAKE_LOCK = """
window.wakeLocks = [];
Object.defineProperty(Navigator.prototype, "wakeLock", { configurable: true, get: () => ({
  request: async () => {
    const lock = new EventTarget();
    lock.release = async () => { lock.released = true; lock.dispatchEvent(new Event("release")); };
    wakeLocks.push(lock);
    return lock;
  } }) });
"""


@needs_devtools
class Phone(unittest.TestCase):
    def setUp(self):
        screen(390, 844, True)

    def tearDown(self):
        desktop()

    def test_the_screen_stays_on_while_the_clock_runs(self):
        script = cdp("Page.addScriptToEvaluateOnNewDocument", source=WAKE_LOCK)["identifier"]
        try:
            page = Page(touch=True)
            page.start("いいえ")  # Stage 3: the clock runs
            held = lambda: driver.execute_script("return wakeLocks.filter((l) => !l.released).length;")
            page.wait(lambda: held() == 1, "the screen kept on")
            self.assertEqual(page.solve(), "○正解")
            page.wait(lambda: held() == 0, "the lock let go when the clock stops")
            page.press("cmd出題")
            page.wait(lambda: held() == 1, "kept on for the next question")
            hide = """Object.defineProperty(document, "visibilityState", { configurable: true, get: () => arguments[0] });
                      document.dispatchEvent(new Event("visibilitychange"));"""
            driver.execute_script(hide, "hidden")
            page.wait(lambda: held() == 0, "the lock let go when the page is hidden")
            driver.execute_script(hide, "visible")
            page.wait(lambda: held() == 1, "kept on again when shown")
        finally:
            cdp("Page.removeScriptToEvaluateOnNewDocument", identifier=script)



class OnAPhone(unittest.TestCase):
    """Tests on an upright phone at 390 x 844 by touch, where the engine can be given one (a
    desktop window and the mouse elsewhere)."""

    def setUp(self):
        if CHROMIUM:
            screen(390, 844, True)

    def tearDown(self):
        if CHROMIUM:
            desktop()


class Keyboard(OnAPhone):
    """The keyboard in every engine: Tab goes round the buttons, and the focus ring shows from a
    key to the next tap or click (the game started by a tap on a phone, by a click elsewhere)."""

    def test_tab_goes_round_the_buttons_in_their_order(self):
        page = Page(Play.QUESTION)
        page.start()
        seen = []
        for _ in range(7):
            ActionChains(driver).send_keys(Keys.TAB).perform()
            seen.append(driver.switch_to.active_element.get_attribute("data-control"))
        self.assertEqual(seen, ["cmd数字(1)", "cmd数字(2)", "cmd数字(3)", "cmdやり直し",
                                "cmd数字(0)", "cmd数字(1)", "cmd数字(2)"])

    def test_the_focus_ring_shows_from_a_key_to_the_next_press(self):
        page = Page(Play.QUESTION, touch=CHROMIUM)
        page.start()
        ring = lambda: driver.execute_script(
            "const e = document.activeElement, r = getComputedStyle(e, '::after');"
            "return [e.dataset.control, r.display === 'none' || r.content === 'none' ? 'none' : r.borderTopStyle];")
        self.assertEqual(ring(), ["cmd数字(0)", "none"])
        ActionChains(driver).send_keys(Keys.TAB).perform()
        self.assertEqual(ring(), ["cmd数字(1)", "dotted"])
        page.press("cmd数字(2)")  # a finger or the mouse again: no ring wherever the focus is
        self.assertEqual(ring()[1], "none")


def kept():
    """The game the page keeps in its storage, as name -> value, or None."""
    text = driver.execute_script("return localStorage.getItem('kazuroi/Game');")
    return text and dict(line.split(" ", 1) for line in text.splitlines()[1:-1])


def saved_by_driver(script):
    """The game as kazuroi-script writes it at the end of SCRIPT."""
    out = run_script(script + "save\n")
    return out[out.index("> save\n") + len("> save\n"):]


class GameOver(OnAPhone):
    def test_a_time_out_says_how_far_the_player_got_and_sends_it_where_asked(self):
        """A game kept with its bar at its last twips times out: the page says the stage reached
        and its right answers and that redo was pressed, in the game's voice, with もう一度遊ぶ
        first; the result goes to the phone's share sheet as one line with the page's address."""
        nearly_out = saved_by_driver("answer No\nload\nquestion 2 1234\ndown cmd数字(0)\nclick cmdやり直し\n"
                                     "set TimeLeft 0\nset shp制限時間残り.Width 21\n")
        page = Page(storage={"kazuroi/Game": nearly_out}, touch=CHROMIUM)
        page.answer("続きから")
        self.assertEqual(page.box(), {"title": "かずろい", "text": "話にならんな"})
        page.answer("OK")
        page.wait(lambda: page.board()["over"], "the end of the game")
        said = driver.execute_script(
            "return ['h1', '.reached', '.redo'].map((s) => document.querySelector(`#over ${s}`).textContent);")
        self.assertEqual(said, ["おしまいや。", "Stage 3：0問正解", "やり直しあり"])
        self.assertEqual(driver.switch_to.active_element.get_attribute("data-page"), "again")
        driver.execute_script("navigator.share = async (data) => { window.shared = data; };")
        page.tap(driver.find_element(By.CSS_SELECTOR, '[data-page="share"]'))
        page.wait(lambda: driver.execute_script("return window.shared;"), "the result shared")
        self.assertEqual(driver.execute_script("return window.shared;"),
                         {"text": "かずろい：Stage 3：0問正解・やり直しあり", "url": base + "/"})


class PhoneLife(OnAPhone):
    """A phone's day: leaving and coming back, out of sight, reloaded, a damaged kept game,
    leaving with a box open."""

    def stage_three(self):
        page = Page(touch=CHROMIUM)
        page.start("いいえ")  # the clock runs
        page.wait(lambda: driver.execute_script("return !!navigator.serviceWorker.controller;"),
                  "the page served by its worker, which claims it only once")
        page.press("cmd数字(0)")
        page.wait(lambda: kept() and kept()["shp選択印(0).Visible"] == "True", "the game kept")
        return page

    def test_back_then_forward_plays_on(self):
        page = self.stage_three()
        before = page.board()
        driver.execute_script("window.stayed = true;")
        driver.back()
        driver.forward()
        page.wait(lambda: driver.execute_script("return document.readyState === 'complete';"), "the page back")
        stayed = driver.execute_script("return window.stayed === true;")
        # Chromium keeps the page in its back/forward cache; an engine that opens it anew offers
        # the game it kept.
        self.assertTrue(stayed or not CHROMIUM, "not from the back/forward cache")
        if not stayed:
            page.answer("続きから")
        self.assertEqual(page.board(), before)
        page.press("cmd数字(1)")
        self.assertTrue(page.board()["slots"][1]["marked"], "a tap after coming back")
        left = int(kept()["TimeLeft"])
        page.wait(lambda: int(kept()["TimeLeft"]) < left, "the clock running again")

    def test_out_of_sight_the_clock_stands(self):
        page = self.stage_three()
        first = driver.current_window_handle
        # The game goes out of sight: behind another tab (its storage, the same site's, read
        # there), or where the driver keeps tabs apart, in a window made small.
        if CHROMIUM:
            driver.switch_to.new_window("tab")
            driver.get(base + "/FONT-LICENSE.txt")
        else:
            driver.minimize_window()
            page.wait(lambda: driver.execute_script("return document.visibilityState;") == "hidden", "out of sight")
        when_hidden = kept()
        time.sleep(6)
        hidden = kept()
        if CHROMIUM:
            driver.close()
            driver.switch_to.window(first)
        else:
            driver.set_window_rect(width=1000, height=800)
        # At most the tick that was on its way: one drain step of Stage 3.
        drained = int(when_hidden["TimeLeft"]) - int(hidden["TimeLeft"])
        self.assertLessEqual(drained, 3, f"{drained} twips drained out of sight")
        page.wait(lambda: int(kept()["TimeLeft"]) < int(hidden["TimeLeft"]), "the clock running on in sight")

    def test_a_reload_takes_the_game_up_where_it_stood(self):
        page = self.stage_three()
        before, game = page.board(), kept()
        driver.refresh()
        self.assertEqual(page.box(), {"title": "かずろい", "text": "さっきの続きからやるか？"})
        self.assertEqual(page.board()["slots"], before["slots"])
        self.assertEqual(page.board()["stage"], "Stage 3")
        bar = driver.execute_script("return document.querySelector(`[data-control='shp制限時間残り']`).offsetWidth;")
        self.assertAlmostEqual(bar, float(game["shp制限時間残り.Width"]) / 15, delta=1, msg="the time bar")
        page.answer("続きから")
        self.assertIn(page.solve(), ("○正解", "×やり直し"))
        driver.refresh()
        page.answer("最初から")  # a new game in one tap
        self.assertEqual(page.box()["text"], "手加減したろか？")
        self.assertIsNone(kept())

    def test_a_kept_game_is_taken_up_only_whole(self):
        """The driver's saved game is taken up as it stands; damaged in any way it gives way to a
        new game, said in the console."""
        good = saved_by_driver("answer No\nload\nquestion 2 1567\ndown cmd数字(1)\n")
        damaged = {"a digit changed": good.replace("SlotValues(1) 5", "SlotValues(1) 6"),
                   "cut short": good[:len(good) // 2], "another format": good.replace("game 1", "game 9", 1),
                   "not a game": "hello\n"}
        page = Page(storage={"kazuroi/Game": good}, touch=CHROMIUM)
        page.start("続きから")
        self.assertEqual([s["caption"] for s in page.board()["slots"][:4]], ["１", "５", "６", "７"])
        self.assertEqual([s["marked"] for s in page.board()["slots"][:4]], [False, True, False, False])
        for what, text in damaged.items():
            console()
            page = Page(storage={"kazuroi/Game": text}, touch=CHROMIUM)
            self.assertEqual(page.box()["text"], "手加減したろか？", what)
            self.assertIsNone(kept(), what)
            if CHROMIUM:
                self.assertEqual(len([m for level, m in console() if "not taken up" in m]), 1, what)

    def test_leaving_with_a_box_open_stores_nothing(self):
        page = Page(touch=CHROMIUM)
        page.box()  # the start-up box
        driver.get(base + "/FONT-LICENSE.txt")
        self.assertEqual(driver.execute_script("return Object.keys(localStorage);"), [])
        self.stage_three()
        driver.refresh()
        page.box()  # the offer of the kept game
        driver.execute_script("localStorage.setItem('kazuroi/Startup/Left', ' 1500');")  # another tab's
        stored = driver.execute_script("return {...localStorage};")
        driver.get(base + "/FONT-LICENSE.txt")
        self.assertEqual(driver.execute_script("return {...localStorage};"), stored)


@checked_once
class Link(unittest.TestCase):
    def test_a_shared_link_previews_from_the_page_alone(self):
        """What a link preview reads is in index.html itself, and none of it is fetched by the
        page before its first box."""
        class Head(html.parser.HTMLParser):
            def __init__(self):
                super().__init__()
                self.meta, self.links = {}, []

            def handle_starttag(self, tag, attributes):
                a = dict(attributes)
                if tag == "meta" and "content" in a:
                    self.meta[a.get("property") or a.get("name")] = a["content"]
                if tag == "link":
                    self.links.append(a)
        head = Head()
        with open(os.path.join(SITE, "index.html"), encoding="utf-8") as f:
            head.feed(f.read())
        meta = head.meta
        self.assertEqual(meta["og:title"], "かずろい")
        self.assertEqual(meta["twitter:title"], "かずろい")
        for key in ("description", "og:description", "twitter:description"):
            self.assertIn("１０", meta[key], key)
        self.assertEqual(meta["twitter:card"], "summary")
        for key in ("og:image", "twitter:image"):
            with open(os.path.join(SITE, meta[key]), "rb") as f:
                png = f.read(24)
            self.assertEqual((png[:8], png[16:24]), (b"\x89PNG\r\n\x1a\n", (512).to_bytes(4, "big") * 2), key)
        for link in head.links:
            if link["rel"] in ("icon", "manifest", "apple-touch-icon"):
                self.assertTrue(link["href"].startswith("data:"), f"{link} fetched before the first box")


class Address(unittest.TestCase):
    def test_a_hostile_random_queue_is_refused_and_the_game_plays(self):
        for query in ["?random=100", "?random=0.5,abc", "?random=-0.1", "?random=1",
                      "?random=0.99999999", "?random=" + ",".join(["0.5"] * 10001)]:
            console()
            page = Page(query)
            page.start()
            page.wait(lambda: all(s["caption"] in DIGITS for s in page.board()["slots"][:4]),
                      f"a question for {query[:20]}")
            warnings = [m for level, m in console() if "random" in m]
            if CHROMIUM:
                self.assertEqual(len(warnings), 1, f"{query[:20]}: {warnings}")

    @needs_devtools
    def test_nothing_goes_to_the_console_in_play(self):
        for touch in (False, True):
            if touch:
                screen(390, 844, True)
            console()
            page = Page(Play.QUESTION, touch=touch)
            page.start()
            self.assertEqual(page.solve(), "○正解")
            self.assertEqual([l for l in console() if l[0] in ("SEVERE", "WARNING")], [])
        desktop()


def run_script(script):
    with tempfile.NamedTemporaryFile("w", suffix=".kzs", delete=False) as f:
        f.write(script)
    try:
        return subprocess.run([SCRIPT, f.name], check=True, capture_output=True, text=True).stdout
    finally:
        os.unlink(f.name)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
