// Our dialog manager, for every platform unit that has no USER32: dialogs
// built from compiled templates, their controls, the dialog's own keys,
// the modal loop and the notifications, as USER32's dialog.c makes them.
// It knows nothing of how a control is drawn: that is the backend's
// (backend.h), one per toolkit. The public face is the Win32 subset in
// win32.h.
#ifndef QEL_PLATFORM_DIALOG_MANAGER_H
#define QEL_PLATFORM_DIALOG_MANAGER_H

#include <memory>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "edit_state.h"
#include "geometry.h"
#include "win32.h"

struct NativeDialog;   // the backend's window of a dialog
struct NativeControl;  // the backend's widget of a control

enum class ControlClass { Edit, Button, Static };

// WM_GETDLGCODE's answers: which of the dialog's keys a control takes
// itself, and what kind of control the dialog's keys find.
enum DialogCode : unsigned {
  DLGC_WANTARROWS = 0x0001,
  DLGC_HASSETSEL = 0x0008,  // its text is selected when the dialog gives it the focus
  DLGC_DEFPUSHBUTTON = 0x0010,
  DLGC_UNDEFPUSHBUTTON = 0x0020,
  DLGC_WANTCHARS = 0x0080,
  DLGC_STATIC = 0x0100,
  DLGC_BUTTON = 0x2000,
};

// One entry per control class that we provide.
struct ControlKind {
  const char* className;
  ControlClass controlClass;
  bool notifiesChanges;                 // sends EN_UPDATE/EN_CHANGE when its text changes
  unsigned (*dialogCode)(uint32_t style);  // WM_GETDLGCODE, by the control's style
};

// The template's font, and the dialog base units the backend measured in it.
struct DialogFont {
  bool bold = false;
  bool italic = false;
  int points = 8;
  int xBase = 6;  // pixels, before `scale`
  int yBase = 13;
  // How far the desktop enlarges the dialog as a whole, as Windows scales
  // a program that does not scale itself: the layout at 96 DPI times this.
  float scale = 1;
};

struct Control {
  HWND dialog;
  int id;
  uint32_t style;        // the template's; a push button becomes the default one as the dialog moves to it
  const ControlKind* kind;
  int item = -1;         // its index in the dialog's template
  std::string text;      // buttons' and statics'
  EditState edit;        // an edit's: its text, selection and undo, which its widget only draws
  Control* label = nullptr;  // the static text that names it for assistive technology
  InputScope inputScope = IS_DEFAULT;  // an edit's, as the program declared it
  std::unique_ptr<HWND__> window;      // its handle, made when GetDlgItem first asks
  NativeControl* native = nullptr;
};

// A dialog; or, with `control` set, the handle of one of its controls,
// which the subset only takes where a control's window is asked for.
struct HWND__ {
  Control* control = nullptr;
  HINSTANCE module = nullptr;
  DLGPROC proc = nullptr;
  HWND owner = nullptr;
  uint32_t exStyle = 0;   // the template's, plus WS_EX_TOPMOST from a topmost owner
  DialogTemplate layout;  // as read: the keys' rule looks at its items
  std::vector<std::unique_ptr<Control>> controls;
  DialogFont font;
  Control* focusBefore = nullptr;  // where the keyboard goes back to when the dialog ends
  // What Enter sends where no default push button has the keyboard, as
  // DM_GETDEFID answers: the template's default push button, else IDOK.
  int defaultId = IDOK;
  bool ended = false;
  INT_PTR result = 0;
  NativeDialog* native = nullptr;
};

// For the backends.
INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void SendCommand(const Control& control, WORD notification);
PixelRect DialogToPixels(const HWND__& dialog, int x, int y, int cx, int cy);
const std::vector<HWND>& OpenDialogs();  // oldest first; the last one is modal
Control* FindControl(HWND dialog, int id);  // null if it has none of that id, or is no dialog
// What the control shows, whole: an edit's text, or the text last set.
std::string ControlText(const Control& control);
// The control with the keyboard, in any open dialog; null while another
// program has it.
Control* FocusedControl();
// Where the template placed the control, in its dialog's client area.
PixelRect ControlRect(const Control& control);
// Where the dialog's client area is now, on the screen.
PixelRect DialogRect(HWND dialog);

// The dialog's own keys, as IsDialogMessage takes those that no control
// used (dialog_message.cpp): a key's virtual key, the EditModifier bits
// held, and the character it types, if any. Tab and Shift+Tab; the arrows
// on a control that takes none; Enter; Esc; a control's mnemonic, with Alt
// or, where the focused control takes no characters, alone. True if the
// dialog used the key. An Alt+character that no mnemonic takes beeps, and
// is left to the system (a browser's own shortcuts), as DefWindowProc does.
enum DialogVirtualKey { kVkTab = 0x09, kVkReturn = 0x0D, kVkEscape = 0x1B };
bool HandleDialogKey(HWND dialog, int virtualKey, int modifiers, const std::string& typed);
// The close box: IDCANCEL, and the dialog procedure decides.
void CloseBoxPressed(HWND dialog);
// Focus as the dialog manager gives it from the keyboard: an edit gets its
// whole text selected.
void FocusControlFromKeyboard(Control& control);
unsigned DialogCodeOf(const Control& control);
// Tab stops and group members: the template's styles are the truth, as
// the subset can neither hide nor disable a control.
bool IsVisibleAndEnabled(const Control& control);

// The edit control, whose state is the manager's: what the backend
// reports of the user's input.
// Text typed, pasted, dropped or committed by an input method: fitted,
// then put in place of the selection.
void InsertIntoEdit(Control& edit, const std::string& text);
// A key pressed in an edit: its virtual key, the EditModifier bits held,
// and the character it types, if any. False if the edit left it alone, for
// the dialog (Tab, Enter, Esc) or the backend (the context menu's keys).
bool EditKeyDown(Control& edit, int virtualKey, int modifiers, const std::string& typed);
// A command of the context menu, or of a key; `extend` is Shift for the
// caret's moves. The menu greys what cannot run now.
void RunEditCommand(Control& edit, EditCommand command, bool extend = false);
bool CanRunEditCommand(const Control& edit, EditCommand command);
// WM_SETTEXT.
void SetEditText(Control& edit, const std::string& text);
// An edit's caret and the other end of its selection, in UTF-8 bytes. A
// backend sets them for a selection made with the mouse.
EditCaret EditCaretOf(const Control& edit);
void SetEditCaret(Control& edit, EditCaret caret);
// From outside the dialog (assistive technology): `text` in place of the
// bytes [from, to) of an edit, as a paste there. The dialog and the field
// get the keyboard first, so that the program's validation and its
// taken-back keystrokes act on that field only.
void PasteIntoEdit(Control& edit, size_t from, size_t to, const std::string& text);
// A push button pressed from outside, as a click on it.
void ClickButton(Control& button);

// Delivers the keys that keybd_event has queued, now. A backend calls it
// when it has handled an input event, so that an injected key lands before
// any input that the user has typed meanwhile.
void DeliverInjectedKeys();

#endif
