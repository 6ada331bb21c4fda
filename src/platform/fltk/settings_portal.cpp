#include "settings_portal.h"

#include <cstring>

#include "session_bus.h"

namespace {

const char kPortal[] = "org.freedesktop.portal.Desktop";
const char kPortalPath[] = "/org/freedesktop/portal/desktop";
const char kSettings[] = "org.freedesktop.portal.Settings";
const char kAppearance[] = "org.freedesktop.appearance";

// The bus answers a connection's greeting within a millisecond or so, while
// fontconfig is still reading on its thread; a slower bus is waited for
// later, before the window is shown, with the answer.
const int kSendWaitMs = 2;

DesktopAppearance appearance;
void (*whenChanged)(const DesktopAppearance&) = nullptr;
bool answered = false;
int64_t askedAtMs = 0;

// One setting into `a`. Values outside the documented ones mean "none";
// a value of another type is not a setting at all, and changes nothing.
void ReadSetting(const char* key, DBusMessageIter* variant, DesktopAppearance* a) {
  dbus_uint32_t value = 0;
  if (!VariantValue(variant, DBUS_TYPE_UINT32, &value)) return;
  if (std::strcmp(key, "color-scheme") == 0)
    a->colorScheme = value <= DesktopAppearance::kPreferLight ? value : DesktopAppearance::kNoPreference;
  else if (std::strcmp(key, "contrast") == 0)
    a->highContrast = value == 1;
}

void Publish(const DesktopAppearance& next) {
  if (next.colorScheme == appearance.colorScheme && next.highContrast == appearance.highContrast) return;
  appearance = next;
  whenChanged(appearance);
}

// ReadAll's a{sa{sv}}: settings by namespace. An error (no portal, an old
// one, a timeout) is an answer too: there is nothing to wait for.
void OnReadAll(DBusMessage* reply) {
  answered = true;
  if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
      !dbus_message_has_signature(reply, "a{sa{sv}}"))
    return;
  DesktopAppearance next = appearance;
  DBusMessageIter namespaces;
  dbus_message_iter_init(reply, &namespaces);
  ForEachEntry(&namespaces, [&](const char* name, DBusMessageIter* settings) {
    if (std::strcmp(name, kAppearance) != 0) return;
    ForEachEntry(settings, [&](const char* key, DBusMessageIter* value) { ReadSetting(key, value, &next); });
  });
  Publish(next);
}

// SettingChanged(s namespace, s key, v value).
DBusHandlerResult OnSignal(DBusConnection*, DBusMessage* message, void*) {
  if (!dbus_message_is_signal(message, kSettings, "SettingChanged") ||
      !dbus_message_has_path(message, kPortalPath) || !dbus_message_has_signature(message, "ssv"))
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  DBusMessageIter arguments;
  dbus_message_iter_init(message, &arguments);
  const char* name = nullptr;
  const char* key = nullptr;
  dbus_message_iter_get_basic(&arguments, &name);
  dbus_message_iter_next(&arguments);
  dbus_message_iter_get_basic(&arguments, &key);
  dbus_message_iter_next(&arguments);
  if (std::strcmp(name, kAppearance) == 0) {
    DesktopAppearance next = appearance;
    ReadSetting(key, &arguments, &next);
    Publish(next);
  }
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;  // others may want it too
}

DBusMessage* ReadAllCall() {
  DBusMessage* call = dbus_message_new_method_call(kPortal, kPortalPath, kSettings, "ReadAll");
  if (!call) return nullptr;
  const char* namespaces[] = {kAppearance};
  const char** first = namespaces;
  dbus_message_append_args(call, DBUS_TYPE_ARRAY, DBUS_TYPE_STRING, &first, 1, DBUS_TYPE_INVALID);
  return call;
}

bool Answered() { return answered; }

}  // namespace

void WatchDesktopAppearance(void (*onChange)(const DesktopAppearance& appearance)) {
  static bool asked = false;
  if (asked) return;
  asked = true;
  DBusConnection* bus = SessionBus();
  if (!bus) return;
  whenChanged = onChange;
  dbus_connection_add_filter(bus, OnSignal, nullptr, nullptr);
  // Without an error to fill in, AddMatch is sent and not waited for.
  dbus_bus_add_match(bus,
                     "type='signal',interface='org.freedesktop.portal.Settings',member='SettingChanged',"
                     "path='/org/freedesktop/portal/desktop',arg0='org.freedesktop.appearance'",
                     nullptr);
  askedAtMs = SessionBusNowMs();
  if (!CallOnSessionBus(ReadAllCall(), OnReadAll)) answered = true;
  // Sent now, the question is answered while the window is being built.
  SendOnSessionBus(askedAtMs + kSendWaitMs);
}

void WaitForDesktopAppearance(int capMs) {
  if (!answered && askedAtMs) WaitOnSessionBus(askedAtMs + capMs, Answered);
}
