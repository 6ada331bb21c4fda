"""Drives QEL's page in headless Chromium, with --phone in Chromium's phone
emulation, or with --webkit in WebKitGTK on the X display in DISPLAY, for
the scenario table
(tests/behaviour/web_target.cpp), one command a line on stdin:

  start                     a fresh page, until it takes keys
  type MS HEX | key COMBO   keys, MS apart; key combinations ("ctrl+v")
  hold KEY | release KEY    a key kept down across commands
  clipboard HEX             text on the clipboard
  click HEXCAPTION FX FY    a click at a fraction of a dialog's client area
  close HEXCAPTION          a click on a dialog's close box
  menu COMMAND              an editing command as the browser's context menu runs it
  compose HEX               text composed by an input method, then committed
  shown|gone HEXCAPTION MS  whether a dialog is, or is no longer, open within MS
  ended MS                  whether the page says, within MS, that QEL has ended
  text HEXCAPTION ID        what a control shows
  beeps                     tones played since start

On the phone, controls are tapped and text comes as a phone's keyboard
sends it, a composition committed; its keyboard has Backspace and Enter
only (web_target.cpp skips rows that need more). Its start also checks
that the converter fits the screen, larger, with the keyboards its fields
ask for, and its beeps that each tone came with a vibration.

Texts travel in hex, as UTF-8. Each command is answered by one line: "="
and the answer (in hex for texts), or "!" and what went wrong.
firefox_driver.mjs does the same in Firefox. WebKit has no DevTools
protocol: the clipboard there is the X server's (web_target.cpp sets it),
and no command reaches the browser's context menu.
"""
import os
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.dirname(__file__))
import browser  # noqa: E402

# X keysym names, as the table writes keys, and their WebDriver keys.
KEYS = {"tab": Keys.TAB, "backspace": Keys.BACKSPACE, "return": Keys.ENTER, "escape": Keys.ESCAPE,
        "end": Keys.END, "home": Keys.HOME, "left": Keys.LEFT, "right": Keys.RIGHT, "up": Keys.UP,
        "down": Keys.DOWN, "delete": Keys.DELETE, "insert": Keys.INSERT, "f10": Keys.F10,
        "ctrl": Keys.CONTROL, "shift": Keys.SHIFT, "alt": Keys.ALT, "space": Keys.SPACE}

SET_CLIPBOARD = "navigator.clipboard.writeText(arguments[0]).then(arguments[1], e => arguments[1](String(e)))"


def key_of(name):
    return KEYS.get(name.lower(), name)


def unhex(text):
    return bytes.fromhex(text).decode("utf-8", errors="replace")


def until(condition, timeout):
    deadline = time.monotonic() + int(timeout) / 1000
    while not condition():
        if time.monotonic() > deadline:
            return "0"
        time.sleep(0.01)
    return "1"


# The converter on a phone: at the largest quarter step from twice up at
# which it fits the width, fields a finger hits, text that no browser zooms
# into, and keyboards without suggestions: digits for D and O, capitals
# where the text is in capitals.
PHONE_LAYOUT = """
const dialog = qelTest.dialog('QEL '), box = dialog.getBoundingClientRect();
const step = parseFloat(dialog.style.getPropertyValue('--qel-scale'));
const room = document.documentElement.clientWidth, wrong = [];
if (!(step >= 2 && step % 0.25 == 0 && box.right <= room && (box.width - 2) * (step + 0.25) / step + 2 > room))
  wrong.push('step ' + step + ', ' + box.width + ' px wide in ' + room);
for (const field of dialog.querySelectorAll('input')) {
  const id = field.dataset.id, high = field.getBoundingClientRect().height, size = parseFloat(getComputedStyle(field).fontSize);
  if (high < 36 || size < 16) wrong.push(id + ': ' + high + ' px high, text ' + size + ' px');
  const keyboard = [field.inputMode, field.getAttribute('autocapitalize'), field.getAttribute('autocorrect'), field.autocomplete, field.spellcheck];
  if (keyboard.join() != [id == '102' ? '' : 'numeric', id == '101' ? 'off' : 'characters', 'off', 'off', false].join()) wrong.push(id + ': ' + keyboard);
}
return wrong.join('; ');
"""

# What a phone's keyboard sends for the keys it has: Backspace as Android's
# do, an unnamed key and the browser's own deletion; Enter as a key.
PHONE_KEYS = {
    "backspace": [{"type": "rawKeyDown", "windowsVirtualKeyCode": 229, "key": "Unidentified",
                   "commands": ["deleteBackward"]}, {"type": "keyUp", "windowsVirtualKeyCode": 229}],
    "return": [{"type": "keyDown", "windowsVirtualKeyCode": 13, "key": "Enter", "code": "Enter", "text": "\r"},
               {"type": "keyUp", "windowsVirtualKeyCode": 13, "key": "Enter", "code": "Enter"}],
}


