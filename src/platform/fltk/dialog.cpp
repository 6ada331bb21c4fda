// The FLTK backend of the dialog manager: dialogs as double-buffered
// windows, the event loop, the bell, and what other processes and
// assistive technology are told.
//
// Implemented:
//  [X] windows of the template's size and caption, at the desktop's scale
//      (Xft.dpi), kept above for WS_EX_TOPMOST, transient for their owner
//  [X] edits, push buttons, group boxes, static texts and icons
//  [X] the desktop's colours and their changes (settings portal, X resources)
//  [X] controls' texts published for other processes (_QEL_CONTROL_TEXTS)
//  [X] AT-SPI through a plug-in, loaded when a screen reader may listen
//  [X] every key that no control used goes to the dialog manager, FLTK's
//      own focus navigation and label shortcuts off
//  [X] the X input method, opened once the first dialog is drawn
#include "dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "accessibility.h"
#include "backend.h"
#include "font_configuration.h"
#include "icon.h"
#include "input_method.h"
#include "resources.h"
#include "settings_portal.h"
#include "system_colors.h"
#include "x11_window.h"

namespace {

const int kWindowIconSize = 32;

// Our windows' class, under which the X resources are looked up.
const char kProgramClass[] = "qel";

// How long after asking the settings portal the first dialog may wait for
// its answer before it is mapped: the answer usually takes a millisecond or
// two, and a dark desktop should not see the light look flash first. A
// portal that is slow (started on demand, say) is followed when it answers.
const int kDesktopAppearanceWaitMs = 50;

// How long the first dialog's frame may wait for the server to show the
// window before the input method is opened all the same: a window manager
// maps a new window within a frame or two.
const int kFirstExposeWaitMs = 100;

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, HWND dialog) : Fl_Double_Window(w, h), dialog_(dialog) {
    callback(CloseBox, dialog);
    color(SysColor(COLOR_3DFACE));
  }

  // Keys that no control used are the dialog manager's, all of them:
  // FLTK's own focus navigation and its shortcuts for labels never see
  // them. With no control focused they come as shortcuts.
  int handle(int event) override {
    if (event == FL_KEYBOARD) {
      HandleDialogKey(dialog_, VirtualKeyOf(Fl::event_key()), KeyModifiers(), EventText());
      return 1;
    }
    if (event == FL_SHORTCUT && !Fl::focus())
      return HandleDialogKey(dialog_, VirtualKeyOf(Fl::event_key()), KeyModifiers(), EventText());
    return Fl_Double_Window::handle(event);
  }

 private:
  static void CloseBox(Fl_Widget*, void* data) { CloseBoxPressed(static_cast<HWND>(data)); }

  HWND dialog_;
};

bool IsSensibleDpi(float dpi) { return dpi >= 48 && dpi <= 480; }  // X servers may say nonsense

// A desktop that scales says so in Xft.dpi, which GTK, Qt and every Xft
// program follow; the screen's own DPI is only the fallback.
float DesktopDpi(const DesktopResources& desktop) {
  if (IsSensibleDpi(desktop.xftDpi)) return desktop.xftDpi;
  float h = 96, v = 96;
  Fl::screen_dpi(h, v);
  return IsSensibleDpi(v) ? v : 96;
}

