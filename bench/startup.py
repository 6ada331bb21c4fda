#!/usr/bin/env python3
"""Start-up time and resident memory of QEL beside xcalc and a floor, on a running X server.

Each program is launched RUNS times, all interleaved, in one locale (a
UTF-8 one unless told otherwise). The time is from just before the launch
to the MapNotify of its top-level window, which we see by listening to the
root window's substructure: no polling, so the figure is as good as the
scheduler's wake-up. The resident set (VmRSS) and the private memory (USS)
are read once the window has been up for a moment. Nothing else may map
windows on the display meanwhile.

The floor (--floor) is the least an X program showing text does: a bare
Xlib window drawing one line in one Xft font. QEL's time is given as a
ratio to it in each case. With --trace (the bench's startup_trace.so), QEL,
its baseline and the floor also run with that library preloaded, which
notes when each phase of their start ends; the medians, from the launch,
are printed as a breakdown.

With --baseline, an earlier build of QEL runs beside this one, in the same
cases. Run inside a session bus (startup.sh does), QEL runs as a desktop
without a screen reader has it (watching for one to be enabled) but with no
settings portal; also without a session bus; with a settings portal that
answers at once (a stand-in, on a second bus of its own); and with
accessibility on (QEL_ACCESSIBILITY=1), the baseline too. For the last, the
time from the mapped window to QEL's registration with the accessibility
registry is the plug-in's start time (needs PyGObject), and the time from
the launch to it what a screen reader's user waits for.

Xlib is reached through ctypes.
"""
import argparse
import ctypes
import ctypes.util
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


def load_xlib():
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XPending.argtypes = [ctypes.c_void_p]
    xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
    xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
    return xlib


class RootListener:
    def __init__(self, xlib, display_name, wait_seconds=10.0):
        self.xlib = xlib
        deadline = time.monotonic() + wait_seconds
        self.display = None
        while not self.display:  # the server may still be starting
            self.display = xlib.XOpenDisplay(display_name.encode())
            if not self.display:
                if time.monotonic() > deadline:
                    sys.exit(f"startup: cannot open display {display_name}")
                time.sleep(0.05)
        self.root = xlib.XDefaultRootWindow(self.display)
        xlib.XSelectInput(self.display, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        xlib.XSync(self.display, 0)
        self.fd = xlib.XConnectionNumber(self.display)

    def drain(self):
        event = XEvent()
        while self.xlib.XPending(self.display):
            self.xlib.XNextEvent(self.display, ctypes.byref(event))

    def wait_for_map(self, deadline):
        """Time at which a top-level window was mapped, or None."""
        event = XEvent()
        while True:
            while self.xlib.XPending(self.display):
                self.xlib.XNextEvent(self.display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and event.xmap.event == self.root:
                    return time.perf_counter()
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([self.fd], [], [], left)


def memory_of(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssAnon", "RssFile", "RssShmem"):
                fields[key] = int(value.split()[0])  # kB
    with open(f"/proc/{pid}/smaps_rollup") as rollup:  # pages no other process shares
        fields["USS"] = sum(int(line.split()[1]) for line in rollup
                            if line.startswith(("Private_Clean:", "Private_Dirty:")))
    return fields


PHASES = ("libraries", "display", "input-method", "fonts", "dialog", "map", "drawn")


def phases_of(trace_path, started_ns):
    """Milliseconds from the launch to the end of each phase startup_trace.so noted."""
    phases = {}
    try:
        with open(trace_path) as trace:
            for line in trace:
                name, _, ns = line.partition(" ")
                phases[name] = (int(ns) - started_ns) / 1e6
        os.unlink(trace_path)
    except FileNotFoundError:
        pass
    return phases


class RegistryListener:
    """Tells when an application registers with the accessibility registry."""

    def __init__(self):
        from gi.repository import Gio, GLib
        self.GLib = GLib
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                    GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        self.bus = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
        self.bus.call_sync("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
                           "org.freedesktop.DBus.Peer", "Ping", None, None, Gio.DBusCallFlags.NONE, -1, None)
        self.bus.signal_subscribe(None, "org.a11y.atspi.Event.Object", "ChildrenChanged",
                                  "/org/a11y/atspi/accessible/root", None, Gio.DBusSignalFlags.NONE, self.on_signal)
        self.registered = None

    def on_signal(self, *args):
        if args[-1].unpack()[0] == "add" and self.registered is None:
            self.registered = time.perf_counter()

    def wait(self, deadline):
        context = self.GLib.MainContext.default()
        while self.registered is None and time.monotonic() < deadline:
            if not context.iteration(False):
                time.sleep(0.001)
        registered, self.registered = self.registered, None
        return registered


def launch_once(listener, command, settle, env_changes=None, registry=None):
    listener.drain()
    env = dict(os.environ, DISPLAY=listener.display_name)
    for key, value in (env_changes or {}).items():
        if value is None:
            env.pop(key, None)
        else:
            env[key] = value
    start_ns = time.clock_gettime_ns(time.CLOCK_MONOTONIC)  # the clock startup_trace.so notes on
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mapped = listener.wait_for_map(time.monotonic() + 10)
    memory = {}
    if mapped is not None:
        memory["phases"] = {"mapped": (mapped - start) * 1000.0}
        if registry:
            registered = registry.wait(time.monotonic() + 5)
            if registered is not None:
                memory["registered_ms"] = (registered - mapped) * 1000.0
        time.sleep(settle)
        if process.poll() is None:
            memory.update(memory_of(process.pid))
    process.terminate()
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    time.sleep(0.05)  # let the unmap and destroy reach us before the next launch
    listener.drain()
    if "STARTUP_TRACE" in env and "phases" in memory:
        memory["phases"].update(phases_of(env["STARTUP_TRACE"], start_ns))
    return (None if mapped is None else (mapped - start) * 1000.0), memory


def summarise(name, times, memories):
    good = [t for t in times if t is not None]
    line = {"program": name, "launches": len(times), "mapped": len(good)}
    if good:
        line.update(median_ms=statistics.median(good), min_ms=min(good), max_ms=max(good))
    for key in ("VmRSS", "RssAnon", "RssFile", "RssShmem", "USS"):
        values = [m[key] for m in memories if key in m]
        if values:
            line[key + "_kB"] = int(statistics.median(values))
    registered = [m["registered_ms"] for m in memories if "registered_ms" in m]
    if registered:
        line["map_to_registered_median_ms"] = statistics.median(registered)
        line["launch_to_registered_median_ms"] = statistics.median(
            m["registered_ms"] + m["phases"]["mapped"] for m in memories if "registered_ms" in m)
    return line


def bus_with_portal():
    """A second session bus with the settings portal stand-in on it: its
    address and the two processes."""
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, text=True)
    address = bus.stdout.readline().strip()
    portal_script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "colours",
                                 "settings_portal.py")
    portal = subprocess.Popen(["/usr/bin/python3", portal_script],
                              env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address))
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:  # until the portal owns its name
        owner = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                                "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                "string:org.freedesktop.portal.Desktop"],
                               env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address),
                               capture_output=True, text=True).stdout
        if "true" in owner:
            break
        time.sleep(0.05)
    return address, [portal, bus]


