#!/usr/bin/python3
"""What a screen reader finds in QEL and can do with it, over AT-SPI.

Run inside a private session bus (dbus-run-session); starts its own Xvfb
and QEL, then checks in groups: switching on when a reader enables
accessibility, the tree of both dialogs, events for typed and rewritten
text, changes made through EditableText, focus (also when another program
takes the keyboard), the edit menu and the About box, no bus started where
QEL refuses the session's (autolaunch:). With --orca, what Orca itself says
over a fresh QEL instead, read from its debug file.
Exit 0 if all checks pass, 1 if any fails, 77 if a tool is missing.
"""
import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from session_checks import check, failures, pump, start_xvfb  # noqa: E402


class BellCounter:
    """Counts XKB bell notifications: one per beep."""

    class Event(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("time", ctypes.c_ulong), ("xkb_type", ctypes.c_int),
                    ("pad", ctypes.c_long * 24)]

    def __init__(self, display_name):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x.XkbSelectEvents.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.x.XOpenDisplay(display_name.encode())
        opcode, self.base, error = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        major, minor = ctypes.c_int(1), ctypes.c_int(0)
        self.x.XkbQueryExtension(ctypes.c_void_p(self.display), ctypes.byref(opcode), ctypes.byref(self.base),
                                 ctypes.byref(error), ctypes.byref(major), ctypes.byref(minor))
        bell_notify_mask = 1 << 8
        self.x.XkbSelectEvents(self.display, 0x100, bell_notify_mask, bell_notify_mask)
        self.x.XSync(self.display, 0)
        self.count = 0

    def read(self):
        self.x.XSync(self.display, 0)
        event = self.Event()
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, ctypes.byref(event))
            if event.type == self.base.value and event.xkb_type == 8:  # XkbBellNotify
                self.count += 1
        return self.count


def main():
    orca = sys.argv[1:2] == ["--orca"]
    if len(sys.argv) != 2 + orca:
        sys.exit("usage: accessibility_test.py [--orca] QEL_PROGRAM  (inside dbus-run-session)")
    program = sys.argv[-1]
    for tool in ("Xvfb", "xdotool", "xlogo") + (("orca",) if orca else ()):
        if not shutil.which(tool):
            print(f"SKIP: {tool} missing")
            return 77
    server, display = start_xvfb()
    os.environ["DISPLAY"] = display
    env = {k: v for k, v in os.environ.items() if k not in ("QEL_ACCESSIBILITY", "NO_AT_BRIDGE", "AT_SPI_BUS_ADDRESS")}
    env.update(LANG="it_IT.UTF-8", LC_ALL="", LC_MESSAGES="")  # the edit menu in Italian
    qel = None if orca else subprocess.Popen([program], env=env)  # Orca's run starts its own
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Gio, GLib
        import pyatspi
    except (ImportError, ValueError) as e:
        print(f"SKIP: {e}")
        if qel:
            qel.kill()
        server.kill()
        return 77
    try:
        Checks(qel, display, pyatspi, Gio, GLib, env, program).run(orca)
    finally:
        if qel:
            qel.kill()
            qel.wait()
        server.kill()
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed")
    return 1 if failures else 0


