#!/usr/bin/env python3
"""Time from a paste of many digits into the emptied decimal field to settled fields.

For each length, a fresh QEL on a running X server: the digits "1234567890..."
go on the clipboard (xclip), BackSpace empties the decimal field, Ctrl+V
pastes, and the clock runs until the fields QEL publishes (_QEL_CONTROL_TEXTS)
read 123456789, 75BCD15, 726746425. Keys go through XTest; the property is
watched through PropertyNotify, so nothing polls. The resident set (VmRSS) is
read before the paste and once the fields have settled.

Standard library only: Xlib and XTest are reached through ctypes.
"""
import argparse
import ctypes
import ctypes.util
import os
import select
import subprocess
import sys
import time

PROPERTY_NOTIFY = 28
PROPERTY_CHANGE_MASK = 1 << 22
SETTLED = ("123456789", "75BCD15", "726746425")
EMPTIED = ("", "0", "0")


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("pad", ctypes.c_long * 24)]


def load_x():
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    for name in ("XDefaultRootWindow",):
        getattr(xlib, name).restype = ctypes.c_ulong
        getattr(xlib, name).argtypes = [ctypes.c_void_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XPending.argtypes = [ctypes.c_void_p]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
    xlib.XStringToKeysym.restype = ctypes.c_ulong
    xlib.XStringToKeysym.argtypes = [ctypes.c_char_p]
    xlib.XKeysymToKeycode.restype = ctypes.c_ubyte
    xlib.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XSetInputFocus.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_ulong]
    xlib.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
        ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_void_p)]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    return xlib, xtst


class Session:
    def __init__(self, display_name):
        self.xlib, self.xtst = load_x()
        deadline = time.monotonic() + 10
        self.dpy = None
        while not self.dpy:  # the server may still be starting
            self.dpy = self.xlib.XOpenDisplay(display_name.encode())
            if not self.dpy:
                if time.monotonic() > deadline:
                    sys.exit(f"paste: cannot open display {display_name}")
                time.sleep(0.05)
        self.fd = self.xlib.XConnectionNumber(self.dpy)
        self.texts = self.xlib.XInternAtom(self.dpy, b"_QEL_CONTROL_TEXTS", 0)

    def key(self, *names):
        codes = [self.xlib.XKeysymToKeycode(self.dpy, self.xlib.XStringToKeysym(n.encode()))
                 for n in names]
        for code in codes:
            self.xtst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        for code in reversed(codes):
            self.xtst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        self.xlib.XFlush(self.dpy)

    def property(self, window):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        if self.xlib.XGetWindowProperty(self.dpy, window, self.texts, 0, 1 << 20, 0, 0,
                                        ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count),
                                        ctypes.byref(after), ctypes.byref(data)) != 0 or not data:
            return ""
        text = ctypes.string_at(data, count.value).decode("utf-8", "replace")
        self.xlib.XFree(data)
        return text

    def fields(self, window):
        shown = dict(line.split("\t", 1) for line in self.property(window).splitlines() if "\t" in line)
        return tuple(shown.get(id, None) for id in ("101", "102", "103"))

    def wait_for_fields(self, window, wanted, deadline):
        """Time at which the three fields read `wanted`, or None."""
        event = XEvent()
        while True:
            while self.xlib.XPending(self.dpy):
                self.xlib.XNextEvent(self.dpy, ctypes.byref(event))
            if self.fields(window) == wanted:
                return time.perf_counter()
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            if not self.xlib.XPending(self.dpy):  # a reply may have brought events in
                select.select([self.fd], [], [], left)


def find_window(display, name):
    out = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{name}$"],
                         env=dict(os.environ, DISPLAY=display), capture_output=True, text=True,
                         timeout=10)
    return int(out.stdout.split()[0])


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def paste_once(session, display, qel, digits, timeout):
    env = dict(os.environ, DISPLAY=display)
    program = subprocess.Popen([qel], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    clipboard = None
    try:
        window = find_window(display, "QEL ")
        session.xlib.XSelectInput(session.dpy, window, PROPERTY_CHANGE_MASK)
        session.xlib.XSetInputFocus(session.dpy, window, 1, 0)
        session.xlib.XSync(session.dpy, 0)
        text = ("1234567890" * (digits // 10 + 1))[:digits]
        clipboard = subprocess.Popen(["xclip", "-selection", "clipboard", "-quiet", "-i"], env=env,
                                     stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        clipboard.stdin.write(text.encode())
        clipboard.stdin.close()
        time.sleep(0.3)  # until xclip owns the selection
        session.key("BackSpace")
        session.wait_for_fields(window, EMPTIED, time.monotonic() + 5)
        time.sleep(0.2)
        before = resident_kb(program.pid)
        start = time.perf_counter()
        session.key("Control_L", "v")
        settled = session.wait_for_fields(window, SETTLED, time.monotonic() + timeout)
        after = resident_kb(program.pid) if program.poll() is None else 0
        return (None if settled is None else settled - start), before, after
    finally:
        for process in (clipboard, program):
            if process and process.poll() is None:
                process.terminate()
                process.wait(5)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qel", required=True, help="the Linux qel program")
    parser.add_argument("--digits", default="1000,30000,1000000")
    parser.add_argument("--timeout", type=float, default=60, help="seconds to wait for settled fields")
    parser.add_argument("--display", default=os.environ.get("DISPLAY", ":0"))
    args = parser.parse_args()

    session = Session(args.display)
    worst = 0
    for digits in (int(d) for d in args.digits.split(",")):
        elapsed, before, after = paste_once(session, args.display, os.path.abspath(args.qel), digits,
                                            args.timeout)
        shown = f"{elapsed:.3f} s" if elapsed is not None else f"not settled in {args.timeout:.0f} s"
        print(f"digits={digits}  paste_to_settled={shown}  VmRSS_before={before} kB"
              f"  VmRSS_after={after} kB  growth={after - before} kB")
        worst = max(worst, 0 if elapsed is not None else 1)
    return worst


if __name__ == "__main__":
    sys.exit(main())
