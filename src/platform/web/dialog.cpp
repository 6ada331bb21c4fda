// The web backend of the dialog manager: dialogs as <dialog> elements of
// the page, the page's events, the beep. The program sleeps in the modal
// loop (Asyncify) until the page has an event; the page wakes it from
// within the event's handler, so each event is handled in full before the
// browser draws.
//
// Implemented:
//  [X] dialogs with a title bar, a caption and a close box; owned ones modal
//  [X] edits, push buttons, group boxes, static texts and icons
//  [X] labels for assistive technology (aria-labelledby), by the template
//  [X] icons in whole screen pixels, again when the pixel ratio changes
//  [X] larger on a touch screen, in USER32's quarter steps, chosen again
//      when the viewport's width changes (a phone turned round)
//  [ ] a window that closes itself: a page says that QEL has ended instead
#include "dialog.h"

#include <cmath>
#include <string>

#include "backend.h"
#include "page.h"

namespace {

// Set while a dialog is built: focus given to it then is given once the
// page has shown it, since a closed <dialog> takes none.
Control* focusOnShow = nullptr;

Control* ControlOfElement(int element) {
  for (HWND dialog : OpenDialogs())
    for (auto& control : dialog->controls)
      if (ElementOf(*control) == element) return control.get();
  return nullptr;
}

HWND DialogOfElement(int element) {
  for (HWND dialog : OpenDialogs())
    if (dialog->native->element == element) return dialog;
  return nullptr;
}

bool IsEdit(const Control* control) { return control && control->kind->controlClass == ControlClass::Edit; }

// A size in quarter points, as the scale's steps make it (printf's
// formatting would double the program).
std::string CssFont(const DialogFont& font, double points) {
  const long quarters = std::lround(points * 4);
  static const char* const kQuarters[] = {"", ".25", ".5", ".75"};
  return std::string(font.italic ? "italic " : "") + (font.bold ? "bold " : "") + std::to_string(quarters / 4) +
         kQuarters[quarters % 4] + "pt sans-serif";
}

// Base units as Windows measures them, at 96 DPI: the average width of the
// Latin letters, and the font's height.
void MeasureDialogFont(DialogFont& font) {
  double measured[2];
  page_measure_font(CssFont(font, font.points).c_str(), measured);
  font.xBase = (static_cast<int>(measured[0]) / 26 + 1) / 2;
  font.yBase = static_cast<int>(std::ceil(measured[1]));
}

const int kFrame = 2;  // the dialog's border, either side
const float kStep = 0.25f;
const float kLeastTouchScale = 2;  // fields 36 CSS pixels high, text over 16: no zooming in on focus

// With a mouse the layout is the one at 96 DPI, in CSS pixels, which the
// browser scales for the screen. On a touch screen the dialogs grow in the
// quarter steps a Windows desktop scales by, as far as the viewport's width
// allows: the converter to twice at least, so that a finger hits its
// fields; an owned dialog, where it opens, no larger than its owner.
float DialogScale(const HWND__& dialog) {
  if (!page_pointer_coarse()) return 1;
  const auto at96Dpi = [&](int units) { return std::lround(units * dialog.font.xBase / 4.0); };  // as MulDiv
  const long width = at96Dpi(dialog.layout.cx), x = at96Dpi(dialog.layout.x);
  double room = page_viewport_width();
  if (dialog.owner) {
    int owner[4];
    page_client_rect(dialog.owner->native->element, owner);
    room -= owner[0];
  }
  const auto fits = [&](float scale) {
    return (dialog.owner ? std::lround(x * scale) : 0) + std::lround(width * scale) + kFrame <= room;
  };
  const float least = dialog.owner ? 1 : kLeastTouchScale;
  const float most = dialog.owner ? dialog.owner->font.scale : 100;
  float scale = least;
  while (scale + kStep <= most && fits(scale + kStep)) scale += kStep;
  return scale;
}

// The client area's size and font, and the frame's, at the dialog's scale.
void ScaleDialog(HWND dialog) {
  const PixelRect client = DialogToPixels(*dialog, 0, 0, dialog->layout.cx, dialog->layout.cy);
  dialog->native->css = CssFont(dialog->font, dialog->font.points * dialog->font.scale);
  page_scale_dialog(dialog->native->element, dialog->native->css.c_str(), dialog->font.scale, client.w, client.h);
}

// The viewport or the screen's pixels changed: each dialog takes the step
// that fits now, owners first, and its controls their places at it.
void RescaleDialog(HWND dialog) {
  const float scale = DialogScale(*dialog);
  if (scale != dialog->font.scale) {
    dialog->font.scale = scale;
    ScaleDialog(dialog);
    for (auto& control : dialog->controls) {
      const PixelRect r = ControlRect(*control);
      page_move_element(ElementOf(*control), r.x, r.y, r.w, r.h);
      if (IsEdit(control.get())) BackendShowEdit(*control);
    }
    const DialogTemplate& t = dialog->layout;
    BackendPlaceDialog(dialog, DialogToPixels(*dialog, t.x, t.y, t.cx, t.cy));
  }
  for (auto& control : dialog->controls) ScaleIcon(*control);
}

std::string EventText() {
  std::string text(page_event_text_length(), '\0');
  page_event_text(&text[0], static_cast<int>(text.size()) + 1);
  return text;
}

void Dispatch(const PageEvent& event) {
  Control* control = ControlOfElement(event.element);
  switch (event.type) {
    case kPageInsert:
      if (IsEdit(control)) InsertIntoEdit(*control, EventText());
      break;
    case kPageSelected:
      if (IsEdit(control)) ReportEditSelection(*control);
      break;
    case kPageEditKey:
      if (IsEdit(control) && EditKeyDown(*control, event.detail & 0xFFFF, event.detail >> 16, ""))
        page_key_used();
      break;
    case kPageEditCommand:
      if (IsEdit(control)) RunBrowserCommand(*control, EventText());
      break;
    case kPageComposed:
      if (IsEdit(control)) InsertComposedText(*control, EventText());
      break;
    case kPageClicked:
      if (control) SendCommand(*control, BN_CLICKED);
      break;
    case kPageKey:
      if (HWND dialog = DialogOfElement(event.element))
        if (HandleDialogKey(dialog, event.detail & 0xFFFF, event.detail >> 16, EventText())) page_key_used();
      break;
    case kPageClose:
      if (HWND dialog = DialogOfElement(event.element)) CloseBoxPressed(dialog);
      break;
    case kPageInjected:
      break;  // delivered below, as after every event
    case kPageRescaled:
      for (HWND dialog : OpenDialogs()) RescaleDialog(dialog);
      break;
  }
}

}  // namespace

