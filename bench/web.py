#!/usr/bin/env python3
"""QEL's page in headless Chromium, from a local static server that sends
every file compressed with gzip:

- the bytes transferred for the page (Resource Timing's transferSize), by file;
- load: from the start of navigation to the dialog ready for typing (its
  first field has the keyboard), with the browser's cache off, RUNS times;
- keystroke: from a key's event time stamp to the end of its handling (the
  text event it makes has been handled, conversions and taken-back keys
  included) and to the frame that shows it, for accepted digits and for
  refused letters (taken back, with a beep).

Medians over the runs. The clock is the page's own (performance.now), read
by a script the bench installs before the page's: the page measures nothing.

  web.py SITE [RUNS]
"""
import os
import statistics
import sys

from selenium.webdriver.common.action_chains import ActionChains

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
import browser  # noqa: E402

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
// The page inserts the text itself, from within the key's beforeinput:
// the outermost one ends when everything is done.
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


def median_ms(values):
    return "%.1f ms" % statistics.median(values)


def main():
    site = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    with browser.served(site, compressed=True) as url:
        driver = browser.chromium()
        try:
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": CLOCKS})
            driver.execute_cdp_cmd("Network.enable", {})
            driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})
            loads, accepted, refused = [], [], []
            for run in range(runs):
                driver.get(url)
                browser.wait_until_ready(driver)
                loads.append(driver.execute_script("return qelBench.ready"))
                if run == 0:
                    files = driver.execute_script(TRANSFERS)
                for character in "1234567":
                    ActionChains(driver).send_keys(character).perform()
                for character in "xyz":
                    ActionChains(driver).send_keys(character).perform()
                driver.execute_script("return new Promise(done => setTimeout(done, 100))")
                keys = driver.execute_script("return qelBench.keys")
                accepted += keys[:7]
                refused += keys[7:]
        finally:
            driver.quit()

    print("Page, as transferred with gzip (bytes):")
    for name, transferred, decoded in files:
        print("  %-18s %7d  (%d unpacked)" % (name, transferred, decoded))
    print("  %-18s %7d  (%d unpacked)" % ("in all", sum(f[1] for f in files), sum(f[2] for f in files)))
    print("Load to the dialog ready for typing, median of %d: %s" % (runs, median_ms(loads)))
    for what, keys in (("accepted digit", accepted), ("refused letter", refused)):
        print("Keystroke, %s (%d): handled in %s, shown in the frame after %s" % (
            what, len(keys), median_ms([k["handled"] - k["start"] for k in keys]),
            median_ms([k["frame"] - k["start"] for k in keys])))


if __name__ == "__main__":
    main()
