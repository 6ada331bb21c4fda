// The EDIT control's widget: a single-line Fl_Input that only draws. The
// text, the selection and the undo are the dialog manager's; the widget
// reports keys, the clipboard's text and selections made with the mouse,
// and shows whatever the manager then holds. FLTK's own editing, undo and
// key bindings never run.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>

#include <string>

#include "backend.h"
#include "dialog.h"
#include "edit_menu.h"
#include "edit_rule.h"
#include "system_colors.h"
#include "x11_window.h"

namespace {

class EditControl : public Fl_Input {
 public:
  EditControl(const PixelRect& r, Control& control) : Fl_Input(r.x, r.y, r.w, r.h), control_(control) {
    when(FL_WHEN_NEVER);
    box(FL_DOWN_BOX);
    color(SysColor(COLOR_WINDOW));
    textcolor(SysColor(COLOR_WINDOWTEXT));
    cursor_color(SysColor(COLOR_WINDOWTEXT));
    // FLTK draws selected text in whichever of the text's colour, black or
    // white stands out on the selection: COLOR_HIGHLIGHTTEXT in every palette.
    selection_color(SysColor(COLOR_HIGHLIGHT));
  }

  int handle(int event) override {
    if (event == FL_FOCUS && RefusesKeyboardFocus(control_)) return 0;
    int used = 1;
    if (OpensContextMenu(event)) used = ShowContextMenu(event);
    else if (event == FL_KEYBOARD) used = KeyDown();
    else if (event == FL_PASTE) InsertIntoEdit(control_, EventText());
    else if (event == FL_SHORTCUT) used = 0;
    else used = ToolkitHandles(event);
    DeliverInjectedKeys();
    return used;
  }

  void Show() {
    const EditState& state = control_.edit;
    value(state.text.data(), static_cast<int>(state.text.size()));
    position(static_cast<int>(state.caret), static_cast<int>(state.anchor));
  }

  // The text area: as wide as a text can grow before FLTK scrolls it.
  double FormatWidth() const { return w() - Fl::box_dw(box()) - kUnscrolledSlack; }

 private:
  // The mouse's selection is FLTK's and is reported; focus leaves the
  // manager's selection as it was.
  int ToolkitHandles(int event) {
    const int used = Fl_Input::handle(event);
    if (event == FL_PUSH || event == FL_DRAG || event == FL_RELEASE) {
      if (static_cast<size_t>(position()) != control_.edit.caret ||
          static_cast<size_t>(mark()) != control_.edit.anchor)
        SetEditCaret(control_, {static_cast<size_t>(position()), static_cast<size_t>(mark())});
    } else if (event == FL_FOCUS || event == FL_UNFOCUS) {
      Show();
    }
    return used;
  }

  // A single-line edit takes its arrow keys (DLGC_WANTARROWS), with Alt
  // too, which moves nothing.
  int KeyDown() {
    const int virtualKey = VirtualKeyOf(Fl::event_key());
    const bool used = EditKeyDown(control_, virtualKey, KeyModifiers(), EventText());
    return used || (virtualKey >= kVkLeft && virtualKey <= kVkDown);
  }

  // A right click opens the menu where it is let go, Shift+F10 and the
  // Menu key at the caret. The right button neither moves the caret nor
  // drags a selection.
  static bool OpensContextMenu(int event) {
    if (event == FL_PUSH || event == FL_RELEASE) return Fl::event_button() == FL_RIGHT_MOUSE;
    if (event == FL_DRAG) return Fl::event_state(FL_BUTTON3) != 0;
    if (event != FL_KEYBOARD) return false;
    const int modifiers = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
    return (Fl::event_key() == FL_F + 10 && modifiers == FL_SHIFT) || (Fl::event_key() == FL_Menu && !modifiers);
  }

  int ShowContextMenu(int event) {
    if (Fl::focus() != this) take_focus();
    if (event != FL_RELEASE && event != FL_KEYBOARD) return 1;  // it opens on the release
    const bool atPointer = event == FL_RELEASE;
    const int menuX = atPointer ? Fl::event_x() : CaretX();
    const int menuY = atPointer ? Fl::event_y() : y() + h() / 2;
    ShowEditMenu(control_, menuX, menuY);
    return 1;
  }

  int CaretX() {
    fl_font(textfont(), textsize());
    const double before = fl_width(value(), position());
    return x() + Fl::box_dx(box()) + kEditTextIndent + static_cast<int>(std::min(before, FormatWidth()));
  }

  // FLTK scrolls the text once it is wider than the inside of the frame
  // less 4 pixels.
  static const int kUnscrolledSlack = 4;

  Control& control_;
};

EditControl* AsEdit(const Control& control) { return static_cast<EditControl*>(WidgetOf(control)); }

}  // namespace

Fl_Widget* CreateEditWidget(Control& control, const DialogItemTemplate&, const PixelRect& rect) {
  auto* edit = new EditControl(rect, control);
  const FltkFont& font = control.dialog->native->font;
  edit->textfont(font.face);
  edit->textsize(font.size);
  edit->Show();
  return edit;
}

void BackendShowEdit(Control& edit) { AsEdit(edit)->Show(); }

// FLTK tells an input method nothing of what a field takes.
void BackendShowInputScope(const Control&) {}

void BackendCopyText(const Control&, const std::string& text) {
  Fl::copy(text.data(), static_cast<int>(text.size()), 1);
}

// FL_PASTE comes back to the edit, now or when the clipboard's owner answers.
void BackendPasteInto(Control& edit) { Fl::paste(*AsEdit(edit), 1); }

bool BackendClipboardMayHoldText() { return ClipboardMayHoldText(); }

double BackendTextWidth(const Control& edit, const char* text, size_t size) {
  const EditControl* widget = AsEdit(edit);
  fl_font(widget->textfont(), widget->textsize());
  return fl_width(text, static_cast<int>(size));
}

double BackendEditTextArea(const Control& edit) { return AsEdit(edit)->FormatWidth(); }
