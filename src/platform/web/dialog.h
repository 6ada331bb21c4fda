// The inside of the web platform unit: dialogs built from the same compiled
// templates as on Linux, their controls as page elements, and the table of
// control kinds. The public face is the Win32 subset in win32.h.
#ifndef QEL_PLATFORM_WEB_DIALOG_H
#define QEL_PLATFORM_WEB_DIALOG_H

#include <memory>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "win32.h"

struct ControlKind;

struct DialogFont {
  std::string css;  // the CSS font shorthand
  int xBase = 6;    // dialog base units, in CSS pixels
  int yBase = 13;
};

struct PixelRect {
  int x, y, w, h;
};

struct Control {
  HWND dialog;
  int id;
  uint32_t style;
  const ControlKind* kind;
  int element;                  // the page's handle
  int item = -1;                // its index in the dialog's template
  std::string text;             // as last set (statics, buttons), or as last read (edits)
  bool maxTextPending = false;  // an edit's insertion was cut: EN_MAXTEXT before its EN_UPDATE
};

// One entry per control class: how to build one from its template item and
// how its text is set and read. Setting never notifies: notifying is the
// dialog manager's business (see SetDlgItemTextA).
struct ControlKind {
  const char* className;
  int (*create)(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
  void (*setText)(Control& control, const char* text);
  const char* (*getText)(Control& control);
  bool notifiesChanges;  // sends EN_UPDATE/EN_CHANGE when its text changes
};

extern const ControlKind kEditKind;
extern const ControlKind kButtonKind;
extern const ControlKind kStaticKind;

struct HWND__ {
  HINSTANCE module = nullptr;
  DLGPROC proc = nullptr;
  HWND owner = nullptr;
  int element = 0;
  DialogTemplate layout;  // as read: the keys' rule looks at its items
  std::vector<std::unique_ptr<Control>> controls;
  DialogFont font;
  int focusBefore = 0;  // the element to give the keyboard back to when the dialog ends
  bool ended = false;
  INT_PTR result = 0;
};

// Services the controls call.
INT_PTR SendDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void SendCommand(const Control& control, WORD notification);
void ControlTextChanged(Control& control);  // after any change of an edit's text
Control* FocusedControl();

// Edits.
void InsertIntoEdit(Control& edit, const std::string& text, bool pasted);
void EditTextChanged(Control& edit);
// Icons (other controls are left alone), sized for the screen's pixels
// again once they have changed.
void ScaleIcon(Control& control);

// keybd_event's keys, as the dialog manager takes them from the page.
void DeliverInjectedKey(int virtualKey);

#endif
