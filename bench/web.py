#!/usr/bin/env python3
"""QEL's page in headless Chromium beside a floor, the least page that does
the same job (three inputs and a few lines of script converting between
them), both from a local static server that sends every file compressed
with gzip (each compressed once, as a server set up for it keeps it):

- the sizes of the wasm and of its glue (qel.js), as built and with gzip,
  whether files of their own or inside the page;
- the bytes transferred for the page on a first visit (Resource Timing's
  transferSize), by file, and those of the service worker;
- on a first visit (no service worker, the browser's cache off) and on a
  later one (QEL's files from its service worker, the floor's from the
  browser's cache), RUNS times each, from the start of navigation:
  - paint: the first frame that shows the dialog's fields;
  - ready: the first field has the keyboard;
  - converted: a 1, typed once the field is ready, shown in all three
    fields (the program runs: this keeps "ready" honest); the driver's
    delay in typing it, from ready to the key's event, is taken off;
- keystroke: from a key's event time stamp to the end of its handling (the
  text event it makes has been handled, conversions and taken-back keys
  included) and to the frame that shows it, for accepted digits and for
  refused letters (taken back, with a beep).

Medians over the runs, and QEL's as a ratio to the floor's. Each run is
made twice, interleaved: as this machine runs it, and with the processor
slowed four times (Chromium's CPU throttling), as a phone's is, QEL and the
floor alike. The clock is the
page's own (performance.now), read by a script the bench installs before
the page's: neither page measures anything. More than one SITE (builds to
compare) are each loaded in turn with the floor, in the same run.

  web.py SITE [SITE...] [RUNS]
"""
import base64
import contextlib
import gzip
import os
import re
import statistics
import sys
import tempfile

from selenium.webdriver.common.action_chains import ActionChains

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
import browser  # noqa: E402

FLOOR = {
    "index.html": """<!DOCTYPE html>
<html lang="it"><head><meta charset="utf-8"><title>Floor</title><script src="floor.js" defer></script></head>
<body><input id="d"> <input id="h"> <input id="o"></body></html>
""",
    "floor.js": """const fields = [[d, 10], [h, 16], [o, 8]];
for (const [field, base] of fields) {
  field.addEventListener('input', () => {
    const n = parseInt(field.value, base);
    for (const [other, b] of fields)
      if (other != field) other.value = isNaN(n) ? '' : n.toString(b).toUpperCase();
  });
}
d.focus();
""",
}

CLOCKS = """
window.qelBench = {ready: 0, paint: 0, converted: 0, keys: []};
addEventListener('focusin', event => {
  if (!qelBench.ready && event.target.tagName == 'INPUT') qelBench.ready = performance.now();
});
// Each frame until the fields are drawn, then until a 1 shows in all three.
// The clock is read in the frame's callbacks: the frame's own time stamp
// can be older than what it draws, where the page kept it waiting.
requestAnimationFrame(function frame() {
  const fields = [...document.querySelectorAll('input')], time = performance.now();
  if (!qelBench.paint && fields.length && fields[0].getBoundingClientRect().width) qelBench.paint = time;
  if (fields.length == 3 && fields.every(field => field.value == '1')) qelBench.converted = time;
  else requestAnimationFrame(frame);
});
addEventListener('keydown', event => {
  const key = {start: event.timeStamp};
  qelBench.keys.push(key);
  requestAnimationFrame(() => { key.frame = performance.now(); });
}, true);
// QEL inserts the text itself, from within the key's beforeinput: the
// outermost one ends when everything is done.
let depth = 0;
addEventListener('beforeinput', () => depth++, true);
addEventListener('beforeinput', () => {
  if (--depth == 0) qelBench.keys[qelBench.keys.length - 1].handled = performance.now();
});
"""

TRANSFERS = """
const entries = [performance.getEntriesByType('navigation')[0], ...performance.getEntriesByType('resource')];
return entries.map(e => [e.name.split('/').pop() || 'index.html', e.transferSize, e.decodedBodySize]);
"""

