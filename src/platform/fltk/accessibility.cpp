// Switching accessibility on, and what the dialog manager does for it.
#include "accessibility.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialog.h"
#include "popup_menu.h"
#include "screen_reader_watch.h"
#include "x11_window.h"

#ifndef QEL_ACCESSIBILITY_PLUGIN
#define QEL_ACCESSIBILITY_PLUGIN "qel-accessibility.so"
#endif

namespace {

AccessibilityHooks hooks = {};
std::vector<HWND> openDialogs;

enum class Wanted { No, Now, IfScreenReader };

bool IsSet(const char* name, const char* value) {
  const char* set = std::getenv(name);
  return set && std::strcmp(set, value) == 0;
}

Wanted AccessibilityWanted() {
  if (IsSet("NO_AT_BRIDGE", "1") || IsSet("QEL_ACCESSIBILITY", "0")) return Wanted::No;
  if (IsSet("QEL_ACCESSIBILITY", "1")) return Wanted::Now;
  // Without a session bus, libdbus would launch one of its own and leave
  // it running after we exit; nobody could be listening anyway.
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) return Wanted::No;
  return Wanted::IfScreenReader;
}

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  const std::string program(path, static_cast<size_t>(length));
  return program.substr(0, program.rfind('/'));
}

void FocusControl(Control& control) {
  ActivateWindow(WindowOf(*control.dialog));
  FocusControlFromKeyboard(control);
}

void ReplaceText(Control& control, int from, int to, const char* text, int length) {
  auto* edit = static_cast<Fl_Input*>(WidgetOf(control));
  ActivateWindow(WindowOf(*control.dialog));
  Fl::focus(edit);
  if (length <= 0) {
    edit->cut(from, to);
    return;
  }
  edit->position(to, from);
  const int savedEvent = Fl::e_number, savedLength = Fl::e_length;
  char* const savedText = Fl::e_text;
  std::string pasted(text, static_cast<size_t>(length));
  Fl::e_number = FL_PASTE;
  Fl::e_text = pasted.data();
  Fl::e_length = length;
  edit->handle(FL_PASTE);
  Fl::e_number = savedEvent;
  Fl::e_text = savedText;
  Fl::e_length = savedLength;
}

void Click(Control& control) { WidgetOf(control)->do_callback(); }

const AccessibilityServices services = {FocusControl, ReplaceText, Click, ChooseMenuItem};

// Beside the program in a build tree; under lib/qel/plugins once installed.
void LoadPlugin(bool switchOnNow) {
  const std::string folder = ProgramFolder();
  void* plugin = nullptr;
  for (const char* relative : {"/", "/../lib/qel/plugins/"}) {
    plugin = dlopen((folder + relative + QEL_ACCESSIBILITY_PLUGIN).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin) break;
  }
  if (!plugin) return;  // not installed, or its libraries are missing: run without
  auto install = reinterpret_cast<InstallAccessibility>(dlsym(plugin, QEL_ACCESSIBILITY_INSTALL));
  static AccessibilityPlatform platform = {&hooks, &services, &openDialogs, false};
  platform.switchOnNow = switchOnNow;
  if (!install || !install(&platform)) dlclose(plugin);
}

void SwitchOn() { LoadPlugin(true); }

// Until a screen reader is enabled the plug-in, with the libraries it needs,
// stays out: we watch for one ourselves where we can.
void SwitchOnWhenWanted() {
  if (!WatchScreenReaderStatus(SwitchOn)) LoadPlugin(false);
}

}  // namespace

void AccessibleDialogCreated(HWND dialog) {
  openDialogs.push_back(dialog);
  static bool decided = false;
  if (!decided) {
    decided = true;
    const Wanted wanted = AccessibilityWanted();
    if (wanted == Wanted::Now) SwitchOn();
    else if (wanted == Wanted::IfScreenReader) SwitchOnWhenWanted();
  }
  if (hooks.dialogCreated) hooks.dialogCreated(dialog);
}

void AccessibleDialogDestroyed(HWND dialog) {
  if (hooks.dialogDestroyed) hooks.dialogDestroyed(dialog);
  openDialogs.erase(std::remove(openDialogs.begin(), openDialogs.end(), dialog), openDialogs.end());
}

void AccessibleTextChanged(const Control& control) {
  if (hooks.textChanged) hooks.textChanged(control);
}

void AccessibleMenuOpened(PopupMenu& menu) {
  if (hooks.menuOpened) hooks.menuOpened(menu);
}

void AccessibleMenuHighlighted(PopupMenu& menu) {
  if (hooks.menuHighlighted) hooks.menuHighlighted(menu);
}

void AccessibleMenuClosed(PopupMenu& menu) {
  if (hooks.menuClosed) hooks.menuClosed(menu);
}
