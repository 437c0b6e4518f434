#!/usr/bin/python3
"""The web page in a real browser: headless Chromium driven through Selenium, the site served as a
static host serves it (gzip, connections kept open), on a desktop and on phone and tablet screens
played by touch through the DevTools protocol.

Usage: test_page.py SITE_DIR KAZUROI_SCRIPT [unittest options]
Run with Debian's /usr/bin/python3, which has python3-selenium.
"""
import functools
import itertools
import os
import subprocess
import sys
import tempfile
import unittest

from selenium import webdriver
from selenium.common.exceptions import ElementClickInterceptedException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from static_host import Host  # noqa: E402

SITE, SCRIPT = sys.argv[1], sys.argv[2]
DIGITS = "０１２３４５６７８９"
OPERATORS = ["cmd加算", "cmd減算", "cmd乗算", "cmd除算"]


def setUpModule():
    global host, driver, base
    host = Host(SITE)
    base = host.url.rstrip("/")
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1000,800",
                 "--no-first-run", "--disable-background-networking", "--disable-sync",
                 "--disable-component-update", "--disable-dev-shm-usage"]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def tearDownModule():
    driver.quit()
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
    """What the page wrote to the console since last asked, as (level, message)."""
    return [(entry["level"], entry["message"]) for entry in driver.get_log("browser")]


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
        return WebDriverWait(driver, timeout).until(lambda d: condition(), what)

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
        """A finger's tap at the middle of the element, as the screen reports it."""
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


class StartUp(unittest.TestCase):
    def test_both_answers_and_a_modal_box(self):
        page = Page()
        self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"})
        page.start("はい")
        self.assertEqual(page.board()["stage"], "Stage 1")
        page = Page()
        page.start("いいえ")
        self.assertEqual(page.board()["stage"], "Stage 3")

    def test_controls_at_their_layout_places(self):
        page = Page()
        page.start()
        names = driver.execute_script(
            "return [...document.querySelectorAll('#client [data-control]')]"
            ".filter(e => e.offsetParent).map(e => e.dataset.control)")
        script = "load\n" + "".join(
            f"get {n}.{p}\n" for n in names for p in ("Left", "Top", "Width", "Height"))
        twips = dict(line.split(" = ") for line in run_script(script).splitlines() if " = " in line)
        client = self.element_rect("Form1")
        self.assertEqual((client["width"], client["height"]), (586, 493))
        for name in names:
            rect = self.element_rect(name)
            left, top = (float(twips[f"{name}.{p}"]) for p in ("Left", "Top"))
            right = left + float(twips[f"{name}.Width"])
            bottom = top + float(twips[f"{name}.Height"])
            expected = [round(left / 15), round(top / 15),
                        round(right / 15) - round(left / 15), round(bottom / 15) - round(top / 15)]
            self.assertEqual([rect["x"], rect["y"], rect["width"], rect["height"]], expected, name)

    def element_rect(self, name):
        return driver.execute_script(
            """const e = document.querySelector(`[data-control="${arguments[0]}"]`);
               return { x: e.offsetLeft, y: e.offsetTop, width: e.offsetWidth, height: e.offsetHeight };""",
            name)

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


class WholeGame(unittest.TestCase):
    def test_stage_one_to_the_extra_stages_closing_boxes(self):
        page = Page("?seed=2026")
        page.start("はい")
        for stage in ["Stage 1", "Stage 2", "Stage 3", "Stage 4", "Final Stage"]:
            for question in range(20):
                page.wait(lambda: page.board()["stage"] == stage, stage)
                self.assertEqual(page.solve(), "○正解", f"{stage} question {question + 1}")
                if question < 19:
                    page.press("cmd出題")
            if stage == "Stage 1":
                # The panel falls in front of everything, 次の問題 included.
                panel_over_next = """const b = document.querySelector('[data-control="cmd出題"]').getBoundingClientRect();
                    const e = document.elementFromPoint(b.x + b.width / 2, b.y + b.height / 2);
                    return !!e.closest('[data-control="frmステージクリア"]');"""
                page.wait(lambda: driver.execute_script(panel_over_next), "the panel over 次の問題")
            if stage != "Final Stage":
                page.wait(lambda: page.board()["next"], "the animation's end")
                page.press("cmd出題")
        self.assertEqual(page.box()["text"], "天才ちゃうか。\nもう1問出したろ。")
        with self.assertRaises(ElementClickInterceptedException):
            page.press("cmdやり直し")  # the box is modal: nothing of the window takes a click
        page.answer("OK")
        page.wait(lambda: page.board()["stage"] == "Extra Stage", "the Extra Stage after the refill")
        self.assertEqual(page.element("lblレベル").text, "★☆★☆★")
        self.assertEqual(page.solve(), "○正解")
        for text in ["かずろいマスターの称号を与えよう。", "要らんって？ ^^;", "また遊んだろ。"]:
            self.assertEqual(page.box(), {"title": "やるなー。", "text": text})
            page.answer("OK")
        page.wait(lambda: page.board()["over"], "the page saying the game is over")
        self.assertFalse(driver.find_element(By.ID, "window").is_displayed())
        # A new game in the same page, from its start-up box, with the window as it first was.
        again = driver.find_element(By.CSS_SELECTOR, '[data-page="again"]')
        self.assertEqual(driver.switch_to.active_element, again)
        again.click()
        self.assertEqual(page.box(), {"title": "かずろい", "text": "手加減したろか？"})
        page.start("いいえ")
        self.assertFalse(page.board()["over"])
        self.assertEqual(page.board()["stage"], "Stage 3")
        self.assertEqual(page.solve(), "○正解")


