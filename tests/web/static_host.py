"""The site served as a static host serves it: HTTP/1.1 with connections kept open, and text and
WebAssembly sent gzipped to a browser that takes it. For the page's tests and budgets, and for
playing (./dev web). A test may put another build online (Host.site), and may have the host send
what many hosts send, a file's date and no word on caching, so that a browser keeps the file
for a while by its own rule; or a header of its own (a security policy); or serve a file
altered, as a host half-way through an upload does (Host.altered); or hold a file's answer until
let go, as a slow download is (Host.holding).

Usage: static_host.py SITE_DIR [PORT [ADDRESS]]   (serves until interrupted; port 8000 and
127.0.0.1, this machine alone, unless given: 0.0.0.0 lets a phone on the same network play)
"""
import email.utils
import functools
import gzip
import http.server
import os
import socket
import threading

TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8",
         ".txt": "text/plain; charset=utf-8", ".webmanifest": "application/manifest+json",
         ".wasm": "application/wasm", ".woff2": "font/woff2", ".png": "image/png"}
COMPRESSED = {".html", ".js", ".txt", ".webmanifest", ".wasm"}


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES}

    def log_message(self, *args):
        pass

    def setup(self):
        super().setup()
        self.server.open_connections.add(self.connection)

    def finish(self):
        self.server.open_connections.discard(self.connection)
        super().finish()

    def do_GET(self):
        self.directory = self.server.site  # a connection kept open sees another build put online
        path = self.translate_path(self.path.split("?", 1)[0])
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if not os.path.isfile(path):
            self.send_error(404)
            return
        extension = os.path.splitext(path)[1]
        name = os.path.basename(path)
        if any(name.startswith(prefix) for prefix in self.server.holding):
            self.server.let_go.wait()
        alter = next((f for prefix, f in self.server.altered.items() if name.startswith(prefix)), None)
        zipped = extension in COMPRESSED and "gzip" in self.headers.get("Accept-Encoding", "")
        if alter:
            with open(path, "rb") as f:
                body = alter(f.read())
            body = gzip.compress(body, 9, mtime=0) if zipped else body
        else:
            body = packed(path, zipped)
        modified = email.utils.formatdate(int(os.path.getmtime(path)), usegmt=True)
        if self.server.dated and self.headers.get("If-Modified-Since") == modified:
            self.send_response(304)
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Type", self.extensions_map.get(extension, "application/octet-stream"))
        if extension in COMPRESSED:
            self.send_header("Vary", "Accept-Encoding")
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        if self.server.dated:
            self.send_header("Last-Modified", modified)
        else:
            self.send_header("Cache-Control", "no-cache")
        for header, value in self.server.headers.items():
            self.send_header(header, value)
        self.end_headers()
        self.wfile.write(body)


@functools.lru_cache(maxsize=None)
def packed_file(path, mtime, zipped):
    with open(path, "rb") as f:
        data = f.read()
    return gzip.compress(data, 9, mtime=0) if zipped else data


def packed(path, zipped):
    return packed_file(path, os.path.getmtime(path), zipped)


class Host:
    """The site on 127.0.0.1 (or the address given) at a port of its own (or the one given),
    until stopped; `site` is the folder served, which may change. `dated`: Last-Modified and no
    Cache-Control."""

    def __init__(self, site, port=0, dated=False, address="127.0.0.1"):
        self.server = http.server.ThreadingHTTPServer(
            (address, port), functools.partial(Handler, directory=site))
        self.server.site = site
        self.server.dated = dated
        self.server.headers = {}    # sent with every answer
        self.server.altered = {}    # a file's name's start -> what its bytes become
        self.server.holding = set() # the answers to files whose names start so wait for let_go
        self.server.let_go = threading.Event()
        self.server.daemon_threads = True
        # A browser that goes before the answer is whole is no fault of the site's.
        self.server.handle_error = lambda request, address: None
        self.server.open_connections = set()
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        shown = "127.0.0.1" if address in ("", "0.0.0.0") else address
        self.url = f"http://{shown}:{self.server.server_address[1]}/"

    @property
    def headers(self):
        return self.server.headers

    @property
    def altered(self):
        return self.server.altered

    def hold(self, *prefixes):
        """The answers to these files wait, as a slow download does, until let_go()."""
        self.server.let_go.clear()
        self.server.holding.update(prefixes)

    def let_go(self):
        self.server.holding.clear()
        self.server.let_go.set()

    @property
    def site(self):
        return self.server.site

    @site.setter
    def site(self, folder):
        self.server.site = folder

    def stop(self):
        """Gone as a host that is down: no new connection, and the open ones closed."""
        self.let_go()
        self.server.shutdown()
        self.server.server_close()
        for connection in list(self.server.open_connections):
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


if __name__ == "__main__":
    import sys
    import time

    if not 2 <= len(sys.argv) <= 4 or (len(sys.argv) > 2 and not sys.argv[2].isdigit()):
        sys.exit(__doc__)
    port = int(sys.argv[2]) if len(sys.argv) > 2 else 8000
    address = sys.argv[3] if len(sys.argv) > 3 else "127.0.0.1"
    try:
        served = Host(sys.argv[1], port, address=address)
    except OSError as e:
        sys.exit(f"static_host.py: cannot serve on {address}:{port}: {e.strerror}"
                 + ("; another program has that port, so name another (./dev web PORT)"
                    if e.errno == 98 else ""))
    if address in ("", "0.0.0.0"):
        print(f"Other machines on the network reach it at this machine's address, port {port}.")
    print(f"The game is served on {served.url} (from {sys.argv[1]}; Ctrl-C stops it)", flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        served.stop()
