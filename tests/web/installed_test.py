"""QEL's page as an installed application, as Chromium itself reports it:
installable, its service worker active after the first visit, started and
converting with the network gone, and a newer build served afterwards
shown whole once the older one has ended. Its own window (display-mode
standalone) closes when Esc ends QEL (in a tab, the scenario table sees the
page say that QEL has ended).

  installed_test.py SITE
"""
import base64
import os
import re
import shutil
import sys
import tempfile

from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
import browser  # noqa: E402
from session_checks import check, failures  # noqa: E402

NEWER_WORKER_INSTALLED = """const done = arguments[0];
navigator.serviceWorker.getRegistration().then(r => r.update().then(() => {
  const worker = r.installing || r.waiting;
  if (!worker || worker.state != 'installing') return done(worker && worker.state);
  worker.onstatechange = () => done(worker.state);
}));"""


def write_newer_build(site):
    """Another build: the page's title and the program's caption changed
    (the module is in the page, in base64), hence another key in the
    worker."""
    path = os.path.join(site, "index.html")
    page = open(path, encoding="utf-8").read()
    encoded = re.search(r'<script type="text/plain" id="qel-program">(.*?)</script>', page, re.S)[1]
    module = base64.b64decode(encoded).replace("QEL ".encode("utf-16-le"), "QEL!".encode("utf-16-le"))
    page = page.replace(encoded, base64.b64encode(module).decode()).replace("<title>QEL<", "<title>QEL newer<")
    open(path, "w", encoding="utf-8").write(page)
    worker = os.path.join(site, "qel-sw.js")
    script = open(worker).read()
    open(worker, "w").write(script.replace("var CACHE = 'qel-", "var CACHE = 'qel-newer-"))


def about_box_shown(driver):
    return driver.execute_script("return !!qelTest.dialog('About ...')")


def installed_window(url):
    """Whether, in the installed page's window, a close request (a phone's
    back gesture) closes the About box, and Esc then ends QEL and closes the
    window (its close box is the window's own: the dialog's caption is not
    shown)."""
    driver = browser.chromium(["--app=" + url])
    try:
        driver.get(url)  # the probe comes with this second load
        browser.wait_until_ready(driver)
        driver.execute_script("qelTest.dialog('QEL ').querySelector('button:not(.close)').click()")
        WebDriverWait(driver, 2, poll_frequency=0.01).until(about_box_shown)
        driver.execute_script("qelTest.dialog('About ...').requestClose()")  # as a phone's back gesture asks
        check(WebDriverWait(driver, 2, poll_frequency=0.01).until(lambda d: not about_box_shown(d)) and
              not driver.execute_script("return qelTest.ended()"), "a close request closes the About box, and only it")
        ActionChains(driver).send_keys(Keys.ESCAPE).perform()
        return WebDriverWait(driver, 2, poll_frequency=0.01).until(lambda d: not d.window_handles)
    except TimeoutException:
        return False
    finally:
        driver.quit()


def main():
    site = shutil.copytree(sys.argv[1], os.path.join(tempfile.mkdtemp(), "site"))
    with browser.served(site) as url:
        # A page left for another ends, as a closed one does: kept in the
        # back-forward cache it would still be a window of its build, and the
        # newer one would wait for it.
        driver = browser.chromium(["--disable-features=BackForwardCache"])
        cdp = driver.execute_cdp_cmd

        def start(offline=False):  # the browser's cache stays off: only the worker can answer
            driver.get("about:blank")
            cdp("Network.emulateNetworkConditions",
                {"offline": offline, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
            driver.get(url)
            browser.wait_until_ready(driver)

        try:
            cdp("Network.enable", {})
            cdp("Network.setCacheDisabled", {"cacheDisabled": True})
            start()
            check(cdp("Page.getInstallabilityErrors", {})["installabilityErrors"] == [], "installable")
            check(driver.execute_async_script("navigator.serviceWorker.ready.then(r => arguments[0](r.active.state))")
                  in ("activating", "activated"), "the service worker is active after the first visit")
            start(offline=True)
            ActionChains(driver).send_keys("255").perform()
            check([driver.execute_script("return qelTest.text('QEL ', %d)" % i) for i in (101, 102, 103)] ==
                  ["255", "FF", "377"], "with the network gone, the converter starts and converts")

            write_newer_build(site)
            start()
            check(driver.execute_async_script(NEWER_WORKER_INSTALLED) == "installed",
                  "a newer build is fetched on the next visit")
            start(offline=True)
            check(driver.execute_script("return document.title == 'QEL newer' && qelTest.dialog('QEL!') != null"),
                  "and shown whole, without the network, once the older one has ended")
        finally:
            driver.quit()
            shutil.rmtree(os.path.dirname(site))
    with browser.served(sys.argv[1]) as url:
        check(installed_window(url), "the installed window closes on Esc")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
