#!/usr/bin/python3
"""The desktop's colours in QEL's dialogs, read from the pixels of the real windows.

Run inside a private session bus (dbus-run-session). Starts its own Xvfb and
a stand-in for the settings portal, then QEL once per case and checks, in
groups: no portal or a broken bus leave today's look; the X resources, a
dark and a high-contrast desktop, with the contrast of their texts; changes
while the dialogs and the edit menu are open; a portal that never answers or
answers nonsense. Exit 0 if all pass, 1 if any fails, 77 if a tool is missing.
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
MAIN_UNITS, ABOUT_UNITS = (101, 49), (135, 120)  # the dialogs' sizes in dialog units


def luminance(rgb):
    linear = [c / 255 / 12.92 if c <= 10 else ((c / 255 + 0.055) / 1.055) ** 2.4 for c in rgb]
    return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


class Shot:
    """A window's pixels, addressed in its dialog's units."""

    def __init__(self, window, units):
        ppm = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], capture_output=True,
                             timeout=10).stdout
        _, w, h, _, self.data = ppm.split(maxsplit=4)
        self.w, self.h, self.units = int(w), int(h), units

    def region(self, x0, y0, x1, y1):
        ux, uy = self.w / self.units[0], self.h / self.units[1]
        return [tuple(self.data[3 * (y * self.w + x):3 * (y * self.w + x) + 3])
                for y in range(int(y0 * uy), int(y1 * uy)) for x in range(int(x0 * ux), int(x1 * ux))]

    def face(self):
        return dominant(self.region(0, 0, 2, 40))


def dominant(pixels):
    return collections.Counter(pixels).most_common(1)[0][0]


def stands_out(pixels, background):
    """The text's colour: where a stem is drawn whole, it contrasts most."""
    return max(pixels, key=lambda p: contrast(p, background))


def main_look(shot):
    """The main dialog's colours. D has the focus with its text selected."""
    look = {"face": shot.face(), "field": dominant(shot.region(50, 20, 80, 28))}
    look["face_text"] = stands_out(shot.region(3, 3, 10, 43), look["face"])
    look["field_text"] = stands_out(shot.region(14, 19, 30, 29), look["field"])
    selected = [p for p in shot.region(14.5, 5, 22, 11) if p != look["field"]] or [BLACK]
    look["selection"] = dominant(selected)
    look["selection_text"] = stands_out(selected, look["selection"])
    look["button_face"] = dominant(shot.region(88, 4, 97, 44))
    look["button_text"] = stands_out(shot.region(88, 4, 97, 44), look["button_face"])
    return look


def same_look(look, expected):
    """Areas alike to the pixel; texts, which are smoothed, within a few steps."""
    return bool(look) and all(max(abs(a - b) for a, b in zip(look[part], rgb)) <= (16 if "text" in part else 0)
                              for part, rgb in expected.items())


def broken_bus(path, behaviour):
    """A socket where the session bus should be, which never answers, hangs
    up at once or talks nonsense. Closing the listener ends it."""
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(4)
    held = []

    def serve():
        while True:
            try:
                peer, _ = listener.accept()
            except OSError:
                return
            if behaviour == "noise":
                peer.sendall(os.urandom(4096) + b"OK 1234\r\n" + os.urandom(4096))
            if behaviour == "hang-up":
                peer.close()
            else:
                held.append(peer)
    threading.Thread(target=serve, daemon=True).start()
    return listener


