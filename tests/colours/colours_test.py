#!/usr/bin/python3
"""The desktop's colours in QEL's dialogs, read from the pixels of the real windows.

Run inside a private session bus (dbus-run-session). Starts its own Xvfb and
a stand-in for the settings portal, then QEL once per case and checks, in
groups: the default look (today's pixels), the user's X resources, a dark
and a high-contrast desktop with the contrast of their texts, changes while
the main dialog, the About box and the edit menu are open, a portal that
never answers or answers nonsense, a bus that misbehaves, no bus at all.
Exit 0 if all checks pass, 1 if any fails, 77 if a tool is missing.
"""
import collections
import os
import shutil
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from session_checks import check, failures, pump, start_xvfb  # noqa: E402

# The look QEL had before it followed the desktop: FLTK's own colours.
DEFAULT = {"face": (192, 192, 192), "field": (255, 255, 255), "field_text": (0, 0, 0),
           "face_text": (0, 0, 0), "button_face": (192, 192, 192), "button_text": (0, 0, 0),
           "selection": (0, 0, 128), "selection_text": (255, 255, 255)}
BLACK, WHITE = (0, 0, 0), (255, 255, 255)
# Dialog sizes in dialog units, from the resource script.
MAIN_UNITS, ABOUT_UNITS = (101, 49), (135, 120)


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


class Shot:
    """A window's pixels, addressed in its dialog's units."""

    def __init__(self, window, units):
        ppm = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], capture_output=True, timeout=10).stdout
        fields = ppm.split(maxsplit=4)  # P6 width height maxval data
        self.w, self.h = int(fields[1]), int(fields[2])
        self.data = fields[4]
        self.units = units

    def pixel(self, x, y):
        at = 3 * (y * self.w + x)
        return tuple(self.data[at:at + 3])

    def region(self, x0, y0, x1, y1):
        """Pixels of the rectangle from (x0, y0) to (x1, y1) in dialog units."""
        ux, uy = self.w / self.units[0], self.h / self.units[1]
        return [self.pixel(x, y) for y in range(int(y0 * uy), int(y1 * uy))
                for x in range(int(x0 * ux), int(x1 * ux))]


def same_look(look, expected):
    """Areas alike to the pixel; texts, which are smoothed, within a few steps."""
    if not look:
        return False
    for part, rgb in expected.items():
        slack = 16 if part.endswith("text") else 0
        if look[part] is None or any(abs(a - b) > slack for a, b in zip(look[part], rgb)):
            return False
    return True


def dominant(pixels):
    return collections.Counter(pixels).most_common(1)[0][0]


def stands_out(pixels, background):
    """The pixel that contrasts most with the background: the text's colour
    where a stem is drawn whole."""
    return max(pixels, key=lambda p: contrast(p, background))


def main_look(shot):
    """The colours of the main dialog, its fields and its ABOUT button. D has
    the focus with its text selected, as at the start."""
    look = {"face": dominant(shot.region(0, 0, 2, 49))}
    look["face_text"] = stands_out(shot.region(3, 3, 10, 43), look["face"])
    look["field"] = dominant(shot.region(50, 20, 80, 28))
    look["field_text"] = stands_out(shot.region(14, 19, 30, 29), look["field"])
    selected = [p for p in shot.region(14.5, 5, 22, 11) if p != look["field"]]
    look["selection"] = dominant(selected) if selected else None
    look["selection_text"] = stands_out(selected, look["selection"]) if selected else None
    look["button_face"] = dominant(shot.region(88, 4, 97, 44))
    look["button_text"] = stands_out(shot.region(88, 4, 97, 44), look["button_face"])
    return look


def about_face(shot):
    return dominant(shot.region(0, 0, 3, 60))


class BrokenBus:
    """A session bus that is not one: it never answers, hangs up at once, or
    sends noise."""

    def __init__(self, path, behaviour):
        self.listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.listener.bind(path)
        self.listener.listen(4)
        self.address, self.behaviour, self.held = "unix:path=" + path, behaviour, []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                peer, _ = self.listener.accept()
            except OSError:
                return
            if self.behaviour == "hang-up":
                peer.close()
            elif self.behaviour == "noise":
                peer.sendall(os.urandom(4096) + b"OK 1234\r\n" + os.urandom(4096))
                self.held.append(peer)
            else:
                self.held.append(peer)

    def close(self):
        self.listener.close()
        for peer in self.held:
            peer.close()


