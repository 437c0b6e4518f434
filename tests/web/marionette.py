"""Firefox for the page's tests, driven through the WebDriver commands it speaks itself (Marionette),
without geckodriver (Debian 12 has none): a small WebDriver HTTP endpoint of our own that starts
Firefox ESR and passes each command a test sends through Selenium on to it. It knows the commands
the page's tests use, and says plainly when sent another.

    bridge = Bridge()            # Firefox is started by the test's new session
    driver = webdriver.Remote(command_executor=bridge.url, options=FirefoxOptions())
"""
import http.server
import json
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
import time

ELEMENT = "element-6066-11e4-a52e-4f735466cecf"
# (HTTP method, path after /session/ID, Marionette command, parameters from the path's groups)
ROUTES = [
    ("DELETE", r"", "WebDriver:DeleteSession", None),
    ("POST", r"/url", "WebDriver:Navigate", None),
    ("GET", r"/url", "WebDriver:GetCurrentURL", None),
    ("POST", r"/refresh", "WebDriver:Refresh", None),
    ("POST", r"/back", "WebDriver:Back", None),
    ("POST", r"/forward", "WebDriver:Forward", None),
    ("GET", r"/title", "WebDriver:GetTitle", None),
    ("POST", r"/execute/sync", "WebDriver:ExecuteScript", None),
    ("POST", r"/execute/async", "WebDriver:ExecuteAsyncScript", None),
    ("POST", r"/timeouts", "WebDriver:SetTimeouts", None),
    ("POST", r"/element", "WebDriver:FindElement", None),
    ("POST", r"/elements", "WebDriver:FindElements", None),
    ("GET", r"/element/active", "WebDriver:GetActiveElement", None),
    ("POST", r"/element/([^/]+)/element", "WebDriver:FindElement", lambda g: {"element": g[0]}),
    ("POST", r"/element/([^/]+)/elements", "WebDriver:FindElements", lambda g: {"element": g[0]}),
    ("POST", r"/element/([^/]+)/click", "WebDriver:ElementClick", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/text", "WebDriver:GetElementText", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/rect", "WebDriver:GetElementRect", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/name", "WebDriver:GetElementTagName", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/enabled", "WebDriver:IsElementEnabled", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/selected", "WebDriver:IsElementSelected", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/attribute/([^/]+)", "WebDriver:GetElementAttribute",
     lambda g: {"id": g[0], "name": g[1]}),
    ("GET", r"/element/([^/]+)/property/([^/]+)", "WebDriver:GetElementProperty",
     lambda g: {"id": g[0], "name": g[1]}),
    ("GET", r"/element/([^/]+)/css/([^/]+)", "WebDriver:GetElementCSSValue",
     lambda g: {"id": g[0], "propertyName": g[1]}),
    ("POST", r"/element/([^/]+)/value", "WebDriver:ElementSendKeys", lambda g: {"id": g[0]}),
    ("GET", r"/element/([^/]+)/screenshot", "WebDriver:TakeScreenshot", lambda g: {"id": g[0]}),
    ("POST", r"/actions", "WebDriver:PerformActions", None),
    ("DELETE", r"/actions", "WebDriver:ReleaseActions", None),
    ("GET", r"/window", "WebDriver:GetWindowHandle", None),
    ("POST", r"/window", "WebDriver:SwitchToWindow", None),
    ("DELETE", r"/window", "WebDriver:CloseWindow", None),
    ("GET", r"/window/handles", "WebDriver:GetWindowHandles", None),
    ("POST", r"/window/new", "WebDriver:NewWindow", None),
    ("GET", r"/window/rect", "WebDriver:GetWindowRect", None),
    ("POST", r"/window/rect", "WebDriver:SetWindowRect", None),
    ("POST", r"/window/minimize", "WebDriver:MinimizeWindow", None),
    ("POST", r"/window/maximize", "WebDriver:MaximizeWindow", None),
    ("GET", r"/screenshot", "WebDriver:TakeScreenshot", None),
]

PREFS = {
    "devtools.console.stdout.content": True,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.aboutwelcome.enabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False,
    "extensions.update.enabled": False,
    "dom.disable_open_during_load": False,
}