class Checks:
    def __init__(self, qel, display, pyatspi, Gio, GLib, env, program):
        self.qel, self.display, self.pyatspi, self.Gio, self.GLib = qel, display, pyatspi, Gio, GLib
        self.env, self.program = env, program
        self.events = []
        self.bells = BellCounter(display)

    # ---- plumbing

    def pump(self, seconds):
        pump(self.GLib, seconds)

    def wait_for(self, predicate, seconds=5.0):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            try:
                if predicate():
                    return True
            except Exception:  # an object may be going away meanwhile
                pass
            self.pump(0.02)
        return False

    def wait_for_events(self, predicate, seconds=2.0):
        """Waits as a screen reader does after an action: listening, asking
        QEL nothing (a question would wake it)."""
        end = time.monotonic() + seconds
        while time.monotonic() < end and not predicate():
            self.pump(0.01)
        return predicate()

    def focused(self, name):
        return [e for e in self.events_of("object:state-changed:focused", name) if e[2] == 1]

    def application(self):
        for app in self.pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "QEL":
                return app
        return None

    def on_event(self, event):
        try:
            name = event.source.name
        except Exception:
            name = None
        self.events.append((event.type, name, event.detail1, event.any_data))

    def events_of(self, kind, name=None):
        return [e for e in self.events if e[0].startswith(kind) and (name is None or e[1] == name)]

    def window_id(self):
        out = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^QEL $"],
                             capture_output=True, text=True, timeout=10).stdout.split()
        return out[0] if out else None

    def keys(self, *args):
        subprocess.run(["xdotool", "windowfocus", "--sync", self.main_window], check=True, timeout=10)
        subprocess.run(["xdotool", *args], check=True, timeout=10)

    def text(self, name):
        return self.field(name).queryText().getText(0, -1)

    def field(self, name):
        return self.pyatspi.findDescendant(self.frame, lambda o: o.getRole() == self.pyatspi.ROLE_ENTRY and o.name == name)

    def fields(self):
        return tuple(self.text(n) for n in "DHO")

    def states(self, accessible):
        return set(accessible.getState().getStates())

    # Listening first, as a screen reader does before it looks for applications.
    def listen(self):
        self.pyatspi.Registry.registerEventListener(
            self.on_event, "object:text-changed", "object:state-changed:focused",
            "object:state-changed:selected", "window:create",
            "window:activate", "window:deactivate", "window:destroy")

    # ---- the groups

    def run(self, orca):
        if orca:
            self.listen()
            self.orca_speaks_what_is_shown()
            return
        self.main_window = self.window_id()
        if not check(self.main_window is not None, "QEL's window is mapped"):
            return
        self.listen()
        if not self.switching_on():
            return
        self.tree_of_main_dialog()
        self.typing_rewrites_the_other_fields()
        self.where_the_characters_are()
        self.editable_text_goes_through_validation()
        self.focus_follows_tab()
        self.another_program_takes_the_keyboard()
        self.edit_menu()
        self.about_box()
        self.ends_on_escape()
        self.refused_bus_stays_refused()

    def switching_on(self):
        self.pump(1.0)
        check(self.application() is None, "with accessibility not enabled QEL stays off the bus")
        self.a11y_status("Set", "IsEnabled", self.GLib.Variant("b", True))
        enabled = time.monotonic()
        if not check(self.wait_for(lambda: self.application() is not None, 10), "QEL appears once IsEnabled is true"):
            return False
        print(f"     appeared {time.monotonic() - enabled:.2f} s after IsEnabled was set")
        self.app = self.application()
        self.frame = self.app[0]
        return True

    def tree_of_main_dialog(self):
        p = self.pyatspi
        check(self.wait_for(lambda: self.events_of("window:activate", "QEL ")
                            and [e for e in self.events_of("object:state-changed:focused", "D") if e[2] == 1]),
              "a reader's first look at QEL is answered with the active window and the focus")
        check(self.app.childCount == 1 and self.app.get_toolkit_name() == "FLTK", "application QEL on FLTK, one window")
        check(self.frame.getRole() == p.ROLE_FRAME and self.frame.name == "QEL ", "main dialog: a frame named by its caption")
        check({p.STATE_ACTIVE, p.STATE_SHOWING, p.STATE_VISIBLE, p.STATE_ENABLED} <= self.states(self.frame),
              "main dialog active, showing, visible, enabled")
        roles = [c.getRole() for c in self.frame]
        check(roles.count(p.ROLE_ENTRY) == 3 and roles.count(p.ROLE_LABEL) == 3 and roles.count(p.ROLE_PUSH_BUTTON) == 1,
              "three entries, three labels, one push button")
        entry_states = {p.STATE_EDITABLE, p.STATE_SINGLE_LINE, p.STATE_FOCUSABLE, p.STATE_ENABLED,
                        p.STATE_SENSITIVE, p.STATE_SHOWING, p.STATE_VISIBLE}
        for name in "DHO":
            entry = self.field(name)
            if not check(entry is not None, f"an entry named {name}"):
                continue
            labels = [r.getTarget(0) for r in entry.getRelationSet() if r.getRelationType() == p.RELATION_LABELLED_BY]
            label_for = [r.getTarget(0) for r in labels[0].getRelationSet()
                         if r.getRelationType() == p.RELATION_LABEL_FOR] if labels else []
            check(len(labels) == 1 and labels[0].name == name and labels[0].getRole() == p.ROLE_LABEL
                  and label_for and label_for[0].name == name,
                  f"entry {name} labelled by the static {name}, and the label for it")
            check(entry_states <= self.states(entry), f"entry {name} editable, single line, focusable, showing")
            check(entry.queryText().getText(0, -1) == "0", f"entry {name} reads 0")
        check(p.STATE_FOCUSED in self.states(self.field("D")), "D has the focus")
        about = p.findDescendant(self.frame, lambda o: o.getRole() == p.ROLE_PUSH_BUTTON)
        action = about.queryAction()
        check(about.name == "ABOUT" and action.nActions == 1 and action.getName(0) == "click",
              "push button ABOUT with one action, click")

    def typing_rewrites_the_other_fields(self):
        self.events.clear()
        self.keys("type", "--delay", "60", "255")
        check(self.wait_for(lambda: self.fields() == ("255", "FF", "377")), "typing 255 into D: H is FF, O 377")
        self.pump(0.2)
        check(any(e[3] == "FF" for e in self.events_of("object:text-changed:insert", "H")),
              "a text-changed insertion of FF in H")
        check(any(e[3] == "5" for e in self.events_of("object:text-changed:insert", "D")),
              "typed keystrokes are text-changed insertions in D")

    def where_the_characters_are(self):
        p = self.pyatspi
        field = self.field("D")
        text = field.queryText()
        fx, fy, fw, fh = field.queryComponent().getExtents(p.DESKTOP_COORDS)
        boxes = [tuple(text.getCharacterExtents(i, p.DESKTOP_COORDS)) for i in range(3)]
        check(all(fx < x and x + w < fx + fw and fy < y and y + h < fy + fh and w > 0 for x, y, w, h in boxes)
              and boxes[0][0] + boxes[0][2] <= boxes[1][0] and boxes[1][0] + boxes[1][2] <= boxes[2][0],
              f"the characters of 255 lie side by side inside D ({boxes} in {(fx, fy, fw, fh)})")
        found = [text.getOffsetAtPoint(x + w // 2, y + h // 2, p.DESKTOP_COORDS) for x, y, w, h in boxes]
        check(found == [0, 1, 2] and text.getOffsetAtPoint(fx + fw - 2, fy + fh // 2, p.DESKTOP_COORDS) == -1,
              f"the offset at a character's middle is that character's, none past the text ({found})")

    def editable_text_goes_through_validation(self):
        d, h = self.field("D"), self.field("H")
        bells = self.bells.read()
        self.events.clear()
        d.queryEditableText().setTextContents("12x4")
        removed = lambda: [e[3] for e in self.events_of("object:text-changed:delete", "D")]  # noqa: E731
        check(self.wait_for_events(lambda: "x" in removed()) and self.fields() == ("12", "C", "14"),
              "D set to 12x4 ends at once at 12, C, 14, with nothing more asked of QEL")
        self.pump(0.3)  # the bells go out on QEL's X connection, the events on the bus
        check(self.bells.read() - bells == 2, f"two beeps for the two characters taken back ({self.bells.read() - bells})")
        removed = removed()
        check(removed[-2:] == ["4", "x"], f"each take-back is a removal from D ({removed})")

        check(self.pyatspi.STATE_FOCUSED in self.states(d), "the field set from outside has the focus")
        bells = self.bells.read()
        h.queryEditableText().insertText(1, "7", 1)
        check(self.wait_for(lambda: self.fields() == ("199", "C7", "307")), "7 inserted into H while D had the focus")
        check(d.queryComponent().grabFocus() and self.wait_for(lambda: self.pyatspi.STATE_FOCUSED in self.states(d)),
              "grabFocus gives D the focus")
        h.queryEditableText().insertText(2, "G", 1)
        self.pump(0.5)
        check(self.fields() == ("199", "C7", "307") and self.bells.read() - bells == 1,
              "G refused in H with D focused: one beep, D left whole")
        h.queryEditableText().deleteText(0, 1)
        check(self.wait_for(lambda: self.fields() == ("7", "7", "7")), "deleting C from H converts what is left")
        h.queryEditableText().setTextContents("C7")
        check(self.wait_for(lambda: self.fields() == ("199", "C7", "307")), "C7 set back into H")

    def focus_follows_tab(self):
        self.events.clear()
        self.keys("key", "--delay", "100", "Tab", "Tab")  # H has the focus: O, then D
        self.pump(0.5)
        gained = [e[1] for e in self.events_of("object:state-changed:focused") if e[2] == 1]
        check(gained[-2:] == ["O", "D"], f"focus events follow Tab: {gained}")

    def another_program_takes_the_keyboard(self):
        p = self.pyatspi
        self.events.clear()
        other = subprocess.Popen(["xlogo", "-name", "other"])
        try:
            found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--classname", "other"],
                                   capture_output=True, text=True, timeout=10).stdout.split()
            subprocess.run(["xdotool", "windowfocus", "--sync", found[0]], check=True, timeout=10)
            check(self.wait_for(lambda: p.STATE_ACTIVE not in self.states(self.frame)
                                and p.STATE_FOCUSED not in self.states(self.field("D"))
                                and self.events_of("window:deactivate", "QEL ")),
                  "another program's window takes the keyboard: QEL deactivated, D unfocused")
            self.keys("key", "shift")
            check(self.wait_for(lambda: p.STATE_ACTIVE in self.states(self.frame)
                                and p.STATE_FOCUSED in self.states(self.field("D"))
                                and self.events_of("window:activate", "QEL ")),
                  "back in QEL: activated, D focused again")
        finally:
            other.kill()
            other.wait()

    def edit_menu(self):
        p = self.pyatspi
        clipboard = subprocess.Popen(["xclip", "-selection", "clipboard", "-loops", "0"], stdin=subprocess.PIPE)
        clipboard.communicate(b"12x4")
        self.field("O").queryEditableText().setTextContents("0")  # QEL writes 0 into D: nothing to undo there
        check(self.wait_for(lambda: self.fields() == ("0", "0", "0")), "O set to 0: all fields 0")
        self.field("D").queryComponent().grabFocus()
        self.wait_for(lambda: p.STATE_FOCUSED in self.states(self.field("D")))
        self.keys("key", "End")
        self.events.clear()
        bells = self.bells.read()
        self.keys("key", "shift+F10")
        if not check(self.wait_for(lambda: self.app.childCount == 2), "Shift+F10 in D: the menu's window appears"):
            return
        window = self.app[1]
        menu = window[0] if window.childCount == 1 else None
        check(window.getRole() == p.ROLE_WINDOW and menu and menu.getRole() == p.ROLE_POPUP_MENU
              and menu.name == "Menu contestuale", "a window holding a popup menu, Menu contestuale")
        popup_for = [r.getTarget(0).name for r in menu.getRelationSet() if r.getRelationType() == p.RELATION_POPUP_FOR]
        check(popup_for == ["D"], f"the menu is D's ({popup_for})")
        items = [c for c in menu if c.getRole() == p.ROLE_MENU_ITEM]
        names = [i.name for i in items]
        check(names == ["Annulla", "Taglia", "Copia", "Incolla", "Elimina", "Seleziona tutto"]
              and [c.getRole() for c in menu].count(p.ROLE_SEPARATOR) == 2,
              f"six items and two separators ({names})")
        enabled = [p.STATE_SENSITIVE in self.states(i) for i in items]
        check(enabled == [False, False, False, True, False, True], f"greyed as the menu shows them ({enabled})")
        check(self.wait_for(lambda: [e for e in self.events_of("object:state-changed:focused", "Menu contestuale")
                                     if e[2] == 1]), "the menu takes the focus")
        self.keys("key", "Down")
        check(self.wait_for(lambda: [e for e in self.events_of("object:state-changed:focused", "Incolla") if e[2] == 1]
                            and {p.STATE_FOCUSED, p.STATE_SELECTED} <= self.states(items[3])),
              "Down: the focus and the selection on Incolla, the first item enabled")
        incolla = items[3].queryAction()
        check(incolla.nActions == 1 and incolla.getName(0) == "click" and incolla.doAction(0), "click on Incolla")
        check(self.wait_for_events(lambda: any(e[3] == "12x4" for e in self.events_of("object:text-changed:insert", "D"))),
              "the click acts at once: 12x4 inserted into D with nothing more asked of QEL")
        check(self.wait_for(lambda: self.fields() == ("012", "C", "14")), "Incolla pastes 12x4 after the 0: 012, C, 14")
        self.pump(0.3)
        check(self.bells.read() - bells == 2, f"two beeps for the two characters taken back ({self.bells.read() - bells})")
        check(self.app.childCount == 1 and [e for e in self.events_of("object:state-changed:focused", "D") if e[2] == 1],
              "the menu is gone, the focus back in D")
        self.events.clear()
        self.keys("key", "shift+F10")
        self.wait_for(lambda: self.app.childCount == 2)
        self.keys("key", "Escape")
        check(self.wait_for(lambda: self.app.childCount == 1
                            and [e for e in self.events_of("object:state-changed:focused", "D") if e[2] == 1]),
              "Esc closes the menu, the focus back in D")
        check(self.qel.poll() is None and self.fields() == ("012", "C", "14"), "QEL runs on, the fields unchanged")
        clipboard.kill()

    def about_box(self):
        p = self.pyatspi
        self.events.clear()
        about = p.findDescendant(self.frame, lambda o: o.getRole() == p.ROLE_PUSH_BUTTON)
        about.queryAction().doAction(0)
        if not check(self.wait_for_events(lambda: self.events_of("window:activate", "About ..."))
                     and self.app.childCount == 2, "click on ABOUT opens a second window at once"):
            return
        box = self.app[1]
        check(box.name == "About ..." and box.getRole() == p.ROLE_DIALOG and p.STATE_MODAL in self.states(box),
              "a modal dialog named About ...")
        check(self.wait_for(lambda: p.STATE_ACTIVE in self.states(box) and p.STATE_ACTIVE not in self.states(self.frame)),
              "the About box is the active window")
        check(self.events_of("window:create", "About ...") and self.events_of("window:activate", "About ..."),
              "window created and activated events for the About box")
        labels = sorted(c.name for c in box if c.getRole() == p.ROLE_LABEL)
        check(labels == sorted(["QEL   versione  1.0", "Traduttore istantaneo formati numerici",
                                "Decimale - Esadecimale - Ottale", "Programma freeware"]),
              f"the About box's labels read as shown: {labels}")
        roles = [c.getRole() for c in box]
        panel = [c.name for c in box if c.getRole() == p.ROLE_PANEL]
        check(panel == ["Qel"] and p.ROLE_ICON in roles, "its group box is a panel named Qel, its icon an icon")
        about.queryAction().doAction(0)  # the bridge answers before it acts: no refusal to see
        self.pump(0.3)
        check(self.app.childCount == 2, "ABOUT does nothing while the About box is open")
        exit_button = p.findDescendant(box, lambda o: o.getRole() == p.ROLE_PUSH_BUTTON)
        check(exit_button.name == "Uscita", "the About box's button is Uscita")
        exit_button.queryAction().doAction(0)
        check(self.wait_for_events(lambda: self.events_of("window:destroy")) and self.app.childCount == 1,
              "click on Uscita closes it at once")
        # The object is gone by the time its name could be asked: the event carries it.
        check(any(e[3] == "About ..." for e in self.events_of("window:destroy")),
              "a window destroyed event for the About box")
        check(self.wait_for(lambda: p.STATE_ACTIVE in self.states(self.frame)), "the main dialog is active again")
        check(self.fields() == ("012", "C", "14"), "the fields are unchanged")

    def ends_on_escape(self):
        self.keys("key", "Escape")
        try:
            code = self.qel.wait(20)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, f"Esc ends QEL with exit code 0, the bridge running ({code})")

    def bus_processes(self):
        """Bus daemons and launchers started for this display, by pid."""
        found = set()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/comm") as f:
                    name = f.read().strip()
                with open(f"/proc/{pid}/environ", "rb") as f:
                    ours = f"DISPLAY={self.display}".encode() in f.read().split(b"\0")
            except OSError:
                continue
            if ours and name in ("dbus-launch", "dbus-daemon", "at-spi-bus-laun", "at-spi2-registr"):
                found.add((int(pid), name))
        return found

    def refused_bus_stays_refused(self):
        if not shutil.which("dbus-launch"):  # nothing could launch a bus: no fault to see
            print("SKIP autolaunch: dbus-launch missing (Debian dbus-x11)")
            return
        before = self.bus_processes()
        qel = subprocess.Popen([self.program], env=dict(self.env, QEL_ACCESSIBILITY="1",
                                                        DBUS_SESSION_BUS_ADDRESS="autolaunch:"))
        window = self.window_id()
        self.pump(0.5)  # time enough for the plug-in, were it loaded, to launch one
        during = self.bus_processes() - before
        if window:
            subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "Escape"], timeout=10)
        try:
            code = qel.wait(10)
        except subprocess.TimeoutExpired:
            qel.kill()
            code = None
        after = self.bus_processes() - before
        check(window and code == 0 and not during and not after,
              f"QEL_ACCESSIBILITY=1 over autolaunch: no bus started ({during}) or left ({after}), exit {code}")
        for pid, _ in after:  # they would take over the display's accessibility bus from Orca
            os.kill(pid, signal.SIGKILL)

    # ---- Orca, the real client: what it says is in its debug file, written
    # out when it quits. Each step waits for QEL's own event, then gives Orca
    # a moment to speak before the next key or click.

    def orca_speaks_what_is_shown(self):
        p, home = self.pyatspi, tempfile.mkdtemp(prefix="qel-orca-")
        log = os.path.join(home, "orca.log")
        orca = subprocess.Popen(["orca", "--replace", f"--debug-file={log}"], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, env=dict(self.env, XDG_DATA_HOME=home, XDG_CONFIG_HOME=home))
        self.events.clear()
        click = lambda window: lambda: p.findDescendant(  # noqa: E731
            self.application()[window], lambda o: o.getRole() == p.ROLE_PUSH_BUTTON).queryAction().doAction(0)
        steps = [(lambda: self.keys("type", "--delay", "60", "255"),
                  lambda: self.events_of("object:text-changed:insert", "O")),
                 (lambda: self.keys("key", "Tab"), lambda: self.focused("H")),
                 (lambda: self.keys("key", "Tab"), lambda: self.focused("O")),
                 (lambda: self.keys("key", "shift+F10"), lambda: self.focused("Menu contestuale")),
                 (lambda: self.keys("key", "Down"), lambda: self.focused("Taglia")),
                 (lambda: self.keys("key", "Escape"), lambda: len(self.focused("O")) == 2),
                 (click(0), lambda: self.events_of("window:activate", "About ...")),  # ABOUT
                 (click(1), lambda: self.events_of("window:destroy"))]  # Uscita
        try:
            self.wait_for(lambda: self.a11y_status("Get", "ScreenReaderEnabled").unpack()[0], 20)
            self.pump(1.0)  # Orca registers its listeners once it has said it is on
            self.qel = subprocess.Popen([self.program], env=self.env)
            if not check(self.wait_for_events(lambda: self.focused("D"), 20), "Orca on: QEL appears with D focused"):
                return
            self.main_window = self.window_id()
            for act, seen in steps:
                self.pump(0.5)
                act()
                self.wait_for_events(seen)
            self.pump(0.5)
        finally:
            orca.send_signal(signal.SIGINT)
            try:
                orca.wait(20)
            except subprocess.TimeoutExpired:
                orca.kill()
            if self.qel:
                self.qel.kill()
        with open(log, errors="replace") as f:
            said = " ".join(re.split(r"' ?\{", line.split("SPEECH OUTPUT: '", 1)[1])[0]
                            for line in f if "SPEECH OUTPUT: '" in line)
        print(f"     Orca said: {said}")
        shutil.rmtree(home, ignore_errors=True)
        # In Italian, as QEL's users hear it: a field's label, role and value as
        # QEL appears and on Tab; the edit menu and an item; Esc back to the
        # field; ABOUT's click, the About box and its texts; Uscita's, back.
        for words in ["QEL  cornice. D campo inserimento 0 selezionato.", "H campo inserimento FF selezionato.",
                      "O campo inserimento 377 selezionato.", "Menu contestuale menù a comparsa. Taglia.",
                      "Taglia. O campo inserimento 377 selezionato.",
                      "About ... dialogo QEL   versione  1.0 Traduttore istantaneo formati numerici "
                      "Decimale - Esadecimale - Ottale. Uscita pulsante.",
                      "Uscita pulsante. QEL  cornice. O campo inserimento 377 selezionato."]:
            check(words in said, f"Orca says {words!r}")

    def a11y_status(self, method, name, *value):
        bus = self.Gio.bus_get_sync(self.Gio.BusType.SESSION, None)
        return bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", method,
                             self.GLib.Variant("(ss" + "v" * len(value) + ")", ("org.a11y.Status", name, *value)),
                             None, self.Gio.DBusCallFlags.NONE, -1, None)

if __name__ == "__main__":
    sys.exit(main())
