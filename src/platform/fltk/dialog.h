// The inside of our dialog manager: dialogs, their controls, and the table
// of control kinds. The public face is the Win32 subset in win32.h.
#ifndef QEL_PLATFORM_DIALOG_H
#define QEL_PLATFORM_DIALOG_H

#include <FL/Enumerations.H>

#include <memory>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "win32.h"

class Fl_Widget;
class Fl_Double_Window;
struct ControlKind;

struct DialogFont {
  Fl_Font face = FL_HELVETICA;
  Fl_Fontsize size = 11;  // pixels, at the desktop's scale
  int xBase = 6;          // dialog base units, in pixels at 96 DPI
  int yBase = 13;
};

// How far the desktop scales a dialog. Windows enlarges the dialogs of a
// program that does not scale itself as a whole, so the layout is the 96-DPI
// one times `layout`, whatever the font's metrics at the larger size; icons,
// being pixel art, grow by whole factors only.
struct DesktopScale {
  float layout = 1;  // the desktop's DPI over 96, in steps of 1/4
  int icons = 1;
};

struct PixelRect {
  int x, y, w, h;
};

struct Control {
  HWND dialog;
  int id;
  uint32_t style;
  const ControlKind* kind;
  Fl_Widget* widget;
  std::string text;  // as last set, for controls that show it otherwise (wrapped, as an image)
  int item = -1;     // its index in the dialog's template
  Control* label = nullptr;  // the static text that names it for assistive technology
};

// One entry per control class: how to build one from its template item and
// how its text is set and read. Setting never notifies: notifying is the
// dialog manager's business (see SetControlText).
struct ControlKind {
  const char* className;
  Fl_Widget* (*create)(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
  void (*setText)(Control& control, const char* text);
  const char* (*getText)(const Control& control);
  void (*selectAll)(Control& control);  // on focus from the dialog (EM_SETSEL 0, -1); may be null
  bool notifiesChanges;                  // sends EN_UPDATE/EN_CHANGE when its text changes
};

extern const ControlKind kEditKind;
extern const ControlKind kButtonKind;
extern const ControlKind kStaticKind;

// FLTK draws an edit's text this many pixels in from its frame.
constexpr int kEditTextIndent = 1;

struct HWND__ {
  HINSTANCE module = nullptr;
  DLGPROC proc = nullptr;
  HWND owner = nullptr;
  uint32_t exStyle = 0;  // the template's, plus WS_EX_TOPMOST from a topmost owner
  DialogTemplate layout;  // as read: the keys' rule looks at its items
  Fl_Double_Window* window = nullptr;
  std::vector<std::unique_ptr<Control>> controls;
  DialogFont font;
  DesktopScale scale;
  Fl_Widget* focusBefore = nullptr;  // focus to give back when the dialog ends
  bool textsChanged = false;  // since they were last published
  bool ended = false;
  INT_PTR result = 0;
};

// Services the controls call.
INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void SendCommand(const Control& control, WORD notification);
void ControlTextChanged(const Control& control);  // after any change of an edit's text
bool RefusesKeyboardFocus(const Control& control);   // controls without WS_TABSTOP
void ApplyDialogFont(Fl_Widget* widget, const DialogFont& font);
// Makes the event loop's current wait return, as USER32's EndDialog posts a
// WM_NULL: a modal loop ended from a timeout (a click queued for a screen
// reader) would otherwise sleep until the next event before it looks.
void WakeModalLoop();

// Delivers the keys that keybd_event has queued, now. The edit controls call
// it when they have handled an event, so an injected key lands before any
// input that the user has typed meanwhile.
void DeliverInjectedKeys();

#endif