WHEN_READY = "qelBench.ready || new Promise(done => addEventListener('focusin', done, {once: true}))"
CONVERTED = "return qelBench.converted"
MEASURES = ("paint", "ready", "converted")
WORKER_READY = "navigator.serviceWorker.ready.then(() => arguments[0]())"


class Pages:
    def __init__(self, driver, cpu=""):
        self.driver = driver
        self.cpu = cpu  # added to each page's name: "" or " (4x slower)"
        self.loads = {}   # (page, visit, measure) -> [ms]
        self.keys = {}    # page -> [key timings]

    def visit(self, name, url, visit):
        from selenium.webdriver.support.ui import WebDriverWait
        driver = self.driver
        name += self.cpu
        driver.get(url)
        driver.execute_cdp_cmd("Runtime.evaluate", {"expression": WHEN_READY, "awaitPromise": True})
        for kind in ("keyDown", "keyUp"):  # the shortest way in: no actions to plan
            driver.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": kind, "key": "1", "text": "1", "code": "Digit1"})
        WebDriverWait(driver, 10, poll_frequency=0.005).until(lambda d: d.execute_script(CONVERTED))
        clocks = driver.execute_script("return qelBench")
        # The driver needs some 20 ms to type the 1: counted as if typed at once.
        lag = clocks["keys"][0]["start"] - clocks["ready"]
        clocks["converted"] -= lag
        for measure in MEASURES:
            self.loads.setdefault((name, visit, measure), []).append(clocks[measure])
        self.loads.setdefault((name, visit, "key sent"), []).append(lag)
        driver.execute_script("qelBench.keys = []")
        for character in "1234567xyz":
            ActionChains(driver).send_keys(character).perform()
        driver.execute_script("return new Promise(done => setTimeout(done, 100))")
        self.keys.setdefault(name, []).extend(driver.execute_script("return qelBench.keys"))


def median(values):
    return statistics.median(values)


def sizes(site):
    """The wasm's and the glue's bytes, as built and with gzip: files of
    their own, or inside the page (the wasm in base64 in its first script,
    the glue its largest script)."""
    found = {}
    page = open(os.path.join(site, "index.html"), "rb").read()
    scripts = re.findall(rb"<script>(.*?)</script>", page, re.S)
    encoded = re.search(rb"'([A-Za-z0-9+/=]{64,})'", scripts[0]) if scripts else None
    for name in ("qel.wasm", "qel.js"):
        path = os.path.join(site, name)
        if os.path.exists(path):
            data = open(path, "rb").read()
        elif name == "qel.wasm" and encoded:
            data = base64.b64decode(encoded[1])
            name = "qel.wasm (in the page)"
        elif name == "qel.js" and scripts:
            data = max(scripts[1:] or scripts, key=len)
            name = "qel.js (in the page)"
        else:
            continue
        found[name] = (len(data), len(gzip.compress(data, 9)))
    return found


def main():
    arguments = sys.argv[1:]
    runs = int(arguments.pop()) if arguments[-1].isdigit() else 20
    sites = {(os.path.basename(os.path.normpath(site)) if len(arguments) > 1 else "QEL"): site
             for site in arguments}
    floor_site = tempfile.mkdtemp(prefix="qel-floor-")
    for name, text in FLOOR.items():
        with open(os.path.join(floor_site, name), "w") as file:
            file.write(text)

    with contextlib.ExitStack() as servers:
        urls = {name: servers.enter_context(browser.served(site, compressed=True)) for name, site in sites.items()}
        floor = servers.enter_context(browser.served(floor_site, compressed=True))
        # Back from a navigation once the document is parsed, not loaded: the
        # 1 is typed as soon as the field has the keyboard.
        driver = browser.chromium(page_load_strategy="eager")
        pages = Pages(driver)
        files = {}
        slowed = 4
        try:
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": CLOCKS})
            driver.execute_cdp_cmd("Network.enable", {})
            for rate in [1, slowed] * runs:
                driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": rate})
                pages.cpu = "" if rate == 1 else " (%dx slower)" % rate
                for name, url in urls.items():
                    driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
                    driver.execute_cdp_cmd("Storage.clearDataForOrigin",
                                           {"origin": url.rstrip("/"), "storageTypes": "all"})
                    pages.visit(name, url, "first")
                    files.setdefault(name, driver.execute_script(TRANSFERS))
                    driver.execute_async_script(WORKER_READY)
                    pages.visit("floor", floor, "first")
                    driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": False})
                    pages.visit(name, url, "later")
                    if not driver.execute_script("return !!navigator.serviceWorker.controller"):
                        raise SystemExit("the later visit was not served by the service worker")
                    pages.visit("floor", floor, "later")
        finally:
            driver.quit()

    for name, site in sites.items():
        report(name, site, files[name], pages, slowed)
    print("Floor: %d visits of each kind, one beside each of the above." % len(pages.loads[("floor", "first", "ready")]))


