#!/usr/bin/env python3
"""QEL's page in headless Chromium beside a floor, the least page that does
the same job (three inputs and a few lines of script converting between
them), both from a local static server that sends every file compressed
with gzip:

- the bytes transferred for the page on a first visit (Resource Timing's
  transferSize), by file, and those of the service worker;
- load: from the start of navigation to the dialog ready for typing (its
  first field has the keyboard); on a first visit (no service worker, the
  browser's cache off) and on a later one (QEL's files from its service
  worker, the floor's from the browser's cache), RUNS times each;
- keystroke: from a key's event time stamp to the end of its handling (the
  text event it makes has been handled, conversions and taken-back keys
  included) and to the frame that shows it, for accepted digits and for
  refused letters (taken back, with a beep).

Medians over the runs, and QEL's as a ratio to the floor's. The clock is the
page's own (performance.now), read by a script the bench installs before
the page's: neither page measures anything.

  web.py SITE [RUNS]
"""
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
window.qelBench = {ready: 0, keys: []};
addEventListener('focusin', event => {
  if (!qelBench.ready && event.target.tagName == 'INPUT') qelBench.ready = performance.now();
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

READY = "return !!document.activeElement && document.activeElement.tagName == 'INPUT'"
WORKER_READY = "navigator.serviceWorker.ready.then(() => arguments[0]())"


class Pages:
    def __init__(self, driver):
        self.driver = driver
        self.loads = {}   # (page, visit) -> [ms]
        self.keys = {}    # page -> [key timings]

    def visit(self, name, url, visit):
        driver = self.driver
        driver.get(url)
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(driver, 10, poll_frequency=0.01).until(lambda d: d.execute_script(READY))
        self.loads.setdefault((name, visit), []).append(driver.execute_script("return qelBench.ready"))
        for character in "1234567xyz":
            ActionChains(driver).send_keys(character).perform()
        driver.execute_script("return new Promise(done => setTimeout(done, 100))")
        self.keys.setdefault(name, []).extend(driver.execute_script("return qelBench.keys"))


def median(values):
    return statistics.median(values)


def main():
    site = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    floor_site = tempfile.mkdtemp(prefix="qel-floor-")
    for name, text in FLOOR.items():
        with open(os.path.join(floor_site, name), "w") as file:
            file.write(text)

    with browser.served(site, compressed=True) as url, browser.served(floor_site, compressed=True) as floor:
        driver = browser.chromium()
        pages = Pages(driver)
        try:
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": CLOCKS})
            driver.execute_cdp_cmd("Network.enable", {})
            for run in range(runs):
                driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
                driver.execute_cdp_cmd("Storage.clearDataForOrigin", {"origin": url.rstrip("/"), "storageTypes": "all"})
                pages.visit("QEL", url, "first")
                if run == 0:
                    files = driver.execute_script(TRANSFERS)
                driver.execute_async_script(WORKER_READY)
                pages.visit("floor", floor, "first")
                driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": False})
                pages.visit("QEL", url, "later")
                if not driver.execute_script("return !!navigator.serviceWorker.controller"):
                    raise SystemExit("the later visit was not served by the service worker")
                pages.visit("floor", floor, "later")
        finally:
            driver.quit()

    worker = open(os.path.join(site, "qel-sw.js"), "rb").read()
    kept = re.search(rb"FILES = \[(.*)\]", worker)[1].decode().replace("'", "")
    print("Page, as transferred with gzip on a first visit (bytes):")
    for name, transferred, decoded in files:
        print("  %-18s %7d  (%d unpacked)" % (name, transferred, decoded))
    print("  %-18s %7d  (%d unpacked)" % ("in all", sum(f[1] for f in files), sum(f[2] for f in files)))
    print("  %-18s %7d  (%d unpacked), the service worker, compressed here" % (
        "qel-sw.js", len(gzip.compress(worker, 9)), len(worker)))
    print("  The worker then fetches %s again, past the browser's cache\n"
          "  (a server that answers If-Modified-Since sends only what changed)." % kept)

    print("Load to the field ready for typing, median of %d:" % runs)
    for visit in ("first", "later"):
        qel, base = median(pages.loads[("QEL", visit)]), median(pages.loads[("floor", visit)])
        print("  %-6s visit: QEL %.1f ms, floor %.1f ms: %.2f x the floor" % (visit, qel, base, qel / base))
    for what, picked in (("accepted digit", slice(0, 7)), ("refused letter", slice(7, 10))):
        timings = {}
        for name, keys in pages.keys.items():
            chosen = [k for i in range(0, len(keys), 10) for k in keys[i:i + 10][picked]]
            timings[name] = chosen
        qel, base = timings["QEL"], timings["floor"]
        to_frame = median([k["frame"] - k["start"] for k in qel])
        floor_frame = median([k["frame"] - k["start"] for k in base])
        print("Keystroke, %s (%d): QEL handles it in %.1f ms, shows it in the frame after %.1f ms; "
              "floor %.1f ms: %.2f x the floor" % (
                  what, len(qel), median([k["handled"] - k["start"] for k in qel]), to_frame, floor_frame,
                  to_frame / floor_frame))


if __name__ == "__main__":
    main()