class Checks:
    def __init__(self, qel, GLib, SettingsPortal):
        self.qel, self.GLib, self.SettingsPortal = qel, GLib, SettingsPortal
        self.portal = self.program = None

    def pump(self, seconds):
        pump(self.GLib, seconds)

    def find(self, name):
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], capture_output=True,
                             text=True).stdout.split()
        return out[0] if out else None

    def start(self, env=None):
        """Starts QEL: its main window, and the seconds it took to map."""
        began = time.monotonic()
        self.program = subprocess.Popen([self.qel], env=env)
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

    def fresh_look(self, env=None):
        """The main dialog of a new QEL, how long it took to map, whether it runs on."""
        main, took = self.start(env)
        look = main_look(Shot(main, MAIN_UNITS)) if main else None
        running = self.program.poll() is None
        self.stop()
        return look, took, running

    def key(self, window, *keys):
        subprocess.run(["xdotool", "windowfocus", "--sync", window], timeout=10)
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], timeout=10)
        self.pump(0.3)

    def click(self, window, x, y):
        """A click at (x, y) in the main dialog's units."""
        size = dict(line.split("=") for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True).stdout.split())
        x, y = int(int(size["WIDTH"]) * x / MAIN_UNITS[0]), int(int(size["HEIGHT"]) * y / MAIN_UNITS[1])
        subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1"], timeout=10)
        self.pump(0.5)

    def set_resources(self, text):
        subprocess.run(["xrdb", "-nocpp", "-load", "-"], input=text, text=True, timeout=10)

    def texts_readable(self, look, ratio, what):
        for text, ground in (("field_text", "field"), ("face_text", "face"), ("button_text", "button_face"),
                             ("selection_text", "selection")):
            value = contrast(look[text], look[ground])
            check(value >= ratio, f"{what}: {text} {look[text]} on {ground} {look[ground]}: {value:.1f}:1")

    def run(self):
        self.without_a_portal()
        self.portal = self.SettingsPortal()
        self.looks()
        self.changes_while_open()
        self.a_portal_that_misbehaves()

    def without_a_portal(self):
        print("-- no settings portal, no session bus, a broken one: today's look")
        cases = [("no portal", os.environ),
                 ("no session bus", {k: v for k, v in os.environ.items() if k != "DBUS_SESSION_BUS_ADDRESS"})]
        listeners = []
        for behaviour in ("hang", "hang-up", "noise"):
            path = f"/tmp/qel-colours-bus-{os.getpid()}-{behaviour}"
            listeners.append(broken_bus(path, behaviour))
            cases.append((behaviour, dict(os.environ, DBUS_SESSION_BUS_ADDRESS="unix:path=" + path)))
        for name, env in cases:
            look, took, running = self.fresh_look(env)
            check(same_look(look, DEFAULT) and running and took < 2, f"{name}: mapped in {took:.2f} s, {look}")
        for listener in listeners:
            os.unlink(listener.getsockname())
            listener.close()

    def looks(self):
        print("-- the desktop's colours")
        look, _, _ = self.fresh_look()
        check(same_look(look, DEFAULT) and self.portal.calls == 1, "no preference: today's look, the portal asked once")
        self.set_resources("*background: #000000\n*foreground: #ffffff\n*selectBackground: #ffff00\n")
        self.portal.set("color-scheme", 1)  # the X resources come first
        look, _, _ = self.fresh_look()
        check(same_look(look, {"face": BLACK, "field": BLACK, "field_text": WHITE, "face_text": WHITE,
                               "button_text": WHITE, "selection": (255, 255, 0), "selection_text": BLACK}),
              f"X resources, before a dark desktop: {look}")
        self.set_resources("")
        look, _, _ = self.fresh_look()
        check(luminance(look["face"]) < 0.1 and contrast(look["field"], look["face"]) > 1.2,
              f"dark, the fields apart from the face: {look}")
        self.texts_readable(look, 4.5, "dark")
        self.portal.set("color-scheme", 0)
        self.portal.set("contrast", 1)
        self.set_resources("*background: #c0c0c0\n")  # high contrast comes first
        look, _, _ = self.fresh_look()
        self.set_resources("")
        check(look["face"] == BLACK and look["field"] == BLACK, f"high contrast, before the X resources: {look}")
        self.texts_readable(look, 7, "high contrast black")
        self.portal.set("color-scheme", 2)
        look, _, _ = self.fresh_look()
        check(look["face"] == WHITE and look["field"] == WHITE, f"high contrast, light preferred: white {look}")
        self.texts_readable(look, 7, "high contrast white")
        self.portal.set("color-scheme", 0)
        self.portal.set("contrast", 0)

    def changes_while_open(self):
        print("-- the desktop changes while QEL is open")
        main, _ = self.start()
        self.click(main, 92.5, 24)  # ABOUT
        about = self.find(r"^About \.\.\.$")
        subprocess.run(["xdotool", "windowmove", "--sync", about, "400", "300"], timeout=10)  # off the main dialog
        faces = []
        for key, value in (("contrast", 1), ("contrast", 0), ("color-scheme", 1), ("color-scheme", 0)):
            self.portal.set(key, value)
            self.pump(0.3)
            faces.append((Shot(main, MAIN_UNITS).face(), Shot(about, ABOUT_UNITS).face()))
        grey = DEFAULT["face"]
        check(faces[0] == (BLACK, BLACK) and faces[1] == (grey, grey) and faces[3] == (grey, grey)
              and luminance(faces[2][0]) < 0.1 and faces[2][0] == faces[2][1],
              f"both dialogs redrawn: high contrast, back, dark, back {faces}")
        self.key(about, "Escape")
        self.click(main, 40, 8)  # into D
        self.key(main, "shift+F10")
        # the edit menu: the newest mapped window without a name (the root has none either)
        menu = max(subprocess.run(["xdotool", "search", "--onlyvisible", "--maxdepth", "1", "--name", "^$"],
                                  capture_output=True, text=True).stdout.split(), key=int)
        before = dominant(Shot(menu, (1, 1)).region(0, 0, 1, 1))
        self.portal.set("contrast", 1)
        self.pump(0.3)
        after = dominant(Shot(menu, (1, 1)).region(0, 0, 1, 1))
        self.portal.set("contrast", 0)
        check(before == grey and after == BLACK, f"an open edit menu too: {before} then {after}")
        self.stop()

    def a_portal_that_misbehaves(self):
        print("-- a portal that never answers, or answers with the wrong types")
        _, answered_took, _ = self.fresh_look()
        self.portal.silent = True
        look, took, running = self.fresh_look()
        self.portal.silent = False
        print(f"     mapped after {took * 1000:.0f} ms (with an answering portal: {answered_took * 1000:.0f} ms)")
        check(same_look(look, DEFAULT) and running and took < 2, "never answers: today's look, no long wait")
        self.portal.garbage = True
        main, _ = self.start()
        self.portal.announce_garbage("contrast", 1)
        self.portal.announce_garbage("color-scheme", 1)
        self.pump(0.3)
        look = main_look(Shot(main, MAIN_UNITS))
        check(same_look(look, DEFAULT) and self.program.poll() is None, f"wrong types: today's look, running {look}")
        self.stop()
        self.portal.garbage = False


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
    server, os.environ["DISPLAY"] = start_xvfb()
    checks = Checks(os.path.abspath(sys.argv[1]), GLib, SettingsPortal)
    try:
        checks.run()
    finally:
        checks.stop()
        server.kill()
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