# The window on every screen: wholly inside it, the layout kept, at least 85 % of a touch screen's
# width or height, and at its own size with a mouse where it fits.
SCREENS = [("phone portrait", 390, 844, True), ("small phone", 360, 640, True),
           ("phone landscape", 844, 390, True), ("tablet", 820, 1180, True),
           ("tablet landscape", 1366, 1024, True), ("desktop", 1280, 800, False),
           ("small browser window", 500, 420, False)]

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


def inside(rect, width, height):
    return (rect["left"] >= -0.5 and rect["top"] >= -0.5 and rect["right"] <= width + 0.5
            and rect["bottom"] <= height + 0.5)


class Screens(unittest.TestCase):
    def tearDown(self):
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

    def test_every_screen_shows_the_whole_window_and_its_boxes(self):
        box_rect = """const b = document.querySelector('dialog[open]');
            return b && Object.assign(b.getBoundingClientRect().toJSON(), {scale: b.getBoundingClientRect().width / b.offsetWidth});"""
        for what, width, height, touch in SCREENS:
            screen(width, height, touch)
            page = Page(touch=touch)
            box = page.wait(lambda: driver.execute_script(box_rect), "the start-up box")
            self.assertTrue(inside(box, width, height), f"{what}: the box at {box}")
            page.start()
            p = self.check_fit(what, touch)
            # The box is at the window's scale, in the middle of the screen where the window
            # will stand, or stands, when scaled to fit.
            self.assertAlmostEqual(box["scale"], p["scale"], delta=0.01, msg=what)
            if p["scale"] != 1:
                for axis, size in (("x", "width"), ("y", "height")):
                    self.assertAlmostEqual(box[axis] + box[size] / 2, p["window"][axis] + p["window"][size] / 2,
                                           delta=3, msg=f"{what}: the box beside the window")

    def test_turning_the_device_refits_the_window_and_keeps_the_game(self):
        screen(390, 844, True)
        page = Page(Play.QUESTION, touch=True)
        page.start()
        page.press("cmd数字(0)")
        page.press("cmd数字(2)")
        before = page.board()
        screen(844, 390, True)
        page.wait(lambda: driver.execute_script(PLACES)["window"]["width"] > 400, "the window refitted")
        self.check_fit("turned to landscape", True)
        self.assertEqual(page.board(), before)
        screen(390, 844, True)
        page.wait(lambda: driver.execute_script(PLACES)["window"]["width"] < 400, "the window refitted")
        self.check_fit("turned back", True)
        page.press("cmd加算")
        self.assertEqual(page.board()["slots"][4]["caption"], "１＋３")

    def test_a_scaled_window_keeps_the_stored_place_and_does_not_move(self):
        stored = {"kazuroi/Startup/Left": " 1500", "kazuroi/Startup/Top": " 960"}
        screen(390, 844, True)
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


class Installed(unittest.TestCase):
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

    def test_tab_goes_round_the_buttons_in_their_order(self):
        page = Page(Play.QUESTION)
        page.start()
        seen = []
        for _ in range(7):
            ActionChains(driver).send_keys(Keys.TAB).perform()
            seen.append(driver.switch_to.active_element.get_attribute("data-control"))
        self.assertEqual(seen, ["cmd数字(1)", "cmd数字(2)", "cmd数字(3)", "cmdやり直し",
                                "cmd数字(0)", "cmd数字(1)", "cmd数字(2)"])


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
            self.assertEqual(len(warnings), 1, f"{query[:20]}: {warnings}")

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