class Page:
    def __init__(self, driver, url, webkit, phone=False):
        self.driver = driver
        self.url = url
        self.webkit = webkit
        self.phone = phone
        self.run = driver.execute_script

    def cdp(self, command, parameters):
        return self.driver.execute_cdp_cmd(command, parameters)

    def start(self):
        self.driver.get(self.url)
        browser.wait_until_ready(self.driver)
        if not self.webkit:
            self.driver.execute_cdp_cmd("Browser.grantPermissions", {
                "origin": self.url.rstrip("/"), "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        wrong = self.phone and self.run(PHONE_LAYOUT)
        if wrong:
            raise RuntimeError("on a phone: " + wrong)

    def type(self, delay, text):
        for character in unhex(text):
            if self.phone:
                self.compose(character.encode("utf-8").hex())
            else:
                ActionChains(self.driver).send_keys(character).perform()
            time.sleep(int(delay) / 1000)

    def key(self, combination):
        if self.phone:
            for event in PHONE_KEYS[combination.lower()]:
                self.cdp("Input.dispatchKeyEvent", event)
            return
        *modifiers, key = combination.split("+")
        actions = ActionChains(self.driver)
        for modifier in modifiers:
            actions.key_down(key_of(modifier))
        actions.send_keys(key_of(key))
        for modifier in reversed(modifiers):
            actions.key_up(key_of(modifier))
        actions.perform()

    def hold(self, key):
        ActionChains(self.driver).key_down(key_of(key)).perform()

    def release(self, key):
        ActionChains(self.driver).key_up(key_of(key)).perform()

    def clipboard(self, text):
        error = self.driver.execute_async_script(SET_CLIPBOARD, unhex(text))
        if error:
            raise RuntimeError(error)

    def part(self, caption, selector):
        return self.run("return qelTest.dialog(arguments[0])", unhex(caption)).find_element("css selector", selector)

    def click(self, caption, fx, fy):
        client = self.part(caption, ".client")
        if self.phone:
            box = self.run("return arguments[0].getBoundingClientRect()", client)
            return self.tap(box["left"] + float(fx) * box["width"], box["top"] + float(fy) * box["height"])
        x, y = (float(fx) - 0.5) * client.size["width"], (float(fy) - 0.5) * client.size["height"]
        ActionChains(self.driver).move_to_element_with_offset(client, int(x), int(y)).click().perform()

    def close(self, caption):
        if self.phone:
            box = self.run("return arguments[0].getBoundingClientRect()", self.part(caption, ".close"))
            return self.tap(box["left"] + box["width"] / 2, box["top"] + box["height"] / 2)
        ActionChains(self.driver).click(self.part(caption, ".close")).perform()

    def tap(self, x, y):
        self.cdp("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
        self.cdp("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def menu(self, command):
        if self.webkit:
            raise RuntimeError("no way to the browser's context menu here")
        self.driver.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": "rawKeyDown", "commands": [command]})
        self.driver.execute_cdp_cmd("Input.dispatchKeyEvent", {"type": "keyUp"})

    def compose(self, text):
        if self.webkit:
            raise RuntimeError("no input method to drive here")
        text = unhex(text)
        for length in range(1, len(text) + 1):
            self.driver.execute_cdp_cmd("Input.imeSetComposition",
                                        {"text": text[:length], "selectionStart": length, "selectionEnd": length})
        self.driver.execute_cdp_cmd("Input.insertText", {"text": text})

    def shown(self, caption, timeout):
        return until(lambda: self.run("return !!qelTest.dialog(arguments[0])", unhex(caption)), timeout)

    def gone(self, caption, timeout):
        return until(lambda: self.run("return !qelTest.dialog(arguments[0])", unhex(caption)), timeout)

    def ended(self, timeout):
        return until(lambda: self.run("return qelTest.ended()"), timeout)

    def text(self, caption, control):
        text = self.run("return qelTest.text(arguments[0], arguments[1])", unhex(caption), control)
        if text is None:
            raise RuntimeError("no control " + control)
        return text.encode("utf-8").hex()

    def beeps(self):
        tones, vibrations = self.run("return [qelTest.beeps, qelTest.vibrations]")
        if self.phone and vibrations != tones:
            raise RuntimeError("%d tones, %d vibrations" % (tones, vibrations))
        return str(tones)


def main():
    webkit, phone = sys.argv[1] == "--webkit", sys.argv[1] == "--phone"
    with browser.served(sys.argv[-1], probe=webkit) as url:
        driver = browser.webkit() if webkit else browser.chromium(phone=phone)
        try:
            page = Page(driver, url, webkit, phone)
            for line in sys.stdin:
                command, *arguments = line.split()
                try:
                    reply = "=" + (getattr(page, command)(*arguments) or "")
                except Exception as error:  # the harness reports it with the step
                    reply = "!" + " ".join(str(error).split())[:300]
                print(reply, flush=True)
        finally:
            driver.quit()


if __name__ == "__main__":
    main()
