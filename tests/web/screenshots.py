"""Pictures of QEL's page in headless Chromium: the converter after 255 was
typed, as the browser shows it by default, in dark mode and in forced
colours (high contrast), and the About box open above it; then the
converter as an installed application, in an app window (display-mode
standalone) that it sizes itself, whose title bar headless Chromium does
not draw.

  screenshots.py SITE OUTDIR [DEVICE_PIXEL_RATIO]
"""
import base64
import os
import sys

from selenium.webdriver.common.action_chains import ActionChains

sys.path.insert(0, os.path.dirname(__file__))
import browser  # noqa: E402

MARGIN = 8

DIALOGS = """
const boxes = [...document.querySelectorAll('dialog[open]')].map(d => d.getBoundingClientRect());
return [Math.min(...boxes.map(b => b.left)), Math.min(...boxes.map(b => b.top)),
        Math.max(...boxes.map(b => b.right)), Math.max(...boxes.map(b => b.bottom))];
"""

LOOKS = {"": [], "-dark": [{"name": "prefers-color-scheme", "value": "dark"}],
         "-forced": [{"name": "forced-colors", "value": "active"}]}


def shoot(driver, path):
    left, top, right, bottom = driver.execute_script(DIALOGS)
    clip = {"x": max(0, left - MARGIN), "y": max(0, top - MARGIN), "scale": 1,
            "width": right - left + 2 * MARGIN, "height": bottom - top + 2 * MARGIN}
    shot = driver.execute_cdp_cmd("Page.captureScreenshot", {"format": "png", "clip": clip})
    with open(path, "wb") as file:
        file.write(base64.b64decode(shot["data"]))
    print(path)


def main():
    site, out = sys.argv[1], sys.argv[2]
    scale = sys.argv[3] if len(sys.argv) > 3 else "1"
    suffix = "" if scale == "1" else "-" + scale + "x"
    with browser.served(site) as url:
        driver = browser.chromium(["--force-device-scale-factor=" + scale])
        try:
            for look, features in LOOKS.items():
                driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": features})
                driver.get(url)
                browser.wait_until_ready(driver)
                ActionChains(driver).send_keys("255").perform()
                shoot(driver, os.path.join(out, "qel-web%s%s.png" % (look, suffix)))
                if not look:
                    about = driver.find_element("css selector", "button[data-id='104']")
                    ActionChains(driver).click(about).perform()
                    shoot(driver, os.path.join(out, "qel-web-about%s.png" % suffix))
        finally:
            driver.quit()
        # The app window is opened with the browser; the probe comes with the second load.
        driver = browser.chromium(["--force-device-scale-factor=" + scale, "--app=" + url])
        try:
            driver.get(url)
            browser.wait_until_ready(driver)
            ActionChains(driver).send_keys("255").perform()
            shot = driver.execute_cdp_cmd("Page.captureScreenshot", {"format": "png"})
            with open(os.path.join(out, "qel-web-installed%s.png" % suffix), "wb") as file:
                file.write(base64.b64decode(shot["data"]))
            print(os.path.join(out, "qel-web-installed%s.png" % suffix))
        finally:
            driver.quit()


if __name__ == "__main__":
    main()
