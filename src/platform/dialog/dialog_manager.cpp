// DialogBoxParamA and friends: dialogs built from compiled templates, run
// modally, over whichever backend the build has.
#include "dialog_manager.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "backend.h"
#include "resources.h"

namespace {

unsigned EditDialogCode(uint32_t) { return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL; }

// A group box is a frame with a title, to the dialog's keys a static.
unsigned ButtonDialogCode(uint32_t style) {
  switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX: return DLGC_STATIC;
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    default: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  }
}

unsigned StaticDialogCode(uint32_t) { return DLGC_STATIC; }

const ControlKind kControlKinds[] = {
    {"EDIT", ControlClass::Edit, true, EditDialogCode},
    {"BUTTON", ControlClass::Button, false, ButtonDialogCode},
    {"STATIC", ControlClass::Static, false, StaticDialogCode},
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
  for (auto& control : dialog->controls)
    if (DialogCodeOf(*control) & DLGC_DEFPUSHBUTTON) {
      dialog->defaultId = LOWORD(control->id);
      break;
    }
  for (size_t i = 0; i < t.items.size(); i++) {
    const int label = LabelItemIndex(t, i);
    if (ofItem[i] && label >= 0) ofItem[i]->label = ofItem[static_cast<size_t>(label)];
  }
}

void FocusFirstTabStop(HWND dialog) {
  for (auto& control : dialog->controls)
    if ((control->style & WS_TABSTOP) && IsVisibleAndEnabled(*control)) return FocusControlFromKeyboard(*control);
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

Control* FindControl(HWND dialog, int id) {
  if (!dialog || dialog->control) return nullptr;
  for (auto& control : dialog->controls)
    if (LOWORD(control->id) == LOWORD(id)) return control.get();
  return nullptr;
}

std::string ControlText(const Control& control) {
  return control.kind->controlClass == ControlClass::Edit ? control.edit.text : control.text;
}

Control* FocusedControl() { return BackendFocusedControl(); }

PixelRect ControlRect(const Control& control) {
  const DialogItemTemplate& item = control.dialog->layout.items[static_cast<size_t>(control.item)];
  return DialogToPixels(*control.dialog, item.x, item.y, item.cx, item.cy);
}

PixelRect DialogRect(HWND dialog) { return BackendDialogRect(dialog); }

void CloseBoxPressed(HWND dialog) { SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

// The dialog selects an edit's whole text, the caret at its end.
void FocusControlFromKeyboard(Control& control) {
  BackendFocus(control);
  if (DialogCodeOf(control) & DLGC_HASSETSEL) SetEditCaret(control, {control.edit.text.size(), 0});
}

unsigned DialogCodeOf(const Control& control) { return control.kind->dialogCode(control.style); }

bool IsVisibleAndEnabled(const Control& control) {
  return (control.style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE;
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
