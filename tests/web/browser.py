"""QEL's page in headless Chromium or in WebKitGTK, for the tests and the
bench.

The page is served from its build folder by a static server of our own on
a free local port; Chromium is driven through chromedriver, WebKitGTK
through WebKitWebDriver (on the X display in DISPLAY), both with real key
and pointer events. probe.js, installed before the page's own script,
counts beeps and reads the dialogs.
"""
import contextlib
import functools
import gzip
import http.server
import os
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

PROBE = open(os.path.join(os.path.dirname(__file__), "probe.js")).read()
PROBE_NAME = "qel-test-probe.js"
WEBKIT_DRIVER = "/usr/bin/WebKitWebDriver"
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".webmanifest": "application/manifest+json"}

    def log_message(self, *args):
        pass


class ProbeHandler(QuietHandler):
    """Puts probe.js into the page as its first script, same-origin as the
    page's policy wants: WebKit's driver has no way to add one."""

    def do_GET(self):
        if self.path == "/" + PROBE_NAME:
            return self.send_body(PROBE.encode(), "text/javascript")
        path = self.translate_path(self.path)
        if not os.path.isdir(path):
            return super().do_GET()
        page = open(os.path.join(path, "index.html"), "rb").read()
        self.send_body(page.replace(b"<head>", b'<head><script src="%s"></script>' % PROBE_NAME.encode(), 1),
                       "text/html")

    def send_body(self, body, content_type):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class GzipHandler(QuietHandler):
    """Sends every file compressed with gzip, as a static server set up for
    it does (browsers all accept it): each compressed once, kept until the
    file changes, as such a server keeps its .gz beside the file; and over
    connections kept open, as every such server does."""

    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # headers and body written apart would wait on the client's ACK

    packed = {}  # (path, mtime, size) -> the gzip body

    def do_GET(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        try:
            status = os.stat(path)
            key = (path, status.st_mtime_ns, status.st_size)
            if key not in self.packed:
                with open(path, "rb") as file:
                    self.packed[key] = gzip.compress(file.read(), 9)
            body = self.packed[key]
        except OSError:
            return self.send_error(404)
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


@contextlib.contextmanager
def served(folder, compressed=False, probe=False):
    """Yields the URL of `folder` served on a free port of 127.0.0.1; its
    page with probe.js in it if `probe`."""
    kind = GzipHandler if compressed else ProbeHandler if probe else QuietHandler
    handler = functools.partial(kind, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield "http://127.0.0.1:%d/" % server.server_address[1]
    finally:
        server.shutdown()


# A phone of Chromium's own emulation: its screen, a finger for a pointer.
PHONE = {"deviceMetrics": {"width": 412, "height": 915, "pixelRatio": 2.625, "touch": True}}


def chromium(extra_arguments=(), page_load_strategy="normal", phone=False):
    options = webdriver.ChromeOptions()
    if phone:
        options.add_experimental_option("mobileEmulation", PHONE)
    options.page_load_strategy = page_load_strategy
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=800,600",
                     "--autoplay-policy=no-user-gesture-required", *extra_arguments):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PROBE})
    return driver


def webkit():
    from selenium.webdriver.webkitgtk.options import Options
    options = Options()
    options.binary_location = MINIBROWSER
    options.add_argument("--automation")
    return webdriver.WebKitGTK(executable_path=WEBKIT_DRIVER, options=options)


def wait_until_ready(driver, timeout=10):
    """Until the main dialog takes keys."""
    from selenium.webdriver.support.ui import WebDriverWait
    WebDriverWait(driver, timeout, poll_frequency=0.01).until(
        lambda d: d.execute_script("return qelTest.ready()"))
