"""What the Python clients of QEL's tests share: a check that reports as it
goes, a private Xvfb, and pumping GLib's main context while waiting (the
clients' D-Bus services and listeners live there)."""
import os
import subprocess
import time

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def start_xvfb():
    """A private X server, without resets: its display name and process."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                               "-noreset"], pass_fds=[write], stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as pipe:
        return server, ":" + pipe.readline().strip()


def pump(GLib, seconds):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.005)
