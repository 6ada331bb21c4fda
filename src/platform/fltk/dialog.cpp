// DialogBoxParamA and friends: dialogs built from compiled templates, run
// modally on FLTK.
#include "dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include "accessibility.h"
#include "dialog_keys.h"
#include "icon.h"
#include "resources.h"
#include "settings_portal.h"
#include "system_colors.h"
#include "x11_window.h"

namespace {

const ControlKind* const kControlKinds[] = {&kEditKind, &kButtonKind, &kStaticKind};

const int kWindowIconSize = 32;

// Our windows' class, under which the X resources are looked up.
const char kProgramClass[] = "qel";

// How long after asking the settings portal the first dialog may wait for
// its answer before it is mapped: the answer usually takes a millisecond or
// two, and a dark desktop should not see the light look flash first. A
// portal that is slow (started on demand, say) is followed when it answers.
const int kDesktopAppearanceWaitMs = 50;

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(int w, int h, HWND dialog) : Fl_Double_Window(w, h), dialog_(dialog) {
    callback(CloseBox, dialog);
    color(SysColor(COLOR_3DFACE));
  }

  // Keys that no control used: the dialog manager's own keys.
  int handle(int event) override {
    if (event == FL_SHORTCUT && !Fl::event_state(FL_SHIFT | FL_CTRL | FL_ALT | FL_META)) {
      switch (Fl::event_key()) {
        case FL_Escape:
          SendDialogMessage(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
          return 1;
        case FL_Enter:
        case FL_KP_Enter:
          PressEnter();
          return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  void PressEnter() {
    int focused = -1;
    for (auto& control : dialog_->controls)
      if (control->widget == Fl::focus()) focused = control->item;
    if (const int id = EnterCommandId(dialog_->layout, focused))
      SendDialogMessage(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  }

  // The close box (and Esc, should it ever get this far) is IDCANCEL: the
  // dialog procedure decides whether the dialog ends.
  static void CloseBox(Fl_Widget*, void* data) {
    SendDialogMessage(static_cast<HWND>(data), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }

  HWND dialog_;
};

// Windows' MulDiv: rounded to nearest.
int MulDiv(int number, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}

bool IsSensibleDpi(float dpi) { return dpi >= 48 && dpi <= 480; }  // X servers may say nonsense

// A desktop that scales says so in Xft.dpi, which GTK, Qt and every Xft
// program follow; the screen's own DPI is only the fallback.
float DesktopDpi(const DesktopResources& desktop) {
  if (IsSensibleDpi(desktop.xftDpi)) return desktop.xftDpi;
  float h = 96, v = 96;
  Fl::screen_dpi(h, v);
  return IsSensibleDpi(v) ? v : 96;
}

// Windows offers its scales in steps of a quarter; a screen of 100 DPI is
// still shown at 100%.
DesktopScale DesktopScaleFor(float dpi) {
  DesktopScale scale;
  scale.layout = std::round(dpi / 24) / 4;
  scale.icons = dpi >= 264 ? 3 : dpi >= 168 ? 2 : 1;
  return scale;
}

// "MS Sans Serif" and the like become FLTK's sans face; "System" was a
// bold face. Sizes are points, drawn at the desktop's DPI as every Xft
// program draws them; the base units are measured at 96 DPI.
DialogFont DialogFontFor(const DialogTemplate& t, float dpi) {
  DialogFont font;
  const bool bold = t.weight >= 600 || strcasecmp(t.typeface.c_str(), "System") == 0;
  font.face = bold ? FL_HELVETICA_BOLD : FL_HELVETICA;
  if (t.italic) font.face += FL_ITALIC;
  const int points = (t.style & DS_SETFONT) && t.pointSize ? t.pointSize : 8;

  fl_font(font.face, static_cast<Fl_Fontsize>(std::lround(points * 96 / 72.0)));
  const double letters = fl_width("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  font.xBase = (static_cast<int>(letters) / 26 + 1) / 2;
  font.yBase = fl_height();
  font.size = static_cast<Fl_Fontsize>(std::lround(points * dpi / 72));
  return font;
}

PixelRect ToPixels(const HWND__& dialog, int x, int y, int cx, int cy) {
  const DialogFont& font = dialog.font;
  auto scaled = [&](int pixelsAt96) {
    return static_cast<int>(std::lround(pixelsAt96 * dialog.scale.layout));
  };
  return {scaled(MulDiv(x, font.xBase, 4)), scaled(MulDiv(y, font.yBase, 8)),
          scaled(MulDiv(cx, font.xBase, 4)), scaled(MulDiv(cy, font.yBase, 8))};
}

const ControlKind* FindControlKind(const std::string& className) {
  for (const ControlKind* kind : kControlKinds)
    if (className == kind->className) return kind;
  return nullptr;
}

Control* FindControl(HWND dialog, int id) {
  if (!dialog) return nullptr;
  for (auto& control : dialog->controls)
    if (LOWORD(control->id) == LOWORD(id)) return control.get();
  return nullptr;
}

// Readers in other processes get the start of each text only, so that
// publishing costs the same however long a text grows.
const size_t kPublishedTextBytes = 256;

std::string PublishedPrefix(const char* text) {
  size_t length = strnlen(text, kPublishedTextBytes);
  while (length > 0 && (text[length] & 0xC0) == 0x80) length--;  // not inside a character
  return std::string(text, length);
}

void PublishTexts(HWND dialog) {
  std::string lines;
  for (auto& control : dialog->controls) {
    if (LOWORD(control->id) == 0xFFFF) continue;
    const std::string text = PublishedPrefix(control->kind->getText(*control));
    lines += std::to_string(control->id) + '\t' + text + '\n';
  }
  PublishControlTexts(dialog->window, lines);
}

void PublishTextsNow(void* dialog) {
  static_cast<HWND>(dialog)->textsChanged = false;
  PublishTexts(static_cast<HWND>(dialog));
}

// A paste that is taken back character by character changes a field many
// times in one pass of the event loop; other processes need only the last
// state. A zero timeout runs before the loop flushes to the X server.
void PublishTextsLater(HWND dialog) {
  if (dialog->textsChanged) return;
  dialog->textsChanged = true;
  Fl::add_timeout(0.0, PublishTextsNow, dialog);
}

void CreateControls(HWND dialog, const DialogTemplate& t) {
  std::vector<Control*> ofItem(t.items.size(), nullptr);
  for (size_t i = 0; i < t.items.size(); i++) {
    const DialogItemTemplate& item = t.items[i];
    const ControlKind* kind = FindControlKind(ControlClassName(item.windowClass));
    if (!kind) continue;  // a class we do not provide: leave the place empty
    auto control = std::make_unique<Control>();
    control->dialog = dialog;
    control->id = item.id;
    control->item = static_cast<int>(i);
    control->style = item.style;
    control->kind = kind;
    control->widget = kind->create(*control, item, ToPixels(*dialog, item.x, item.y, item.cx, item.cy));
    if (!(item.style & WS_VISIBLE)) control->widget->hide();
    if (item.style & WS_DISABLED) control->widget->deactivate();
    ofItem[i] = control.get();
    dialog->controls.push_back(std::move(control));
  }
  for (size_t i = 0; i < t.items.size(); i++) {
    const int label = LabelItemIndex(t, i);
    if (ofItem[i] && label >= 0) ofItem[i]->label = ofItem[static_cast<size_t>(label)];
  }
}

// As when a dialog activates and WM_INITDIALOG left the focus alone: the
// first tab stop gets it, an edit with its whole text selected.
void FocusFirstTabStop(HWND dialog) {
  for (auto& control : dialog->controls) {
    if (!(control->style & WS_TABSTOP) || !control->widget->visible() || !control->widget->active())
      continue;
    Fl::focus(control->widget);
    if (control->kind->selectAll) control->kind->selectAll(*control);
    return;
  }
}

// Windows keeps an owned window above its owner, so the dialog of a topmost
// owner is topmost too; otherwise the About box of the always-on-top
// converter would open behind it.
uint32_t EffectiveExStyle(const DialogTemplate& t, HWND owner) {
  uint32_t exStyle = t.exStyle;
  if (owner && (owner->exStyle & WS_EX_TOPMOST)) exStyle |= WS_EX_TOPMOST;
  return exStyle;
}

// The program's icon for the window manager and the task bar. FLTK keeps a
// copy, and must have it before the window is shown.
void SetProgramIcon(Fl_Window* window, HINSTANCE module, const DesktopScale& scale) {
  IconPixels pixels;
  if (!LoadProgramIconPixels(module, kWindowIconSize * scale.icons, &pixels)) return;
  std::unique_ptr<Fl_RGB_Image> image(NewIconImage(pixels));
  window->icon(image.get());
}

void PlaceWindow(HWND dialog, const DialogTemplate& t) {
  PixelRect r = ToPixels(*dialog, t.x, t.y, t.cx, t.cy);
  if (dialog->owner) {  // owned dialogs are placed from the owner's client area
    r.x += dialog->owner->window->x();
    r.y += dialog->owner->window->y();
  }
  dialog->window->position(r.x, r.y);
  dialog->window->size_range(r.w, r.h, r.w, r.h);  // dialogs do not resize
}

HWND CreateDialogFromTemplate(HINSTANCE module, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param) {
  // The first dialog asks the desktop how it looks; the answer comes while
  // the window is being built.
  WatchDesktopAppearance(SetDesktopAppearance);
  fl_open_display();
  const DesktopResources desktop = ReadDesktopResources(kProgramClass);
  SetUserColors(desktop.colors);
  auto dialog = std::make_unique<HWND__>();
  dialog->module = module;
  dialog->proc = proc;
  dialog->owner = owner;
  dialog->exStyle = EffectiveExStyle(t, owner);
  dialog->layout = t;
  const float dpi = DesktopDpi(desktop);
  dialog->scale = DesktopScaleFor(dpi);
  dialog->font = DialogFontFor(t, dpi);
  dialog->focusBefore = Fl::focus();

  const PixelRect client = ToPixels(*dialog, 0, 0, t.cx, t.cy);
  auto* window = new DialogWindow(client.w, client.h, dialog.get());
  dialog->window = window;
  window->copy_label(t.title.c_str());
  window->xclass(kProgramClass);
  SetProgramIcon(window, module, dialog->scale);
  window->begin();
  CreateControls(dialog.get(), t);
  window->end();
  PlaceWindow(dialog.get(), t);
  window->set_modal();

  HWND handle = dialog.release();
  SendDialogMessage(handle, WM_INITDIALOG, 0, param);
  // The focus is in place before the window can take keys: waiting for its
  // first expose below already handles whatever the user types meanwhile.
  if (!Fl::focus() || Fl::focus()->window() != window) FocusFirstTabStop(handle);
  WaitForDesktopAppearance(kDesktopAppearanceWaitMs);
  window->show();
  if (owner) SetTransientFor(window, owner->window);
  if (handle->exStyle & WS_EX_TOPMOST) KeepAbove(window);
  window->wait_for_expose();
  ActivateWindow(window);
  PublishTexts(handle);
  AccessibleDialogCreated(handle);
  return handle;
}

INT_PTR RunModalLoop(HWND dialog) {
  while (!dialog->ended && dialog->window->shown()) Fl::wait();
  return dialog->result;
}

// The owner gets the keyboard back, as when Windows reactivates it.
void DestroyDialog(HWND dialog) {
  Fl::remove_timeout(PublishTextsNow, dialog);
  AccessibleDialogDestroyed(dialog);
  dialog->window->hide();
  delete dialog->window;
  if (dialog->owner && dialog->owner->window->shown()) {
    ActivateWindow(dialog->owner->window);
    if (dialog->focusBefore) Fl::focus(dialog->focusBefore);
  }
  delete dialog;
}

}  // namespace

INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return dialog->proc ? dialog->proc(dialog, message, wParam, lParam) : 0;
}

void SendCommand(const Control& control, WORD notification) {
  SendDialogMessage(control.dialog, WM_COMMAND, MAKEWPARAM(control.id, notification),
                    reinterpret_cast<LPARAM>(control.widget));
}

void ControlTextChanged(const Control& control) {
  PublishTextsLater(control.dialog);
  AccessibleTextChanged(control);
  SendCommand(control, EN_UPDATE);
  SendCommand(control, EN_CHANGE);
}

bool RefusesKeyboardFocus(const Control& control) {
  return !(control.style & WS_TABSTOP) && Fl::event() == FL_KEYBOARD;
}

void ApplyDialogFont(Fl_Widget* widget, const DialogFont& font) {
  widget->labelfont(font.face);
  widget->labelsize(font.size);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam) {
  ResourceBytes bytes = FindResourceBytes(instance, RT_DIALOG, templateName);
  DialogTemplate t;
  if (!bytes || !ParseDialogTemplate(bytes.data, bytes.size, &t)) return -1;

  HWND dialog = CreateDialogFromTemplate(instance, t, owner, dialogProc, initParam);
  INT_PTR result = RunModalLoop(dialog);
  DestroyDialog(dialog);
  return result;
}

// FLTK runs due timeouts (zero ones added meanwhile included) at the top of
// Fl::wait(), then sleeps until an event or a file descriptor is ready. A
// byte through a pipe of our own is that event.
void WakeModalLoop() {
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

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  if (!dialog) return FALSE;
  dialog->result = result;
  dialog->ended = true;
  WakeModalLoop();
  return TRUE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
  if (!text || maxCount <= 0) return 0;
  Control* control = FindControl(dialog, id);
  const char* value = control ? control->kind->getText(*control) : "";
  const size_t count = strnlen(value, static_cast<size_t>(maxCount - 1));
  std::memcpy(text, value, count);
  text[count] = '\0';
  return static_cast<UINT>(count);
}

// The one way text is put into a control: set it, then let the control's
// dialog know, before returning, as WM_SETTEXT does.
BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  Control* control = FindControl(dialog, id);
  if (!control) return FALSE;
  control->kind->setText(*control, text ? text : "");
  if (control->kind->notifiesChanges) ControlTextChanged(*control);
  else PublishTextsLater(dialog);
  return TRUE;
}
