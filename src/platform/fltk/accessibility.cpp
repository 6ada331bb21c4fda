// Switching accessibility on, and what the dialog manager does for it.
#include "accessibility.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backend.h"
#include "dialog.h"
#include "popup_menu.h"
#include "screen_reader_watch.h"

#ifndef QEL_ACCESSIBILITY_PLUGIN
#define QEL_ACCESSIBILITY_PLUGIN "qel-accessibility.so"
#endif

namespace {

AccessibilityHooks hooks = {};

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

// ---- what the plug-in reads of the dialogs and their controls: the
// template's, which the subset can neither hide nor disable

std::vector<Control*> DialogControls(HWND dialog) {
  std::vector<Control*> controls;
  for (auto& control : dialog->controls) controls.push_back(control.get());
  return controls;
}

std::string DialogCaption(HWND dialog) { return dialog->layout.title; }
bool DialogOwned(HWND dialog) { return dialog->owner != nullptr; }
HWND DialogOf(const Control& control) { return control.dialog; }

AccessibleRole RoleOf(const Control& control) {
  const ControlClass controlClass = control.kind->controlClass;
  if (controlClass == ControlClass::Edit) return AccessibleRole::Entry;
  if (controlClass == ControlClass::Button)
    return (control.style & BS_TYPEMASK) == BS_GROUPBOX ? AccessibleRole::GroupBox
                                                         : AccessibleRole::PushButton;
  return (control.style & SS_TYPEMASK) == SS_ICON ? AccessibleRole::Icon : AccessibleRole::Label;
}

const Control* LabelOf(const Control& control) { return control.label; }
bool ControlEnabled(const Control& control) { return !(control.style & WS_DISABLED); }
bool ControlVisible(const Control& control) { return (control.style & WS_VISIBLE) != 0; }

// ---- what the plug-in reads that only the toolkit knows: how it draws a
// field's text, and its popup menus

Fl_Input* EditOf(const Control& edit) { return static_cast<Fl_Input*>(WidgetOf(edit)); }

bool DialogShown(HWND dialog) { return BackendDialogShown(dialog); }

// One line centred in the frame; the fields never scroll (they hold what
// fits their width).
PixelRect EditTextLine(const Control& edit) {
  const Fl_Input* widget = EditOf(edit);
  fl_font(widget->textfont(), widget->textsize());
  const int inside = widget->h() - Fl::box_dh(widget->box());
  const int left = widget->x() + Fl::box_dx(widget->box()) + kEditTextIndent;
  return {left, widget->y() + Fl::box_dy(widget->box()) + (inside - fl_height()) / 2,
          widget->x() + widget->w() - Fl::box_dx(widget->box()) - left, fl_height()};
}

unsigned Rgb(Fl_Color color) {
  uchar r, g, b;
  Fl::get_color(color, r, g, b);
  return static_cast<unsigned>(r << 16 | g << 8 | b);
}

EditLook LookOf(const Control& edit) {
  const Fl_Input* widget = EditOf(edit);
  const char* family = Fl::get_font_name(widget->textfont());
  // In points, as Pango gives it: FLTK's pixels are at the desktop's scale.
  const int points = static_cast<int>(std::lround(widget->textsize() * 72.0 / (96.0 * edit.dialog->font.scale)));
  return {family ? family : "", points, Rgb(widget->textcolor()), Rgb(widget->color()), widget->readonly() != 0};
}

// An item spans the inside of the frame; a separator is the gap down to
// the next item.
MenuView ViewOf(const PopupMenu& menu) {
  MenuView view{menu.name, menu.owner, {}, {}, menu.highlighted};
  if (!menu.window) return view;  // not yet, or no longer, shown
  const Fl_Window& window = *menu.window;
  view.window = {window.x(), window.y(), window.w(), window.h()};
  const int x = Fl::box_dx(window.box()), w = window.w() - Fl::box_dw(window.box());
  for (size_t i = 0; i < menu.items.size(); i++) {
    const MenuItem& item = menu.items[i];
    const int top = menu.itemTops[i], bottom = top + menu.itemHeight;
    const int next = i + 1 < menu.itemTops.size() ? menu.itemTops[i + 1] : bottom;
    view.items.push_back({ParseMenuLabel(item.label).text, item.enabled, {x, top, w, menu.itemHeight},
                          item.separatorAfter, {x, bottom, w, next - bottom}});
  }
  return view;
}

// ---- what the plug-in does

void FocusControl(Control& control) {
  BackendActivateDialog(control.dialog);
  FocusControlFromKeyboard(control);
}

const AccessibilityServices services = {
    DialogControls, DialogCaption, DialogOwned, DialogOf, RoleOf, LabelOf, ControlEnabled, ControlVisible,
    FocusedControl, ControlText, DialogRect,   ControlRect,  DialogShown,   EditCaretOf,
    EditTextLine,   BackendTextWidth, LookOf,  ViewOf,
    SetEditCaret,   FocusControl, PasteIntoEdit, ClickButton, ChooseMenuItem};

std::string accessibilityBus;  // where the plug-in is to connect

// Beside the program in a build tree; under lib/qel/plugins once installed.
void LoadPlugin(void* = nullptr) {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  const std::string folder = ProgramFolder();
  void* plugin = nullptr;
  for (const char* relative : {"/", "/../lib/qel/plugins/"}) {
    plugin = dlopen((folder + relative + QEL_ACCESSIBILITY_PLUGIN).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin) break;
  }
  if (!plugin) return;  // not installed, or its libraries are missing: run without
  auto install = reinterpret_cast<InstallAccessibility>(dlsym(plugin, QEL_ACCESSIBILITY_INSTALL));
  static const AccessibilityPlatform platform = {&hooks, &services, &OpenDialogs(), accessibilityBus.c_str()};
  if (!install || !install(&platform)) dlclose(plugin);
}

// From the loop, not from inside the bus's dispatching: the plug-in opens
// a bus connection of its own.
void OnAccessibilityBus(const char* address) {
  accessibilityBus = address;
  Fl::add_timeout(0.0, LoadPlugin);
}

// The bridge would ask for the accessibility bus itself, synchronously and
// with a 25 s time-out, on a session bus of its own: one it would launch
// where we refused to. We ask on ours, without waiting; with none, only an
// address given outright will do.
void SwitchOn() {
  const char* given = std::getenv("AT_SPI_BUS_ADDRESS");
  if (given && *given) {
    accessibilityBus = given;
    LoadPlugin();
  } else {
    AskAccessibilityBus(OnAccessibilityBus);
  }
}

}  // namespace

void AccessibleDialogCreated(HWND dialog) {
  static bool decided = false;
  if (!decided) {
    decided = true;
    // Until a screen reader is enabled the plug-in, with the libraries it
    // needs, stays out: the one watch is ours, on the bus we already have.
    const Wanted wanted = AccessibilityWanted();
    if (wanted == Wanted::Now) SwitchOn();
    else if (wanted == Wanted::IfScreenReader) WatchScreenReaderStatus(SwitchOn);
  }
  if (hooks.dialogCreated) hooks.dialogCreated(dialog);
}

void AccessibleDialogDestroyed(HWND dialog) {
  if (hooks.dialogDestroyed) hooks.dialogDestroyed(dialog);
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