def report(name, site, files, pages, slowed):
    print("== %s (%s)" % (name, site))
    for file, (built, packed) in sizes(site).items():
        print("  %-20s %7d bytes, %d with gzip" % (file, built, packed))
    worker = open(os.path.join(site, "qel-sw.js"), "rb").read()
    kept = re.search(rb"FILES = \[(.*)\]", worker)[1].decode().replace("'", "")
    print("Page, as transferred with gzip on a first visit (bytes):")
    for file, transferred, decoded in files:
        print("  %-18s %7d  (%d unpacked)" % (file, transferred, decoded))
    print("  %-18s %7d  (%d unpacked)" % ("in all", sum(f[1] for f in files), sum(f[2] for f in files)))
    print("  %-18s %7d  (%d unpacked), the service worker, compressed here" % (
        "qel-sw.js", len(gzip.compress(worker, 9)), len(worker)))
    print("  The worker then fetches %s again, past the browser's cache\n"
          "  (a server that answers If-Modified-Since sends only what changed)." % kept)

    report_loads(name, "floor", pages, "From navigation")
    report_loads(name + pages.cpu, "floor" + pages.cpu, pages, "The same with the processor %dx slower" % slowed)
    report_keys(name, "floor", pages)
    report_keys(name + pages.cpu, "floor" + pages.cpu, pages, name)


def report_loads(name, floor, pages, title):
    runs = len(pages.loads[(name, "first", "ready")])
    print("%s, median of %d (floor beside it, same run):" % (title, runs))
    for visit in ("first", "later"):
        for measure in MEASURES:
            qel = median(pages.loads[(name, visit, measure)])
            base = median(pages.loads[(floor, visit, measure)])
            print("  %-6s visit, %-10s QEL %6.1f ms, floor %6.1f ms: %.2f x the floor, %+.1f ms" % (
                visit, measure + ":", qel, base, qel / base, qel - base))
        print("  %-6s visit, the 1 typed %.1f ms after ready (QEL), %.1f ms (floor), taken off converted" % (
            visit, median(pages.loads[(name, visit, "key sent")]), median(pages.loads[(floor, visit, "key sent")])))


def report_keys(name, floor, pages, base_name=None):
    base_name = base_name or name
    for what, picked in (("accepted digit", slice(0, 7)), ("refused letter", slice(7, 10))):
        timings = {}
        for page in (name, floor):
            keys = pages.keys[page]
            timings[page] = [k for i in range(0, len(keys), 10) for k in keys[i:i + 10][picked]]
        qel, base = timings[name], timings[floor]
        to_frame = median([k["frame"] - k["start"] for k in qel])
        floor_frame = median([k["frame"] - k["start"] for k in base])
        print("Keystroke%s, %s (%d): QEL handles it in %.1f ms, shows it in the frame after %.1f ms; "
              "floor %.1f ms: %.2f x the floor" % (
                  name[len(base_name):], what, len(qel), median([k["handled"] - k["start"] for k in qel]),
                  to_frame, floor_frame, to_frame / floor_frame))


if __name__ == "__main__":
    main()