// Sizes are points, drawn at the desktop's DPI as every Xft program draws
// them; the base units are measured at 96 DPI, as Windows enlarges the
// layout of a program that does not scale itself as a whole, in steps of a
// quarter (a screen of 100 DPI is still shown at 100%).
void MeasureDialogFont(DialogFont& font, NativeDialog& native, float dpi) {
  native.font.face = font.bold ? FL_HELVETICA_BOLD : FL_HELVETICA;
  if (font.italic) native.font.face += FL_ITALIC;
  fl_font(native.font.face, static_cast<Fl_Fontsize>(std::lround(font.points * 96 / 72.0)));
  const double letters = fl_width("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  font.xBase = (static_cast<int>(letters) / 26 + 1) / 2;
  font.yBase = fl_height();
  font.scale = std::round(dpi / 24) / 4;
  native.font.size = static_cast<Fl_Fontsize>(std::lround(font.points * dpi / 72));
  native.iconScale = dpi >= 264 ? 3 : dpi >= 168 ? 2 : 1;
}

// Readers in other processes get the start of each text only, so that
// publishing costs the same however long a text grows.
const size_t kPublishedTextBytes = 256;

std::string PublishedPrefix(const std::string& text) {
  size_t length = std::min(text.size(), kPublishedTextBytes);
  while (length > 0 && length < text.size() && (text[length] & 0xC0) == 0x80) length--;  // not inside a character
  return text.substr(0, length);
}

// Every byte the widget shows, as WM_GETTEXT would read a control.
void PublishTexts(HWND dialog) {
  std::string lines;
  for (auto& control : dialog->controls) {
    if (LOWORD(control->id) == 0xFFFF) continue;
    lines += std::to_string(control->id) + '\t' + PublishedPrefix(ControlText(*control)) + '\n';
  }
  PublishControlTexts(WindowOf(*dialog), lines);
}

void PublishTextsNow(void* dialog) {
  static_cast<HWND>(dialog)->native->textsChanged = false;
  PublishTexts(static_cast<HWND>(dialog));
}

// A paste that is taken back character by character changes a field many
// times in one pass of the event loop; other processes need only the last
// state. A zero timeout runs before the loop flushes to the X server.
void PublishTextsLater(HWND dialog) {
  if (dialog->native->textsChanged) return;
  dialog->native->textsChanged = true;
  Fl::add_timeout(0.0, PublishTextsNow, dialog);
}

// The program's icon for the window manager and the task bar. FLTK keeps a
// copy, and must have it before the window is shown.
void SetProgramIcon(Fl_Window* window, HINSTANCE module, int iconScale) {
  IconPixels pixels;
  if (!LoadProgramIconPixels(module, kWindowIconSize * iconScale, &pixels)) return;
  std::unique_ptr<Fl_RGB_Image> image(NewIconImage(pixels));
  window->icon(image.get());
}

void DeliverLater(void*) { DeliverInjectedKeys(); }

// What the start leaves until the first dialog is up, done before any
// event is handled: the input method; no dragging of a selection, which
// would move text behind the manager's back (setting FLTK's first option
// reads and writes its preference files); then the heap's free pages
// handed back to the system (what the start freed, fontconfig's scratch
// above all, lies between what it keeps).
void FinishStart() {
  OpenInputMethod();
  Fl::dnd_text_ops(0);
  malloc_trim(0);
}

}  // namespace

NativeDialog* BackendCreateDialog(HWND dialog) {
  StartReadingFontConfiguration();
  // The first dialog asks the desktop how it looks; the answer comes while
  // the window is being built.
  WatchDesktopAppearance(SetDesktopAppearance);
  OpenDisplayWithoutInputMethod();
  const DesktopResources desktop = ReadDesktopResources(kProgramClass);
  SetUserColors(desktop.colors);
  auto* native = new NativeDialog;
  WaitForFontConfiguration();
  MeasureDialogFont(dialog->font, *native, DesktopDpi(desktop));

  const DialogTemplate& t = dialog->layout;
  const PixelRect client = DialogToPixels(*dialog, 0, 0, t.cx, t.cy);
  auto* window = new DialogWindow(client.w, client.h, dialog);
  window->end();
  native->window = window;
  window->copy_label(t.title.c_str());
  window->xclass(kProgramClass);
  SetProgramIcon(window, dialog->module, native->iconScale);
  return native;
}

void BackendPlaceDialog(HWND dialog, const PixelRect& at) {
  Fl_Window* window = WindowOf(*dialog);
  int x = at.x, y = at.y;
  if (dialog->owner) {  // owned dialogs are placed from the owner's client area
    x += WindowOf(*dialog->owner)->x();
    y += WindowOf(*dialog->owner)->y();
  }
  window->position(x, y);
  window->size_range(at.w, at.h, at.w, at.h);  // dialogs do not resize
}

// The focus is already in place: waiting for the first expose handles
// whatever the user types meanwhile. The first dialog is drawn before the
// input method is opened, and that before any key is read.
void BackendShowDialog(HWND dialog) {
  Fl_Double_Window* window = WindowOf(*dialog);
  window->set_modal();
  WaitForDesktopAppearance(kDesktopAppearanceWaitMs);
  window->show();
  if (dialog->owner) SetTransientFor(window, WindowOf(*dialog->owner));
  if (dialog->exStyle & WS_EX_TOPMOST) KeepAbove(window);
  if (InputMethodPending() && DrawOnFirstExpose(window, kFirstExposeWaitMs)) {
    ActivateWindow(window);  // what is typed while the start finishes is this window's
    FinishStart();
    return;
  }
  if (InputMethodPending()) FinishStart();
  window->wait_for_expose();
  ActivateWindow(window);
}

bool BackendDialogShown(HWND dialog) { return WindowOf(*dialog)->shown(); }

PixelRect BackendDialogRect(HWND dialog) {
  const Fl_Window* window = WindowOf(*dialog);
  return {window->x(), window->y(), window->w(), window->h()};
}

