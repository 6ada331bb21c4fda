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
  - paint: the first frame that shows the dialog's fields, once the main
    thread has drawn it (a task of the highest priority queued in its
    callbacks has run);
  - shown: that frame on the screen, as the browser reports the first
    paint's presentation (in steps of 4 ms);
  - ready: the first field has the keyboard;
  - converted: a 1, typed as the field takes the keyboard, shown in all
    three fields, its frame drawn. The page tells the bench through a
    binding of the DevTools protocol, and the bench types at once on its own
    connection: nothing is taken off, and a key that the page holds up,
    still busy, counts in full, as a user's typed then would. Shown beside:
    when the 1 reached the browser (the bench's own delay, mostly when
    the browser is busy committing the page) and how long it then waited
    for the page;
- keystroke: from a key's event time stamp to the end of its handling (the
  text event it makes has been handled, conversions and taken-back keys
  included) and to the frame that shows it, for accepted digits and for
  refused letters (taken back, with a beep).

Medians over the runs, and QEL's as a ratio to the floor's: of the
medians, and the median of each run's ratio to the floor loaded beside
it. Each run is made twice, interleaved: as this machine runs it, and
with the processor slowed four times (Chromium's CPU throttling), as a
phone's is, QEL and the floor alike. The clock is the
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
import threading

from selenium.webdriver.common.action_chains import ActionChains

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
import browser  # noqa: E402
import devtools  # noqa: E402

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
window.qelBench = {ready: 0, paint: 0, shown: 0, converted: 0, keys: []};
addEventListener('focusin', event => {
  if (qelBench.ready || event.target.tagName != 'INPUT') return;
  qelBench.ready = performance.now();
  if (window.qelBenchReady) qelBenchReady('');  // the bench types the 1 now
});
// A frame is drawn once the main thread has done its style, layout and
// paint: a task of the highest priority queued in its callbacks runs then.
// The first frame's presentation is as the browser reports it, where it is
// that of the fields' frame.
function drawn(measure) {
  scheduler.postTask(() => {
    qelBench[measure] = performance.now();
    if (measure == 'converted' && window.qelBenchConverted) qelBenchConverted('');
  }, {priority: 'user-blocking'});
}
let fieldsFrame = 0;
requestAnimationFrame(function frame() {
  const fields = [...document.querySelectorAll('input')];
  if (!fieldsFrame && fields.length && fields[0].getBoundingClientRect().width) {
    fieldsFrame = performance.now();
    drawn('paint');
  }
  if (fields.length == 3 && fields.every(field => field.value == '1')) drawn('converted');
  else requestAnimationFrame(frame);
});
new PerformanceObserver(list => {
  const first = list.getEntriesByName('first-paint')[0];
  if (first) qelBench.shown = first.paintTime >= fieldsFrame ? first.presentationTime : -1;
}).observe({type: 'paint'});
addEventListener('keydown', event => {
  const key = {start: event.timeStamp, handler: performance.now()};
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

MEASURES = ("paint", "shown", "ready", "converted")
WORKER_READY = "navigator.serviceWorker.ready.then(() => arguments[0]())"
KEY_1 = [{"type": "keyDown", "key": "1", "text": "1", "code": "Digit1"}, {"type": "keyUp", "key": "1", "code": "Digit1"}]


class Pages:
    def __init__(self, driver):
        self.driver = driver
        self.devtools = devtools.DevTools(driver)
        self.devtools.send("Runtime.enable")  # without which bindings send nothing
        for binding in ("qelBenchReady", "qelBenchConverted"):
            self.devtools.send("Runtime.addBinding", {"name": binding})
        self.devtools.on("Runtime.bindingCalled", self.called)
        self.armed = False  # the 1 is still to be typed in this visit
        self.converted = threading.Event()
        self.cpu = ""     # added to each page's name: "" or " (4x slower)"
        self.loads = {}   # (page, visit, measure) -> [ms]
        self.ratios = {}  # (page, visit, measure) -> [its ms / the floor's, loaded right after it]
        self.last = {}    # visit -> (page, its clocks), until the floor is loaded beside it
        self.keys = {}    # page -> [key timings]

    # On the connection's thread: the 1 typed as the field takes the
    # keyboard; the page is not asked whether it has converted it, which
    # would keep its main thread busy.
    def called(self, params):
        if params["name"] == "qelBenchReady" and self.armed:
            self.armed = False
            for event in KEY_1:
                self.devtools.post("Input.dispatchKeyEvent", event)
        elif params["name"] == "qelBenchConverted":
            self.converted.set()

    def visit(self, name, url, visit):
        driver = self.driver
        name += self.cpu
        self.armed = True
        self.converted.clear()
        driver.get(url)
        if not self.converted.wait(10):
            raise SystemExit("%s: the 1 typed on a %s visit was not converted" % (name, visit))
        clocks = driver.execute_script("return qelBench")
        for measure in MEASURES:
            self.loads.setdefault((name, visit, measure), []).append(clocks[measure])
        if not name.startswith("floor"):
            self.last[visit] = (name, clocks)
        elif visit in self.last:
            page, beside = self.last.pop(visit)
            for measure in MEASURES:
                if min(clocks[measure], beside[measure]) > 0:
                    self.ratios.setdefault((page, visit, measure), []).append(beside[measure] / clocks[measure])
        # What the page held the 1 up by, busy when it was typed.
        key = clocks["keys"][0]
        self.loads.setdefault((name, visit, "typed"), []).append(key["start"] - clocks["ready"])
        self.loads.setdefault((name, visit, "held"), []).append(key["handler"] - key["start"])
        driver.execute_script("qelBench.keys = []")
        for character in "1234567xyz":
            ActionChains(driver).send_keys(character).perform()
        driver.execute_script("return new Promise(done => setTimeout(done, 100))")
        self.keys.setdefault(name, []).extend(driver.execute_script("return qelBench.keys"))


def median(values):
    return statistics.median(values)


def sizes(site):
    """The wasm's and the glue's bytes, as built and with gzip: files of
    their own, or inside the page (the wasm in base64, in a data block or
    in its first script, the glue its largest script)."""
    found = {}
    page = open(os.path.join(site, "index.html"), "rb").read()
    scripts = re.findall(rb"<script>(.*?)</script>", page, re.S)
    encoded = (re.search(rb'<script type="text/plain" id="qel-program">([A-Za-z0-9+/=]+)</script>', page) or
               scripts and re.search(rb"'([A-Za-z0-9+/=]{64,})'", scripts[0]))
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


def floor_folder(folder):
    for name, text in FLOOR.items():
        with open(os.path.join(folder, name), "w") as file:
            file.write(text)
    return folder


def site_names(sites):
    """QEL alone; builds to compare by their folders' names, or paths where
    those are alike (build/web/site beside another build's)."""
    if len(sites) == 1:
        return ["QEL"]
    names = [os.path.basename(os.path.normpath(site)) for site in sites]
    return names if len(set(names)) == len(names) else [os.path.normpath(site) for site in sites]


def main():
    arguments = sys.argv[1:]
    runs = int(arguments.pop()) if arguments[-1].isdigit() else 20
    sites = dict(zip(site_names(arguments), arguments))
    floor_site = floor_folder(tempfile.mkdtemp(prefix="qel-floor-"))

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
            for run, rate in enumerate([1, slowed] * runs):
                driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": rate})
                pages.cpu = "" if rate == 1 else " (%dx slower)" % rate
                # Each build first in turn, should the first after a change of speed pay for it.
                order = list(urls.items())
                for name, url in order[run // 2 % len(order):] + order[:run // 2 % len(order)]:
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
            if min(pages.loads[(name, visit, measure)] + pages.loads[(floor, visit, measure)]) < 0:
                print("  %-6s visit, %-10s a first paint came before the fields" % (visit, measure + ":"))
                continue
            # The speed of a machine shared with others drifts: each run's
            # ratio to the floor loaded right after it drifts less.
            paired = median(pages.ratios.get((name, visit, measure), [0]))
            print("  %-6s visit, %-10s QEL %6.1f ms, floor %6.1f ms: %.2f x the floor (%.2f run by run), %+.1f ms" % (
                visit, measure + ":", qel, base, qel / base, paired, qel - base))
        print("  %-6s visit, the 1 reached the browser %.1f ms after ready and waited %.1f ms for the page (QEL), "
              "%.1f and %.1f ms (floor); both count" % (
                  visit, *(median(pages.loads[(page, visit, what)]) for page in (name, floor) for what in ("typed", "held"))))


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
