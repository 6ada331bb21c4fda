// The web backend's side of dialogs and controls: the page elements that it
// makes for the dialog manager (dialog_manager.h, backend.h).
#ifndef QEL_PLATFORM_WEB_DIALOG_H
#define QEL_PLATFORM_WEB_DIALOG_H

#include <string>

#include "dialog_manager.h"

struct NativeDialog {
  int element = 0;  // the page's handle
  std::string css;  // the dialog font, as the CSS font shorthand
  bool shown = false;
};

struct NativeControl {
  int element = 0;
};

inline int ElementOf(const Control& control) { return control.native->element; }

// The elements of each control class (edit.cpp, button.cpp, static.cpp).
int CreateEditElement(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
// What an edit's element reports beyond keys: a selection made with the
// pointer, a command of the browser's own (an input event's type, such as
// "historyUndo"), and an input method's committed text.
void ReportEditSelection(Control& edit);
void RunBrowserCommand(Control& edit, const std::string& inputType);
void InsertComposedText(Control& edit, const std::string& text);
int CreateButtonElement(Control& control, const PixelRect& rect);
int CreateStaticElement(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
void ShowButtonText(Control& control);
void ShowStaticText(Control& control);
// Icons, sized for the screen's pixels again once they have changed.
void ScaleIcon(Control& control);

#endif