class Checks:
    def __init__(self, qel, display, GLib, SettingsPortal):
        self.qel, self.display, self.GLib, self.SettingsPortal = qel, display, GLib, SettingsPortal
        self.portal = None
        self.program = None

    # ---- plumbing

    def pump(self, seconds):
        pump(self.GLib, seconds)

    def find(self, name):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                             capture_output=True, text=True).stdout.split()
        return out[0] if out else None

    def start(self, env=None):
        """Starts QEL; its main window and the seconds it took to map."""
        environment = os.environ if env is None else env
        began = time.monotonic()
        self.program = subprocess.Popen([self.qel], env=environment)
        window = None
        while not window and time.monotonic() - began < 10 and self.program.poll() is None:
            self.pump(0.005)
            window = self.find("^QEL $")
        took = time.monotonic() - began
        self.pump(0.3)  # drawn
        return window, took

    def stop(self):
        if self.program:
            self.program.kill()
            self.program.wait()
            self.program = None

    def key(self, window, *keys):
        subprocess.run(["xdotool", "windowfocus", "--sync", window], timeout=10)
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], timeout=10)
        self.pump(0.3)

    def click(self, window, units, x, y):
        """A click at (x, y) in the dialog's units."""
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                                  capture_output=True, text=True).stdout
        size = dict(line.split("=") for line in geometry.split())
        x, y = int(int(size["WIDTH"]) * x / units[0]), int(int(size["HEIGHT"]) * y / units[1])
        subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1"], timeout=10)
        self.pump(0.5)

    def open_about(self, main):
        self.click(main, MAIN_UNITS, 92.5, 24)
        about = self.find(r"^About \.\.\.$")
        # away from the main dialog, which it would cover in part
        subprocess.run(["xdotool", "windowmove", "--sync", about, "400", "300"], timeout=10)
        self.pump(0.3)
        return about

    def set_resources(self, text):
        subprocess.run(["xrdb", "-nocpp", "-load", "-"], input=text, text=True, timeout=10)

    def look_of_a_fresh_start(self, env=None):
        main, took = self.start(env)
        look = main_look(Shot(main, MAIN_UNITS)) if main else None
        running = self.program.poll() is None
        self.stop()
        return look, took, running

    def texts_readable(self, look, ratio, what):
        for text, ground in (("field_text", "field"), ("face_text", "face"), ("button_text", "button_face"),
                             ("selection_text", "selection")):
            value = contrast(look[text], look[ground])
            check(value >= ratio, f"{what}: {text} {look[text]} on {ground} {look[ground]}: {value:.1f}:1 >= {ratio}:1")

    # ---- the checks

    def run(self):
        self.check_without_portal()
        self.portal = self.SettingsPortal()
        self.check_default()
        self.check_x_resources()
        self.check_dark()
        self.check_high_contrast()
        self.check_changes_while_open()
        self.check_portal_that_never_answers()
        self.check_portal_nonsense()
        self.check_broken_buses()

    def check_without_portal(self):
        print("-- a bus without a settings portal, and no bus at all")
        look, _, _ = self.look_of_a_fresh_start()
        check(same_look(look, DEFAULT), f"no portal: today's look {look}")
        env = {k: v for k, v in os.environ.items() if k != "DBUS_SESSION_BUS_ADDRESS"}
        look, _, _ = self.look_of_a_fresh_start(env)
        check(same_look(look, DEFAULT), f"no session bus: today's look {look}")

    def check_default(self):
        print("-- a desktop with no preference")
        look, _, _ = self.look_of_a_fresh_start()
        check(same_look(look, DEFAULT), f"today's look {look}")
        check(self.portal.calls == 1, f"the portal was asked once ({self.portal.calls})")

    def check_x_resources(self):
        print("-- colours in the X resources")
        self.set_resources("*background: #000000\n*foreground: #ffffff\n*selectBackground: #ffff00\n")
        self.portal.set("color-scheme", 1)  # the X resources come first
        look, _, _ = self.look_of_a_fresh_start()
        self.portal.set("color-scheme", 0)
        self.set_resources("")
        check(look["face"] == BLACK and look["field"] == BLACK, f"background from the resources {look}")
        check(same_look(look, {"field_text": WHITE, "face_text": WHITE, "button_text": WHITE}),
              "foreground from the resources")
        check(same_look(look, {"selection": (255, 255, 0), "selection_text": BLACK}), "selectBackground")

    def check_dark(self):
        print("-- a desktop that prefers dark")
        self.portal.set("color-scheme", 1)
        look, _, _ = self.look_of_a_fresh_start()
        self.portal.set("color-scheme", 0)
        check(luminance(look["face"]) < 0.1 and luminance(look["field"]) < 0.1, f"dark {look}")
        check(contrast(look["field"], look["face"]) > 1.2, "the fields stand apart from the face")
        self.texts_readable(look, 4.5, "dark")

    def check_high_contrast(self):
        print("-- a desktop in high contrast")
        self.portal.set("contrast", 1)
        self.set_resources("*background: #c0c0c0\n")  # high contrast comes first
        look, _, _ = self.look_of_a_fresh_start()
        self.set_resources("")
        check(look["face"] == BLACK and look["field"] == BLACK, f"black {look}")
        self.texts_readable(look, 7, "high contrast black")
        self.portal.set("color-scheme", 2)
        look, _, _ = self.look_of_a_fresh_start()
        self.portal.set("color-scheme", 0)
        self.portal.set("contrast", 0)
        check(look["face"] == WHITE and look["field"] == WHITE, f"white when light is preferred {look}")
        self.texts_readable(look, 7, "high contrast white")

    def check_changes_while_open(self):
        print("-- the desktop changes while QEL is open")
        main, _ = self.start()
        about = self.open_about(main)
        faces = []
        for key, value in (("contrast", 1), ("contrast", 0), ("color-scheme", 1), ("color-scheme", 0)):
            self.portal.set(key, value)
            self.pump(0.3)
            faces.append((main_look(Shot(main, MAIN_UNITS))["face"], about_face(Shot(about, ABOUT_UNITS))))
        check(faces[0] == (BLACK, BLACK), f"high contrast: both dialogs redrawn {faces[0]}")
        check(faces[1] == (DEFAULT["face"],) * 2, f"and back {faces[1]}")
        check(luminance(faces[2][0]) < 0.1 and faces[2][0] == faces[2][1], f"dark: both {faces[2]}")
        check(faces[3] == (DEFAULT["face"],) * 2, f"no preference again {faces[3]}")
        self.key(about, "Escape")
        self.click(main, MAIN_UNITS, 40, 8)
        self.key(main, "shift+F10")
        menu = self.menu_window()
        before = dominant(Shot(menu, (1, 1)).region(0, 0, 1, 1)) if menu else None
        self.portal.set("contrast", 1)
        self.pump(0.3)
        after = dominant(Shot(menu, (1, 1)).region(0, 0, 1, 1)) if menu else None
        self.portal.set("contrast", 0)
        check(before == DEFAULT["face"] and after == BLACK, f"an open edit menu too: {before} then {after}")
        self.stop()

    def menu_window(self):
        """The edit menu: the newest mapped window without a name (the root has none either)."""
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1", "--name", "^$"],
                             capture_output=True, text=True).stdout.split()
        return max(out, key=int) if out else None

    def check_portal_that_never_answers(self):
        print("-- a portal that never answers")
        _, answered_took, _ = self.look_of_a_fresh_start()
        self.portal.silent = True
        look, took, running = self.look_of_a_fresh_start()
        self.portal.silent = False
        print(f"     mapped after {took * 1000:.0f} ms (with an answering portal: {answered_took * 1000:.0f} ms)")
        check(same_look(look, DEFAULT) and running, "today's look")
        check(took < 2, "no long wait for the answer")

    def check_portal_nonsense(self):
        print("-- a portal that answers with the wrong types")
        self.portal.garbage = True
        main, _ = self.start()
        self.portal.announce_garbage("contrast", 1)
        self.portal.announce_garbage("color-scheme", 1)
        self.pump(0.3)
        look = main_look(Shot(main, MAIN_UNITS))
        check(same_look(look, DEFAULT) and self.program.poll() is None, f"today's look, still running {look}")
        self.stop()
        self.portal.garbage = False

    def check_broken_buses(self):
        print("-- a session bus that hangs, hangs up or talks nonsense")
        for behaviour in ("hang", "hang-up", "noise"):
            path = f"/tmp/qel-colours-bus-{os.getpid()}"
            bus = BrokenBus(path, behaviour)
            env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus.address)
            look, took, running = self.look_of_a_fresh_start(env)
            bus.close()
            os.unlink(path)
            check(same_look(look, DEFAULT) and running and took < 2, f"{behaviour}: today's look, running, mapped in {took:.2f} s")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: colours_test.py QEL_PROGRAM  (inside dbus-run-session)")
    for tool in ("Xvfb", "xdotool", "xrdb", "import"):
        if not shutil.which(tool):
            print(f"SKIP: {tool} missing")
            return 77
    try:
        from gi.repository import GLib
        from settings_portal import SettingsPortal
    except ImportError as e:
        print(f"SKIP: {e}")
        return 77
    server, display = start_xvfb()
    os.environ["DISPLAY"] = display
    checks = Checks(os.path.abspath(sys.argv[1]), display, GLib, SettingsPortal)
    try:
        checks.run()
    finally:
        checks.stop()
        server.kill()
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