def programs_to_run(args, portal_bus):
    """name -> (command, environment changes, registry listener or None)."""
    quiet = {"QEL_ACCESSIBILITY": None, "NO_AT_BRIDGE": None}
    builds = {"qel": [os.path.abspath(args.qel)]}
    if args.baseline:
        builds["qel-baseline"] = [os.path.abspath(args.baseline)]
    programs = {}
    if args.floor:
        programs["floor"] = ([os.path.abspath(args.floor)], {}, None)
    for name, command in builds.items():
        programs[name] = (command, quiet, None)
        if os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            programs[name + "-no-session-bus"] = (command, dict(quiet, DBUS_SESSION_BUS_ADDRESS=None), None)
        if portal_bus:
            programs[name + "-portal"] = (command, dict(quiet, DBUS_SESSION_BUS_ADDRESS=portal_bus), None)
    if os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        try:
            registry = RegistryListener()
        except Exception as e:  # no PyGObject or no accessibility bus
            print(f"startup: accessibility on not measured: {e}", file=sys.stderr)
        else:
            for name, command in builds.items():
                programs[name + "-accessibility-on"] = (command, dict(quiet, QEL_ACCESSIBILITY="1"), registry)
    programs["xcalc"] = ([args.xcalc], {}, None)
    if args.trace:
        for name in [name for name in ("qel", "qel-baseline", "floor") if name in programs]:
            command, env_changes, _ = programs[name]
            trace = os.path.join(args.trace_folder, name + ".trace")
            programs[name + "-traced"] = (command, dict(env_changes, LD_PRELOAD=os.path.abspath(args.trace),
                                                        STARTUP_TRACE=trace), None)
    return programs


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qel", required=True, help="the Linux qel program")
    parser.add_argument("--baseline", help="an earlier qel program, run beside --qel")
    parser.add_argument("--xcalc", default="xcalc")
    parser.add_argument("--floor", help="the floor program (the bench's startup_floor)")
    parser.add_argument("--trace", help="startup_trace.so, for a breakdown of each start")
    parser.add_argument("--locale", default="C.UTF-8", help="LC_ALL of every program")
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("--settle", type=float, default=0.3, help="seconds between map and RSS reading")
    parser.add_argument("--display", default=os.environ.get("DISPLAY", ":0"))
    args = parser.parse_args()

    os.environ["LC_ALL"] = args.locale
    listener = RootListener(load_xlib(), args.display)
    listener.display_name = args.display
    portal_bus, helpers = bus_with_portal() if os.environ.get("DBUS_SESSION_BUS_ADDRESS") else (None, [])
    try:
        with tempfile.TemporaryDirectory() as trace_folder:
            args.trace_folder = trace_folder
            return measure(args, listener, programs_to_run(args, portal_bus))
    finally:
        for helper in helpers:
            helper.terminate()
            helper.wait()