NativeDialog* BackendCreateDialog(HWND dialog) {
  dialog->native = new NativeDialog;
  MeasureDialogFont(dialog->font);
  dialog->font.scale = DialogScale(*dialog);
  dialog->native->element =
      page_create_dialog(dialog->layout.title.c_str(), dialog->owner ? dialog->owner->native->element : 0);
  ScaleDialog(dialog);
  return dialog->native;
}

// Owned dialogs are placed from the owner's client area; the page centres
// the others.
void BackendPlaceDialog(HWND dialog, const PixelRect& at) {
  if (dialog->owner) page_place_dialog(dialog->native->element, at.x, at.y);
}

// A dialog with an owner is modal: the page keeps the owner from input.
// Showing it focuses what the browser chooses; the manager's choice wins.
void BackendShowDialog(HWND dialog) {
  // Fields show no text that could name them: the letter beside them does.
  for (auto& control : dialog->controls)
    if (IsEdit(control.get()) && control->label) page_set_label(ElementOf(*control), ElementOf(*control->label));
  page_show_dialog(dialog->native->element, dialog->owner != nullptr);
  dialog->native->shown = true;
  if (focusOnShow && focusOnShow->dialog == dialog) BackendFocus(*focusOnShow);
  focusOnShow = nullptr;
}

bool BackendDialogShown(HWND) { return true; }  // only the program closes a dialog of the page

PixelRect BackendDialogRect(HWND dialog) {
  int rect[4];
  page_client_rect(dialog->native->element, rect);
  return {rect[0], rect[1], rect[2], rect[3]};
}

void BackendActivateDialog(HWND) {}  // the page gives back the owner's input itself

void BackendDestroyDialog(HWND dialog) {
  page_remove_dialog(dialog->native->element);
  for (auto& control : dialog->controls) delete control->native;
  delete dialog->native;
}

NativeControl* BackendCreateControl(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  int element = 0;
  switch (control.kind->controlClass) {
    case ControlClass::Edit: element = CreateEditElement(control, item, rect); break;
    case ControlClass::Button: element = CreateButtonElement(control, rect); break;
    case ControlClass::Static: element = CreateStaticElement(control, item, rect); break;
  }
  return new NativeControl{element};
}

void BackendShowText(Control& control) {
  if (control.kind->controlClass == ControlClass::Button) ShowButtonText(control);
  else ShowStaticText(control);
}

// A browser may select what it likes as an input takes the focus: the
// manager's selection is drawn again.
void BackendFocus(Control& control) {
  if (!control.dialog->native->shown) {
    focusOnShow = &control;
    return;
  }
  page_focus(ElementOf(control));
  if (IsEdit(&control)) BackendShowEdit(control);
}

Control* BackendFocusedControl() { return ControlOfElement(page_focused_element()); }

// The page's event, then the keys that keybd_event queued while it was
// handled: before any later input, as on the desktop.
void BackendWaitForEvent() {
  page_wait_for_event();
  PageEvent event;
  page_take_event(&event);
  Dispatch(event);
  DeliverInjectedKeys();
}

void BackendWake() {}  // the loop looks after every event, and only events end a dialog

void BackendDeliverSoon() { page_post_event(kPageInjected, 0, 0); }

void BackendBeep() { page_beep(); }

void BackendDialogCreated(HWND) {}
void BackendDialogDestroyed(HWND) {}
void BackendTextChanged(const Control&) {}
