// The FLTK backend's side of dialogs and controls: the windows and widgets
// that it makes for the dialog manager (dialog_manager.h, backend.h).
#ifndef QEL_PLATFORM_FLTK_DIALOG_H
#define QEL_PLATFORM_FLTK_DIALOG_H

#include <FL/Enumerations.H>

#include <string>

#include "dialog_manager.h"

class Fl_Widget;
class Fl_Double_Window;

// The dialog font as FLTK draws it.
struct FltkFont {
  Fl_Font face = FL_HELVETICA;
  Fl_Fontsize size = 11;  // pixels, at the desktop's scale
};

struct NativeDialog {
  Fl_Double_Window* window = nullptr;
  FltkFont font;
  int iconScale = 1;  // icons, being pixel art, grow by whole factors only
  bool textsChanged = false;  // since they were last published
};

struct NativeControl {
  Fl_Widget* widget = nullptr;
};

// Inline: the accessibility plug-in reads them too.
inline Fl_Widget* WidgetOf(const Control& control) { return control.native->widget; }
inline Fl_Double_Window* WindowOf(const HWND__& dialog) { return dialog.native->window; }

// The widgets of each control class (edit.cpp, button.cpp, static.cpp).
Fl_Widget* CreateEditWidget(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
Fl_Widget* CreateButtonWidget(Control& control, const PixelRect& rect);
Fl_Widget* CreateStaticWidget(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
void ShowButtonText(Control& control);
void ShowStaticText(Control& control);

// Services the widgets share.
bool RefusesKeyboardFocus(const Control& control);  // controls without WS_TABSTOP, from the keyboard
// The key being handled as Windows names it: its virtual key (0 for one
// that no rule names), the EditModifier bits held, the text it types.
int VirtualKeyOf(int key);
int KeyModifiers();
std::string EventText();
void ApplyDialogFont(Fl_Widget* widget, const FltkFont& font);

// FLTK draws an edit's text this many pixels in from its frame.
constexpr int kEditTextIndent = 1;

#endif
