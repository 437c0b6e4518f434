#!/usr/bin/python3
"""The web page in a real browser: headless Chromium driven through Selenium, served over HTTP.

Usage: test_page.py SITE_DIR KAZUROI_SCRIPT [unittest options]
Run with Debian's /usr/bin/python3, which has python3-selenium.
"""
import functools
import http.server
import itertools
import os
import subprocess
import sys
import tempfile
import threading
import unittest

from selenium import webdriver
from selenium.common.exceptions import ElementClickInterceptedException
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

SITE, SCRIPT = sys.argv[1], sys.argv[2]
DIGITS = "０１２３４５６７８９"
OPERATORS = ["cmd加算", "cmd減算", "cmd乗算", "cmd除算"]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def setUpModule():
    global server, driver, base
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(QuietHandler, directory=SITE))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1000,800",
                 "--no-first-run", "--disable-background-networking", "--disable-sync",
                 "--disable-component-update", "--disable-dev-shm-usage"]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def tearDownModule():
    driver.quit()
    server.shutdown()


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
    def __init__(self, query="", storage=None):
        driver.get(base + "/FONT-LICENSE.txt")  # the page's origin, to set its storage first
        driver.execute_script("localStorage.clear();")
        for key, text in (storage or {}).items():
            driver.execute_script("localStorage.setItem(arguments[0], arguments[1]);", key, text)
        driver.get(base + "/" + query)

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
                button.click()
                return
        raise AssertionError(f"no button {label}")

    def start(self, label="はい"):
        self.answer(label)
        self.wait(lambda: self.element("Form1").is_displayed(), "the window")

    def press(self, name):
        self.element(name).click()

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
        twips = dict(line.split(" = ") for line in run_script(script).splitlines()[1:])
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


def run_script(script):
    with tempfile.NamedTemporaryFile("w", suffix=".kzs", delete=False) as f:
        f.write(script)
    try:
        return subprocess.run([SCRIPT, f.name], check=True, capture_output=True, text=True).stdout
    finally:
        os.unlink(f.name)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