void BackendActivateDialog(HWND dialog) { ActivateWindow(WindowOf(*dialog)); }

void BackendDestroyDialog(HWND dialog) {
  Fl::remove_timeout(PublishTextsNow, dialog);
  WindowOf(*dialog)->hide();
  delete WindowOf(*dialog);  // and the widgets in it
  for (auto& control : dialog->controls) delete control->native;
  delete dialog->native;
}

NativeControl* BackendCreateControl(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  Fl_Widget* widget = nullptr;
  switch (control.kind->controlClass) {
    case ControlClass::Edit: widget = CreateEditWidget(control, item, rect); break;
    case ControlClass::Button: widget = CreateButtonWidget(control, rect); break;
    case ControlClass::Static: widget = CreateStaticWidget(control, item, rect); break;
  }
  if (!(item.style & WS_VISIBLE)) widget->hide();
  if (item.style & WS_DISABLED) widget->deactivate();
  WindowOf(*control.dialog)->add(widget);
  return new NativeControl{widget};
}

void BackendShowText(Control& control) {
  if (control.kind->controlClass == ControlClass::Button) ShowButtonText(control);
  else ShowStaticText(control);
}

void BackendFocus(Control& control) {
  Fl_Widget* widget = WidgetOf(control);
  Fl::focus(widget);
  widget->redraw();
}

Control* BackendFocusedControl() {
  const Fl_Widget* focused = Fl::focus();
  if (!focused) return nullptr;
  for (HWND dialog : OpenDialogs())
    for (auto& control : dialog->controls)
      if (WidgetOf(*control) == focused) return control.get();
  return nullptr;
}

void BackendWaitForEvent() { Fl::wait(); }

// FLTK runs due timeouts (zero ones added meanwhile included) at the top of
// Fl::wait(), then sleeps until an event or a file descriptor is ready. A
// byte through a pipe of our own is that event.
void BackendWake() {
  static int wakeUp[2] = {-1, -1};
  if (wakeUp[0] < 0) {
    if (pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0) return;
    Fl::add_fd(wakeUp[0], FL_READ, [](int fd, void*) {
      char drained[16];
      while (read(fd, drained, sizeof drained) > 0) {
      }
    });
  }
  const char wake = 0;
  [[maybe_unused]] const ssize_t written = write(wakeUp[1], &wake, 1);  // a full pipe: one is pending
}

// The edits deliver the queue when they have handled an event; failing
// that the event loop does, as it runs due timeouts before it reads more
// X input.
void BackendDeliverSoon() { Fl::add_timeout(0.0, DeliverLater); }

void BackendBeep() { fl_beep(FL_BEEP_DEFAULT); }

void BackendDialogCreated(HWND dialog) {
  PublishTexts(dialog);
  AccessibleDialogCreated(dialog);
}

void BackendDialogDestroyed(HWND dialog) { AccessibleDialogDestroyed(dialog); }

void BackendTextChanged(const Control& control) {
  PublishTextsLater(control.dialog);
  if (control.kind->controlClass == ControlClass::Edit) AccessibleTextChanged(control);
}

int VirtualKeyOf(int key) {
  switch (key) {
    case FL_BackSpace: return kVkBack;
    case FL_Tab: return kVkTab;
    case FL_Enter:
    case FL_KP_Enter: return kVkReturn;
    case FL_Escape: return kVkEscape;
    case FL_Delete: return kVkDelete;
    case FL_Insert: return kVkInsert;
    case FL_Home: return kVkHome;
    case FL_End: return kVkEnd;
    case FL_Left: return kVkLeft;
    case FL_Right: return kVkRight;
    case FL_Up: return kVkUp;
    case FL_Down: return kVkDown;
    case FL_Page_Up: return kVkPrior;
    case FL_Page_Down: return kVkNext;
  }
  if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
  return key >= '0' && key <= '9' ? key : 0;
}

// The Super key counts as Alt, as no key the dialog knows takes it.
int KeyModifiers() {
  const int state = Fl::event_state();
  return (state & FL_SHIFT ? kEditShift : 0) | (state & FL_CTRL ? kEditCtrl : 0) |
         (state & (FL_ALT | FL_META) ? kEditAlt : 0);
}

std::string EventText() {
  return Fl::event_text() ? std::string(Fl::event_text(), static_cast<size_t>(Fl::event_length())) : std::string();
}

bool RefusesKeyboardFocus(const Control& control) {
  return !(control.style & WS_TABSTOP) && Fl::event() == FL_KEYBOARD;
}

void ApplyDialogFont(Fl_Widget* widget, const FltkFont& font) {
  widget->labelfont(font.face);
  widget->labelsize(font.size);
}