def measure(args, listener, programs):
    results = {name: ([], []) for name in programs}

    for command, env_changes, registry in programs.values():  # warm the page cache; not counted
        launch_once(listener, command, 0.0, env_changes, registry)
    for _ in range(args.runs):
        for name, (command, env_changes, registry) in programs.items():
            elapsed, memory = launch_once(listener, command, args.settle, env_changes, registry)
            results[name][0].append(elapsed)
            results[name][1].append(memory)

    lines = {name: summarise(name, *results[name]) for name in programs}
    for line in lines.values():
        figures = "  ".join(f"{k}={v:.1f}" if isinstance(v, float) else f"{k}={v}" for k, v in line.items())
        print(figures)
    print_comparisons(lines)
    print_breakdown(programs, results)
    return 0 if all(line["mapped"] == line["launches"] for line in lines.values()) else 1


def print_comparisons(lines):
    qel, xcalc, floor = lines["qel"], lines["xcalc"], lines.get("floor", {})
    if "median_ms" in qel and "median_ms" in xcalc:
        print(f"qel/xcalc start-up ratio: {qel['median_ms'] / xcalc['median_ms']:.2f}")
    for name, line in lines.items():
        if name.startswith("qel") and not name.endswith(("-traced", "-accessibility-on")) \
                and "median_ms" in line and "median_ms" in floor:
            print(f"{name}/floor start-up ratio: {line['median_ms'] / floor['median_ms']:.2f}")
    for name, line in lines.items():
        if name.startswith("qel-") and "VmRSS_kB" in line and "VmRSS_kB" in qel:
            print(f"{name}: resident set {line['VmRSS_kB'] - qel['VmRSS_kB']:+d} kB against qel")
    for name in ("qel", "qel-no-session-bus", "qel-portal"):
        before = lines.get(name.replace("qel", "qel-baseline", 1))
        if before and "median_ms" in before and "median_ms" in lines[name]:
            print(f"{name}: resident set {lines[name]['VmRSS_kB'] - before['VmRSS_kB']:+d} kB, "
                  f"private {lines[name]['USS_kB'] - before['USS_kB']:+d} kB, "
                  f"mapped {lines[name]['median_ms'] - before['median_ms']:+.1f} ms against the baseline")


    now, before = lines.get("qel-accessibility-on", {}), lines.get("qel-baseline-accessibility-on", {})
    if "launch_to_registered_median_ms" in now and "launch_to_registered_median_ms" in before:
        print(f"qel-accessibility-on: registered {now['launch_to_registered_median_ms']:.1f} ms after the launch, "
              f"{now['launch_to_registered_median_ms'] - before['launch_to_registered_median_ms']:+.1f} ms "
              f"against the baseline")


def print_breakdown(programs, results):
    """Medians of each phase's end, in ms from the launch, of the traced programs."""
    traced = [name for name in programs if name.endswith("-traced")]
    if not traced:
        return
    print("start-up breakdown, median ms from the launch to the end of each phase (preloaded tracer):")
    print(f"  {'phase':14}" + "".join(f"{name[:-len('-traced')]:>14}" for name in traced))
    for phase in PHASES[:-2] + ("map", "mapped", "drawn"):
        cells = []
        for name in traced:
            values = [m["phases"][phase] for m in results[name][1] if phase in m.get("phases", {})]
            cells.append(f"{statistics.median(values):14.1f}" if values else f"{'-':>14}")
        print(f"  {phase:14}" + "".join(cells))


if __name__ == "__main__":
    sys.exit(main())
