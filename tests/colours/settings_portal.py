#!/usr/bin/python3
"""A stand-in for the desktop's settings portal, org.freedesktop.portal.Settings,
as far as programs read the desktop's appearance from it.

Imported, SettingsPortal(...) serves on the session bus from the GLib main
context of the importer, which must iterate it. Run, it serves until killed:

    settings_portal.py [--color-scheme N] [--contrast N] [--silent]

--silent takes the calls and never answers them, as a portal that hangs.
Needs dbus-python and PyGObject (/usr/bin/python3).
"""
import argparse

import dbus
import dbus.mainloop.glib
import dbus.service

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SETTINGS = "org.freedesktop.portal.Settings"
APPEARANCE = "org.freedesktop.appearance"


class SettingsPortal(dbus.service.Object):
    def __init__(self, color_scheme=0, contrast=0):
        dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
        self.bus = dbus.SessionBus()
        self.name = dbus.service.BusName(PORTAL, self.bus, do_not_queue=True)
        super().__init__(self.bus, PATH)
        self.values = {"color-scheme": dbus.UInt32(color_scheme), "contrast": dbus.UInt32(contrast)}
        self.silent = False    # take calls, never answer
        self.garbage = False   # answer with the wrong types
        self.calls = 0
        self.unanswered = []

    def reply(self):
        if self.garbage:
            return {APPEARANCE: {key: dbus.String(str(value)) for key, value in self.values.items()}}
        return {APPEARANCE: dict(self.values)}

    @dbus.service.method(SETTINGS, in_signature="as", out_signature="a{sa{sv}}",
                         async_callbacks=("answer", "fail"))
    def ReadAll(self, namespaces, answer, fail):
        self.calls += 1
        if self.silent:
            self.unanswered.append(answer)
        elif self.garbage:
            # the declared signature holds, the values do not
            answer(dbus.Dictionary(self.reply(), signature="sa{sv}"))
        else:
            answer(self.reply())

    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def ReadOne(self, namespace, key):
        return self.values[key]

    @dbus.service.signal(SETTINGS, signature="ssv")
    def SettingChanged(self, namespace, key, value):
        pass

    def set(self, key, value):
        """Changes a setting and tells the bus, as a desktop does."""
        self.values[key] = dbus.UInt32(value)
        self.SettingChanged(APPEARANCE, key, self.values[key])

    def announce_garbage(self, key, value):
        """A SettingChanged whose value has the wrong type."""
        self.SettingChanged(APPEARANCE, key, dbus.String(str(value), variant_level=1))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--color-scheme", type=int, default=0)
    parser.add_argument("--contrast", type=int, default=0)
    parser.add_argument("--silent", action="store_true")
    args = parser.parse_args()
    from gi.repository import GLib
    portal = SettingsPortal(args.color_scheme, args.contrast)
    portal.silent = args.silent
    GLib.MainLoop().run()


if __name__ == "__main__":
    main()
