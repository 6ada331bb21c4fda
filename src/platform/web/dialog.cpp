// DialogBoxParamA and friends over the page: dialogs built from compiled
// templates, run modally. The program sleeps in the modal loop (Asyncify)
// until the page has an event; the page wakes it from within the event's
// handler, so each event is handled in full before the browser draws.
#include "dialog.h"

#include <strings.h>

#include <cmath>
#include <cstring>

#include "dialog_keys.h"
#include "page.h"
#include "resources.h"

namespace {

const ControlKind* const kControlKinds[] = {&kEditKind, &kButtonKind, &kStaticKind};

const int VK_TAB = 0x09, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B;

std::vector<HWND> openDialogs;

// Windows' MulDiv: rounded to nearest.
int MulDiv(int number, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}

// "MS Sans Serif" and the like become the browser's sans-serif face;
// "System" was a bold face. Base units are measured as Windows measures
// them: the average width of the Latin letters, and the font's height.
DialogFont DialogFontFor(const DialogTemplate& t) {
  const bool bold = t.weight >= 600 || strcasecmp(t.typeface.c_str(), "System") == 0;
  const int points = (t.style & DS_SETFONT) && t.pointSize ? t.pointSize : 8;
  DialogFont font;
  font.css = std::string(t.italic ? "italic " : "") + (bold ? "bold " : "") + std::to_string(points) +
             "pt sans-serif";
  double measured[2];
  page_measure_font(font.css.c_str(), measured);
  font.xBase = (static_cast<int>(measured[0]) / 26 + 1) / 2;
  font.yBase = static_cast<int>(std::ceil(measured[1]));
  return font;
}

PixelRect ToPixels(const DialogFont& font, int x, int y, int cx, int cy) {
  return {MulDiv(x, font.xBase, 4), MulDiv(y, font.yBase, 8), MulDiv(cx, font.xBase, 4),
          MulDiv(cy, font.yBase, 8)};
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

Control* ControlOfElement(int element) {
  for (HWND dialog : openDialogs)
    for (auto& control : dialog->controls)
      if (control->element == element) return control.get();
  return nullptr;
}

HWND DialogOfElement(int element) {
  for (HWND dialog : openDialogs)
    if (dialog->element == element) return dialog;
  return nullptr;
}

// Items of a class we do not provide keep their place empty, and their
// index: labels are found by index in the template.
void CreateControls(HWND dialog, const DialogTemplate& t) {
  std::vector<Control*> byItem(t.items.size(), nullptr);
  for (size_t i = 0; i < t.items.size(); i++) {
    const DialogItemTemplate& item = t.items[i];
    const ControlKind* kind = FindControlKind(ControlClassName(item.windowClass));
    if (!kind) continue;
    auto control = std::make_unique<Control>();
    control->dialog = dialog;
    control->id = item.id;
    control->item = static_cast<int>(i);
    control->style = item.style;
    control->kind = kind;
    control->element = kind->create(*control, item, ToPixels(dialog->font, item.x, item.y, item.cx, item.cy));
    byItem[i] = control.get();
    dialog->controls.push_back(std::move(control));
  }
  // Fields show no text that could name them: the letter beside them does.
  for (size_t i = 0; i < t.items.size(); i++) {
    if (!byItem[i] || byItem[i]->kind != &kEditKind) continue;
    const int label = LabelItemIndex(t, i);
    if (label >= 0 && byItem[label]) page_set_label(byItem[i]->element, byItem[label]->element);
  }
}

bool IsTabStop(const Control& control) {
  return (control.style & WS_TABSTOP) && (control.style & WS_VISIBLE) && !(control.style & WS_DISABLED);
}

// As Windows focuses a dialog's control from the keyboard: an edit with
// its whole text selected.
void FocusControl(Control& control) { page_focus(control.element, control.kind == &kEditKind); }

// Tab and Shift+Tab: the next tab stop after the focused control, round
// the dialog.
void MoveFocus(HWND dialog, bool forward) {
  const int count = static_cast<int>(dialog->controls.size());
  if (count == 0) return;
  int from = forward ? count - 1 : 0;
  const int focused = page_focused_element();
  for (int i = 0; i < count; i++)
    if (dialog->controls[i]->element == focused) from = i;
  for (int step = 1; step <= count; step++) {
    Control& candidate = *dialog->controls[((from + (forward ? step : -step)) % count + count) % count];
    if (IsTabStop(candidate)) return FocusControl(candidate);
  }
}

void FocusFirstTabStop(HWND dialog) {
  for (auto& control : dialog->controls)
    if (IsTabStop(*control)) return FocusControl(*control);
}

void HandleKey(HWND dialog, int detail) {
  switch (detail & 0xFFFF) {
    case VK_TAB:
      MoveFocus(dialog, !(detail & kPageShift));
      break;
    case VK_ESCAPE:
      SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      break;
    case VK_RETURN: {
      const Control* focused = FocusedControl();
      if (const int id = EnterCommandId(dialog->layout, focused ? focused->item : -1))
        SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
      break;
    }
  }
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
      if (control && control->kind == &kEditKind) InsertIntoEdit(*control, EventText(), event.detail != 0);
      break;
    case kPageChanged:
      if (control && control->kind == &kEditKind) EditTextChanged(*control);
      break;
    case kPageClicked:
      if (control) SendCommand(*control, BN_CLICKED);
      break;
    case kPageKey:
      if (HWND dialog = DialogOfElement(event.element)) HandleKey(dialog, event.detail);
      break;
    case kPageClose:  // the close box is IDCANCEL: the dialog procedure decides
      if (HWND dialog = DialogOfElement(event.element))
        SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      break;
    case kPageInjected:
      DeliverInjectedKey(event.detail);
      break;
    case kPageRescaled:
      for (HWND dialog : openDialogs)
        for (auto& c : dialog->controls) ScaleIcon(*c);
      break;
  }
}

HWND CreateDialogFromTemplate(HINSTANCE module, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param) {
  auto dialog = std::make_unique<HWND__>();
  dialog->module = module;
  dialog->proc = proc;
  dialog->owner = owner;
  dialog->layout = t;
  dialog->font = DialogFontFor(t);
  dialog->focusBefore = page_focused_element();
  const PixelRect client = ToPixels(dialog->font, t.x, t.y, t.cx, t.cy);
  dialog->element = page_create_dialog(t.title.c_str(), dialog->font.css.c_str(), client.w, client.h,
                                       owner ? owner->element : 0);
  CreateControls(dialog.get(), t);
  // Owned dialogs are placed from the owner's client area; the page
  // centres the others.
  if (owner) page_place_dialog(dialog->element, client.x, client.y);

  HWND handle = dialog.release();
  openDialogs.push_back(handle);
  SendDialogMessage(handle, WM_INITDIALOG, 0, param);
  // A dialog with an owner is modal: the page keeps the owner from input.
  page_show_dialog(handle->element, owner != nullptr);
  // Showing it focuses what the browser chooses. WM_INITDIALOG cannot move
  // the focus (the subset has no SetFocus): the first tab stop gets it.
  FocusFirstTabStop(handle);
  return handle;
}

INT_PTR RunModalLoop(HWND dialog) {
  while (!dialog->ended) {
    page_wait_for_event();
    PageEvent event;
    page_take_event(&event);
    Dispatch(event);
  }
  return dialog->result;
}

// The owner gets the keyboard back, where it was.
void DestroyDialog(HWND dialog) {
  page_remove_dialog(dialog->element);
  openDialogs.pop_back();
  if (dialog->owner && dialog->focusBefore) page_focus(dialog->focusBefore, 0);
  delete dialog;
}

}  // namespace

INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return dialog->proc ? dialog->proc(dialog, message, wParam, lParam) : 0;
}

void SendCommand(const Control& control, WORD notification) {
  SendDialogMessage(control.dialog, WM_COMMAND, MAKEWPARAM(control.id, notification), control.element);
}

void ControlTextChanged(Control& control) {
  SendCommand(control, EN_UPDATE);
  SendCommand(control, EN_CHANGE);
}

Control* FocusedControl() { return ControlOfElement(page_focused_element()); }

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                               LPARAM initParam) {
  ResourceBytes bytes = FindResourceBytes(instance, RT_DIALOG, templateName);
  DialogTemplate t;
  if (!bytes || !ParseDialogTemplate(bytes.data, bytes.size, &t)) return -1;

  HWND dialog = CreateDialogFromTemplate(instance, t, owner, dialogProc, initParam);
  INT_PTR result = RunModalLoop(dialog);
  DestroyDialog(dialog);
  return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  if (!dialog) return FALSE;
  dialog->result = result;
  dialog->ended = true;
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
  return TRUE;
}
