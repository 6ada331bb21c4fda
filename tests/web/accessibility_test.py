"""What a screen reader finds in QEL's page, read from Chromium's
accessibility tree: the converter a dialog named by its caption, its three
fields entries named D, H and O by the letters beside them, ABOUT a button;
the About box a modal dialog named by its caption, above a converter that
is out of reach until it closes.

  accessibility_test.py SITE
"""
import os
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.dirname(__file__))
import browser  # noqa: E402


def nodes(driver):
    """(role, name, properties) of every node a reader is given."""
    tree = driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
    return [(n["role"]["value"], n.get("name", {}).get("value", ""),
             {p["name"]: p["value"].get("value") for p in n.get("properties", [])})
            for n in tree if not n.get("ignored")]


def named(tree, role):
    return [(name, properties) for r, name, properties in tree if r == role]


def until(condition, timeout=5):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def main():
    failures = []

    def check(what, condition):
        print(("ok   " if condition else "FAIL ") + what)
        if not condition:
            failures.append(what)

    with browser.served(sys.argv[1]) as url:
        driver = browser.chromium()
        try:
            driver.get(url)
            browser.wait_until_ready(driver)
            driver.execute_cdp_cmd("Accessibility.enable", {})

            tree = nodes(driver)
            dialogs = named(tree, "dialog")
            check("the converter is a dialog named by its caption, not modal",
                  [(name, p.get("modal")) for name, p in dialogs] == [("QEL ", False)])
            fields = named(tree, "textbox")
            check("its fields are entries named D, H and O",
                  [name for name, _ in fields] == ["D", "H", "O"])
            check("the first field has the keyboard", fields and fields[0][1].get("focused") is True)
            check("ABOUT is a button", "ABOUT" in [name for name, _ in named(tree, "button")])

            ActionChains(driver).click(driver.find_element("css selector", "button[data-id='104']")).perform()
            check("the About box opens",
                  until(lambda: [name for name, _ in named(nodes(driver), "dialog")] == ["About ..."]))
            tree = nodes(driver)
            about = named(tree, "dialog")
            check("the About box is a modal dialog named by its caption",
                  [(name, p.get("modal")) for name, p in about] == [("About ...", True)])
            check("the converter's fields are out of reach under it", not named(tree, "textbox"))
            check("Uscita has the keyboard", any(name == "Uscita" and p.get("focused")
                                                 for name, p in named(tree, "button")))

            ActionChains(driver).send_keys(Keys.ESCAPE).perform()
            check("Esc closes it, and the fields come back",
                  until(lambda: [n for n, _ in named(nodes(driver), "textbox")] == ["D", "H", "O"]))
        finally:
            driver.quit()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
