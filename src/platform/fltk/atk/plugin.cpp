// The accessibility plug-in: loaded by the dialog manager once a screen
// reader is listening, with the accessibility bus already found, it starts
// the AT-SPI bridge on that bus.
#include "accessible.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/x.H>
#include <atk-bridge.h>

#include <cstdlib>
#include <map>

#include "glib_loop.h"

namespace {

const AccessibilityPlatform* platform = nullptr;

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

}  // namespace

extern "C" __attribute__((visibility("default"))) bool QelInstallAccessibility(
    const AccessibilityPlatform* p) {
  platform = p;
  // The bridge reads the address from here. Without one it would ask a
  // session bus of its own, which it would launch if need be.
  if (!platform->accessibilityBus || !*platform->accessibilityBus) return false;
  setenv("AT_SPI_BUS_ADDRESS", platform->accessibilityBus, 1);
  ServiceGlibFromFltk();
  StartBridge();
  return true;
}
