// DialogBoxParamA and friends: dialogs built from compiled templates, run
// modally, over whichever backend the build has.
#include "dialog_manager.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "backend.h"
#include "dialog_keys.h"
#include "resources.h"

namespace {

const ControlKind kControlKinds[] = {
    {"EDIT", ControlClass::Edit, true},
    {"BUTTON", ControlClass::Button, false},
    {"STATIC", ControlClass::Static, false},
};

std::vector<HWND> openDialogs;

// Windows' MulDiv: rounded to nearest.
int MulDiv(int number, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(number) * numerator / denominator));
}

// "MS Sans Serif" and the like are the toolkit's sans face; "System" was
// a bold face.
DialogFont DialogFontFor(const DialogTemplate& t) {
  DialogFont font;
  font.bold = t.weight >= 600 || strcasecmp(t.typeface.c_str(), "System") == 0;
  font.italic = t.italic;
  font.points = (t.style & DS_SETFONT) && t.pointSize ? t.pointSize : 8;
  return font;
}

const ControlKind* FindControlKind(const std::string& className) {
  for (const ControlKind& kind : kControlKinds)
    if (className == kind.className) return &kind;
  return nullptr;
}

Control* FindControl(HWND dialog, int id) {
  if (!dialog || dialog->control) return nullptr;
  for (auto& control : dialog->controls)
    if (LOWORD(control->id) == LOWORD(id)) return control.get();
  return nullptr;
}

// Items of a class we do not provide keep their place empty, and their
// index: labels are found by index in the template.
void CreateControls(HWND dialog, const DialogTemplate& t) {
  std::vector<Control*> ofItem(t.items.size(), nullptr);
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
    const std::string title = item.title.isOrdinal ? "" : item.title.name;
    if (kind->controlClass == ControlClass::Edit) control->edit.text = title;
    else control->text = title;
    control->native = BackendCreateControl(*control, item, DialogToPixels(*dialog, item.x, item.y, item.cx, item.cy));
    ofItem[i] = control.get();
    dialog->controls.push_back(std::move(control));
  }
  for (size_t i = 0; i < t.items.size(); i++) {
    const int label = LabelItemIndex(t, i);
    if (ofItem[i] && label >= 0) ofItem[i]->label = ofItem[static_cast<size_t>(label)];
  }
}

// The template's styles are the truth: the subset can neither hide nor
// disable a control.
bool IsTabStop(const Control& control) {
  return (control.style & WS_TABSTOP) && (control.style & WS_VISIBLE) && !(control.style & WS_DISABLED);
}

void FocusFirstTabStop(HWND dialog) {
  for (auto& control : dialog->controls)
    if (IsTabStop(*control)) return FocusControlFromKeyboard(*control);
}

// Tab and Shift+Tab: the next tab stop after the focused control, round
// the dialog, as GetNextDlgTabItem.
void MoveFocus(HWND dialog, bool forward) {
  const int count = static_cast<int>(dialog->controls.size());
  if (count == 0) return;
  int from = forward ? count - 1 : 0;
  const Control* focused = BackendFocusedControl();
  for (int i = 0; i < count; i++)
    if (dialog->controls[i].get() == focused) from = i;
  for (int step = 1; step <= count; step++) {
    Control& candidate = *dialog->controls[((from + (forward ? step : -step)) % count + count) % count];
    if (IsTabStop(candidate)) return FocusControlFromKeyboard(candidate);
  }
}

void PressEnter(HWND dialog) {
  const Control* focused = BackendFocusedControl();
  const int item = focused && focused->dialog == dialog ? focused->item : -1;
  if (const int id = EnterCommandId(dialog->layout, item))
    SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Windows keeps an owned window above its owner, so the dialog of a topmost
// owner is topmost too; otherwise the About box of the always-on-top
// converter would open behind it.
uint32_t EffectiveExStyle(const DialogTemplate& t, HWND owner) {
  uint32_t exStyle = t.exStyle;
  if (owner && (owner->exStyle & WS_EX_TOPMOST)) exStyle |= WS_EX_TOPMOST;
  return exStyle;
}

HWND CreateDialogFromTemplate(HINSTANCE module, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param) {
  auto dialog = std::make_unique<HWND__>();
  dialog->module = module;
  dialog->proc = proc;
  dialog->owner = owner;
  dialog->exStyle = EffectiveExStyle(t, owner);
  dialog->layout = t;
  dialog->font = DialogFontFor(t);
  dialog->focusBefore = BackendFocusedControl();
  dialog->native = BackendCreateDialog(dialog.get());
  CreateControls(dialog.get(), t);
  BackendPlaceDialog(dialog.get(), DialogToPixels(*dialog, t.x, t.y, t.cx, t.cy));

  HWND handle = dialog.release();
  openDialogs.push_back(handle);
  SendDialogMessage(handle, WM_INITDIALOG, 0, param);
  // As when a dialog activates and WM_INITDIALOG left the focus alone: the
  // first tab stop gets it, in place before the window can take keys.
  const Control* focused = BackendFocusedControl();
  if (!focused || focused->dialog != handle) FocusFirstTabStop(handle);
  BackendShowDialog(handle);
  BackendDialogCreated(handle);
  return handle;
}

INT_PTR RunModalLoop(HWND dialog) {
  while (!dialog->ended && BackendDialogShown(dialog)) BackendWaitForEvent();
  return dialog->result;
}

// The owner gets the keyboard back, where it was.
void DestroyDialog(HWND dialog) {
  BackendDialogDestroyed(dialog);
  BackendDestroyDialog(dialog);
  openDialogs.erase(std::remove(openDialogs.begin(), openDialogs.end(), dialog), openDialogs.end());
  if (dialog->owner && BackendDialogShown(dialog->owner)) {
    BackendActivateDialog(dialog->owner);
    if (dialog->focusBefore) BackendFocus(*dialog->focusBefore);
  }
  delete dialog;
}

}  // namespace

INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return dialog->proc ? dialog->proc(dialog, message, wParam, lParam) : 0;
}

void SendCommand(const Control& control, WORD notification) {
  SendDialogMessage(control.dialog, WM_COMMAND, MAKEWPARAM(control.id, notification),
                    reinterpret_cast<LPARAM>(control.native));
}

PixelRect DialogToPixels(const HWND__& dialog, int x, int y, int cx, int cy) {
  const DialogFont& font = dialog.font;
  auto scaled = [&](int pixels) { return static_cast<int>(std::lround(pixels * font.scale)); };
  return {scaled(MulDiv(x, font.xBase, 4)), scaled(MulDiv(y, font.yBase, 8)), scaled(MulDiv(cx, font.xBase, 4)),
          scaled(MulDiv(cy, font.yBase, 8))};
}

const std::vector<HWND>& OpenDialogs() { return openDialogs; }

std::string ControlText(const Control& control) {
  return control.kind->controlClass == ControlClass::Edit ? control.edit.text : control.text;
}

Control* FocusedControl() { return BackendFocusedControl(); }

PixelRect ControlRect(const Control& control) {
  const DialogItemTemplate& item = control.dialog->layout.items[static_cast<size_t>(control.item)];
  return DialogToPixels(*control.dialog, item.x, item.y, item.cx, item.cy);
}

PixelRect DialogRect(HWND dialog) { return BackendDialogRect(dialog); }

bool HandleDialogKey(HWND dialog, int key, bool shift) {
  switch (key) {
    case kDialogTab:
      MoveFocus(dialog, !shift);
      return true;
    case kDialogEnter:
      PressEnter(dialog);
      return true;
    case kDialogEscape:
      SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return true;
  }
  return false;
}

void CloseBoxPressed(HWND dialog) { SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

// The dialog selects an edit's whole text, the caret at its end.
void FocusControlFromKeyboard(Control& control) {
  BackendFocus(control);
  if (control.kind->controlClass == ControlClass::Edit) SetEditCaret(control, {control.edit.text.size(), 0});
}

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

// As USER32's posts a WM_NULL: a modal loop ended from outside an input
// event (a click queued for a screen reader) would otherwise sleep until
// the next event before it looks.
BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  if (!dialog || dialog->control) return FALSE;
  dialog->result = result;
  dialog->ended = true;
  BackendWake();
  return TRUE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
  if (!text || maxCount <= 0) return 0;
  Control* control = FindControl(dialog, id);
  const std::string value = control ? ControlText(*control) : std::string();
  const size_t count = strnlen(value.c_str(), static_cast<size_t>(maxCount - 1));
  std::memcpy(text, value.data(), count);
  text[count] = '\0';
  return static_cast<UINT>(count);
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Control* control = FindControl(dialog, id);
  if (!control) return nullptr;
  if (!control->window) {
    control->window = std::make_unique<HWND__>();
    control->window->control = control;
  }
  return control->window.get();
}

// Only an edit takes text from a keyboard; the scope is the program's
// word, as good for one edit as for another.
HRESULT WINAPI SetInputScope(HWND window, InputScope scope) {
  Control* edit = window ? window->control : nullptr;
  if (!edit || edit->kind->controlClass != ControlClass::Edit) return E_INVALIDARG;
  edit->inputScope = scope;
  BackendShowInputScope(*edit);
  return S_OK;
}

// The one way text is put into a control: set it, then let the control's
// dialog know, before returning, as WM_SETTEXT does. Not cut to the width:
// WM_SETTEXT sets whatever it is given; upper case as Wine's edit makes it.
BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  Control* control = FindControl(dialog, id);
  if (!control) return FALSE;
  std::string value = text ? text : "";
  if (control->kind->controlClass != ControlClass::Edit) {
    control->text = value;
    BackendShowText(*control);
    BackendTextChanged(*control);
    return TRUE;
  }
  if (control->style & ES_UPPERCASE)
    for (char& c : value)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  SetEditText(*control, value);
  return TRUE;
}
