// The accessibility plug-in: loaded by the dialog manager once its first
// dialog is up, it starts the AT-SPI bridge at once or when a screen reader
// says it is listening.
#include "accessible.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/x.H>
#include <atk-bridge.h>
#include <gio/gio.h>

#include <cstdlib>
#include <map>

#include "glib_loop.h"

namespace {

const char kBusName[] = "org.a11y.Bus";
const char kBusPath[] = "/org/a11y/bus";
const char kStatusInterface[] = "org.a11y.Status";

const AccessibilityPlatform* platform = nullptr;
GDBusConnection* sessionBus = nullptr;
bool started = false;

// ---- what the bridge asks of the toolkit

AtkObject* GetRoot() { return ApplicationAccessible(); }
const gchar* GetToolkitName() { return "FLTK"; }
const gchar* GetToolkitVersion() {
#define QEL_STRING(x) #x
#define QEL_VERSION(a, b, c) QEL_STRING(a) "." QEL_STRING(b) "." QEL_STRING(c)
  return QEL_VERSION(FL_MAJOR_VERSION, FL_MINOR_VERSION, FL_PATCH_VERSION);
}

struct KeyListener {
  AtkKeySnoopFunc function;
  gpointer data;
};
std::map<guint, KeyListener> keyListeners;
guint lastKeyListener = 0;

// The bridge asks for our keys when the first client turns to us (and again
// after all have left). Until then it forwarded no events: the window and
// focus we announced went nowhere, so they are announced again.
guint AddKeyEventListener(AtkKeySnoopFunc function, gpointer data) {
  keyListeners[++lastKeyListener] = {function, data};
  AnnounceAgain();
  return lastKeyListener;
}

void RemoveKeyEventListener(guint id) { keyListeners.erase(id); }

// Keys pass by the screen reader first, which may take them for itself.
// FLTK keeps the X modifier mask in the upper half of its event state.
int DispatchWithKeySnoopers(int event, Fl_Window* window) {
  if ((event == FL_KEYDOWN || event == FL_KEYUP) && !keyListeners.empty() && fl_xevent &&
      (fl_xevent->type == KeyPress || fl_xevent->type == KeyRelease)) {
    AtkKeyEventStruct key = {};
    key.type = event == FL_KEYDOWN ? ATK_KEY_EVENT_PRESS : ATK_KEY_EVENT_RELEASE;
    key.state = static_cast<guint>(Fl::event_state()) >> 16;
    key.keyval = static_cast<guint>(Fl::event_key());
    key.length = Fl::event_length();
    key.string = const_cast<gchar*>(Fl::event_text() ? Fl::event_text() : "");
    key.keycode = static_cast<guint16>(fl_xevent->xkey.keycode);
    key.timestamp = static_cast<guint32>(fl_xevent->xkey.time);
    const auto listeners = keyListeners;
    for (const auto& entry : listeners)
      if (entry.second.function(&key, entry.second.data)) return 1;
  }
  return Fl::handle_(event, window);
}

void SetUpAtkUtil() {
  // Kept for good: the bridge reads these for as long as it runs.
  auto* util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
  util->get_root = GetRoot;
  util->get_toolkit_name = GetToolkitName;
  util->get_toolkit_version = GetToolkitVersion;
  util->add_key_event_listener = AddKeyEventListener;
  util->remove_key_event_listener = RemoveKeyEventListener;
}

void AfterEventPass(void*) { AnnounceChanges(); }

void StartBridge() {
  CreateAccessibleTree(platform);
  SetUpAtkUtil();
  if (atk_bridge_adaptor_init(nullptr, nullptr) != 0) return;
  platform->hooks->dialogCreated = AddAccessibleDialog;
  platform->hooks->dialogDestroyed = RemoveAccessibleDialog;
  platform->hooks->textChanged = AccessibleTextChangedHook;
  platform->hooks->menuOpened = AccessibleMenuOpenedHook;
  platform->hooks->menuHighlighted = AccessibleMenuHighlightedHook;
  platform->hooks->menuClosed = AccessibleMenuClosedHook;
  Fl::event_dispatch(DispatchWithKeySnoopers);
  Fl::add_check(AfterEventPass);
  AnnounceChanges();
  PumpGlib();
}

// ---- switching on

// The bridge would ask for the accessibility bus itself, synchronously and
// with a 25 s time-out; a hung bus launcher would freeze us. So we ask
// first, without waiting.
void OnBusAddress(GObject* source, GAsyncResult* result, gpointer) {
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
  if (!reply) return;  // no accessibility bus: stay as we are
  const gchar* address = nullptr;
  g_variant_get(reply, "(&s)", &address);
  if (address && *address) {
    setenv("AT_SPI_BUS_ADDRESS", address, 1);
    StartBridge();
  }
  g_variant_unref(reply);
}

void SwitchOn() {
  if (started) return;
  started = true;
  if (std::getenv("AT_SPI_BUS_ADDRESS") || !sessionBus) {
    StartBridge();
    return;
  }
  g_dbus_connection_call(sessionBus, kBusName, kBusPath, kBusName, "GetAddress", nullptr,
                         G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, OnBusAddress, nullptr);
}

bool ScreenReaderWanted(GVariant* properties) {
  gboolean enabled = FALSE, screenReader = FALSE;
  g_variant_lookup(properties, "IsEnabled", "b", &enabled);
  g_variant_lookup(properties, "ScreenReaderEnabled", "b", &screenReader);
  return enabled || screenReader;
}

void OnStatus(GObject* source, GAsyncResult* result, gpointer) {
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
  if (!reply) return;
  GVariant* properties = g_variant_get_child_value(reply, 0);
  if (ScreenReaderWanted(properties)) SwitchOn();
  g_variant_unref(properties);
  g_variant_unref(reply);
}

void OnStatusChanged(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                     GVariant* parameters, gpointer) {
  const gchar* interface = nullptr;
  GVariant* changed = nullptr;
  g_variant_get(parameters, "(&s@a{sv}as)", &interface, &changed, nullptr);
  if (g_strcmp0(interface, kStatusInterface) == 0 && ScreenReaderWanted(changed)) SwitchOn();
  g_variant_unref(changed);
}

void WatchScreenReaderStatus() {
  g_dbus_connection_signal_subscribe(sessionBus, nullptr, "org.freedesktop.DBus.Properties",
                                     "PropertiesChanged", kBusPath, kStatusInterface,
                                     G_DBUS_SIGNAL_FLAGS_NONE, OnStatusChanged, nullptr, nullptr);
  g_dbus_connection_call(sessionBus, kBusName, kBusPath, "org.freedesktop.DBus.Properties", "GetAll",
                         g_variant_new("(s)", kStatusInterface), G_VARIANT_TYPE("(a{sv})"),
                         G_DBUS_CALL_FLAGS_NONE, -1, nullptr, OnStatus, nullptr);
}

void OnSessionBus(GObject*, GAsyncResult* result, gpointer) {
  sessionBus = g_bus_get_finish(result, nullptr);
  if (!sessionBus) return;
  if (platform->switchOnNow) SwitchOn();
  else WatchScreenReaderStatus();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) bool QelInstallAccessibility(
    const AccessibilityPlatform* p) {
  platform = p;
  // Without a session bus GLib would launch one of its own: only a bus
  // given to us outright will do then.
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") && !std::getenv("AT_SPI_BUS_ADDRESS")) return false;
  ServiceGlibFromFltk();
  if (platform->switchOnNow && std::getenv("AT_SPI_BUS_ADDRESS")) SwitchOn();
  else g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnSessionBus, nullptr);
  return true;
}