class Marionette:
    """One Firefox and the Marionette connection to it."""

    def __init__(self, binary="/usr/bin/firefox-esr", headless=True):
        self.profile = tempfile.mkdtemp(prefix="kazuroi-firefox-")
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for name, value in {**PREFS, "marionette.port": port}.items():
                f.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")
        args = [binary, "--marionette", "-remote-allow-system-access", "--no-remote",
                "--profile", self.profile] + (["--headless"] if headless else [])
        self.log = open(os.path.join(self.profile, "firefox.log"), "wb")
        self.process = subprocess.Popen(args, stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 60
        while True:
            try:
                self.socket = socket.create_connection(("127.0.0.1", port), timeout=300)
                break
            except OSError:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise RuntimeError(f"Firefox did not start Marionette; see {self.log.name}")
                time.sleep(0.1)
        self.buffer = b""
        self.read()  # its greeting
        self.next_id = 0
        self.lock = threading.Lock()

    def read(self):
        while b":" not in self.buffer:
            self.buffer += self.socket.recv(65536)
        length, _, rest = self.buffer.partition(b":")
        size = int(length)
        while len(rest) < size:
            rest += self.socket.recv(max(65536, size - len(rest)))
        self.buffer = rest[size:]
        return json.loads(rest[:size])

    def send(self, command, params):
        """The command's result, or its error as {"error", "message"}."""
        with self.lock:
            self.next_id += 1
            message = json.dumps([0, self.next_id, command, params]).encode()
            self.socket.sendall(str(len(message)).encode() + b":" + message)
            while True:
                reply = self.read()
                if reply[0] == 1 and reply[1] == self.next_id:
                    return reply[2], reply[3]

    def quit(self):
        try:
            self.send("Marionette:Quit", {"flags": ["eForceQuit"]})
        except OSError:
            pass
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.socket.close()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, value):
        body = json.dumps({"value": value}).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def handle_command(self, method):
        length = int(self.headers.get("Content-Length") or 0)
        body = json.loads(self.rfile.read(length) or b"{}") if length else {}
        bridge = self.server.bridge
        if method == "POST" and self.path == "/session":
            bridge.browser = Marionette(headless=bridge.headless)
            error, result = bridge.browser.send("WebDriver:NewSession", {"capabilities": {
                "alwaysMatch": {"acceptInsecureCerts": True, "pageLoadStrategy": "normal"}}})
            if error:
                return self.answer(500, error)
            return self.answer(200, {"sessionId": result["sessionId"], "capabilities": result["capabilities"]})
        match = re.match(r"/session/[^/]+(.*)$", self.path)
        rest = match.group(1) if match else self.path
        for verb, pattern, command, from_path in ROUTES:
            found = re.fullmatch(pattern, rest)
            if verb != method or not found:
                continue
            params = dict(body)
            if from_path:
                params.update(from_path(found.groups()))
            if command == "WebDriver:NewWindow":
                params.setdefault("type", "tab")
            if command == "WebDriver:DeleteSession":
                # Marionette:Quit ends the session with the browser; once the session is
                # deleted Firefox would no longer take it.
                bridge.browser.quit()
                bridge.browser = None
                return self.answer(200, None)
            error, result = bridge.browser.send(command, params)
            if error:
                return self.answer(404 if error.get("error") == "no such element" else 500, error)
            # Marionette puts most results under "value"; the handles and rects come bare.
            if isinstance(result, dict) and set(result) == {"value"}:
                result = result["value"]
            return self.answer(200, result)
        self.answer(404, {"error": "unknown command", "message": f"{method} {self.path} is not bridged"})

    def do_GET(self):
        self.handle_command("GET")

    def do_POST(self):
        self.handle_command("POST")

    def do_DELETE(self):
        self.handle_command("DELETE")


class Bridge:
    def __init__(self, headless=True):
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.bridge = self
        self.browser = None
        self.headless = headless
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}"

    def stop(self):
        if self.browser:
            self.browser.quit()
        self.server.shutdown()
