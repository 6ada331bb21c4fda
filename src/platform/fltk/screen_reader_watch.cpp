// The plug-in, with the accessibility libraries it needs, is loaded only
// once a screen reader is enabled; until then this watch, on the session
// bus connection the program already has, is all it costs.
#include "screen_reader_watch.h"

#include <FL/Fl.H>

#include <cstring>

#include "session_bus.h"

namespace {

const char kStatus[] = "org.a11y.Status";
const char kStatusChanges[] =
    "type='signal',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
    "path='/org/a11y/bus',arg0='org.a11y.Status'";

void (*whenEnabled)() = nullptr;

// An a{sv} of org.a11y.Status's properties; entries of other types are
// passed over.
bool SaysEnabled(DBusMessageIter* properties) {
  bool enabled = false;
  ForEachEntry(properties, [&](const char* name, DBusMessageIter* value) {
    dbus_bool_t on = FALSE;
    if ((std::strcmp(name, "IsEnabled") == 0 || std::strcmp(name, "ScreenReaderEnabled") == 0) &&
        VariantValue(value, DBUS_TYPE_BOOLEAN, &on) && on)
      enabled = true;
  });
  return enabled;
}

DBusHandlerResult OnSignal(DBusConnection*, DBusMessage* message, void*);

void StopWatching() {
  DBusConnection* bus = SessionBus();
  dbus_connection_remove_filter(bus, OnSignal, nullptr);
  dbus_bus_remove_match(bus, kStatusChanges, nullptr);
}

// From the loop, not from inside the bus's dispatching: loading the plug-in
// starts a bus connection of its own.
void RunWhenEnabled(void*) { whenEnabled(); }

void Enabled() {
  static bool told = false;
  if (told) return;
  told = true;
  StopWatching();
  Fl::add_timeout(0.0, RunWhenEnabled);
}

// PropertiesChanged(s interface, a{sv} changed, as invalidated).
DBusHandlerResult OnSignal(DBusConnection*, DBusMessage* message, void*) {
  if (!dbus_message_is_signal(message, DBUS_INTERFACE_PROPERTIES, "PropertiesChanged") ||
      !dbus_message_has_path(message, "/org/a11y/bus") || !dbus_message_has_signature(message, "sa{sv}as"))
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  DBusMessageIter arguments;
  dbus_message_iter_init(message, &arguments);
  const char* interface = nullptr;
  dbus_message_iter_get_basic(&arguments, &interface);
  dbus_message_iter_next(&arguments);
  if (std::strcmp(interface, kStatus) == 0 && SaysEnabled(&arguments)) Enabled();
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

void (*whenAddressed)(const char* address) = nullptr;

void OnGetAddress(DBusMessage* reply) {
  const char* address = nullptr;
  if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
      dbus_message_get_args(reply, nullptr, DBUS_TYPE_STRING, &address, DBUS_TYPE_INVALID) && *address)
    whenAddressed(address);
}

void OnGetAll(DBusMessage* reply) {
  if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
      !dbus_message_has_signature(reply, "a{sv}"))
    return;
  DBusMessageIter properties;
  dbus_message_iter_init(reply, &properties);
  if (SaysEnabled(&properties)) Enabled();
}

}  // namespace

bool WatchScreenReaderStatus(void (*onEnabled)()) {
  DBusConnection* bus = SessionBus();
  if (!bus) return false;
  whenEnabled = onEnabled;
  dbus_connection_add_filter(bus, OnSignal, nullptr, nullptr);
  dbus_bus_add_match(bus, kStatusChanges, nullptr);
  DBusMessage* call = dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", DBUS_INTERFACE_PROPERTIES, "GetAll");
  const char* interface = kStatus;
  if (call) dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID);
  CallOnSessionBus(call, OnGetAll);
  return true;
}

bool AskAccessibilityBus(void (*onAddress)(const char* address)) {
  if (!SessionBus()) return false;
  whenAddressed = onAddress;
  return CallOnSessionBus(dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"),
                          OnGetAddress);
}
