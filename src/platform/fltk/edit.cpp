// The EDIT control's widget: a single-line Fl_Input. What typing and
// pasting put in is the dialog manager's to decide (InsertIntoEdit); the
// widget hands it the event's text, then inserts the answer as FLTK's own
// typing would, and reports every change before it is drawn.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>

#include <string>

#include "backend.h"
#include "dialog.h"
#include "edit_menu.h"
#include "edit_rule.h"
#include "system_colors.h"

namespace {

class EditControl : public Fl_Input {
 public:
  EditControl(const PixelRect& r, Control& control) : Fl_Input(r.x, r.y, r.w, r.h), control_(control) {
    // Fl_Input's default, FL_WHEN_RELEASE, also fires on losing the focus.
    when(FL_WHEN_CHANGED);
    callback(TextChanged, this);
    box(FL_DOWN_BOX);
    color(SysColor(COLOR_WINDOW));
    textcolor(SysColor(COLOR_WINDOWTEXT));
    cursor_color(SysColor(COLOR_WINDOWTEXT));
    // FLTK draws selected text in whichever of the text's colour, black or
    // white stands out on the selection: COLOR_HIGHLIGHTTEXT in every palette.
    selection_color(SysColor(COLOR_HIGHLIGHT));
  }

  ~EditControl() override {
    if (undoOwner_ == this) undoOwner_ = nullptr;
  }

  int handle(int event) override {
    if (event == FL_FOCUS && RefusesKeyboardFocus(control_)) return 0;
    int used;
    if (OpensContextMenu(event)) used = ShowContextMenu(event);
    else if (event == FL_PASTE || (event == FL_KEYBOARD && TypesCharacter())) used = Insert(event);
    else used = Fl_Input::handle(event);
    // A single-line edit keeps its arrow keys; FLTK would move the focus
    // to the next field at either end of the text.
    if (event == FL_KEYBOARD && IsArrowKey(Fl::event_key())) used = 1;
    DeliverInjectedKeys();
    return used;
  }

  // WM_SETTEXT empties the undo buffer, and leaves the caret at the start.
  void SetText(const std::string& text) {
    value(text.data(), static_cast<int>(text.size()));
    position(0);
    if (undoOwner_ == this) undoOwner_ = nullptr;
  }

  // The manager's answer to the event being handled.
  void ReplaceSelection(const std::string& text, bool pasted) {
    // Not through Fl_Input for a paste, which drops its trailing blanks and
    // ignores an empty one: USER32 inserts the blanks, and an empty paste
    // still deletes the selection.
    if (pasted || text.empty()) {
      replace(position(), mark(), text.data(), static_cast<int>(text.size()));
      return;
    }
    char* const original = Fl::e_text;
    const int originalLength = Fl::e_length;
    const int originalEvent = Fl::e_number;
    Fl::e_text = const_cast<char*>(text.c_str());
    Fl::e_length = static_cast<int>(text.size());
    Fl::e_number = FL_KEYBOARD;
    Fl_Input::handle(FL_KEYBOARD);
    Fl::e_text = original;
    Fl::e_length = originalLength;
    Fl::e_number = originalEvent;
  }

  // The text area: as wide as a text can grow before FLTK scrolls it.
  double FormatWidth() const { return w() - Fl::box_dw(box()) - kUnscrolledSlack; }

 private:
  static bool IsArrowKey(int key) {
    return key == FL_Left || key == FL_Right || key == FL_Up || key == FL_Down;
  }

  // As Fl::compose() decides: a key that types its text, not a shortcut.
  static bool TypesCharacter() {
    if (Fl::event_length() <= 0) return false;
    const unsigned char first = static_cast<unsigned char>(Fl::event_text()[0]);
    if ((Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) && first < 0x80) return false;
    return first >= 0x20 && first != 0x7F;
  }

  int Insert(int event) {
    const char* text = Fl::event_text() ? Fl::event_text() : "";
    InsertIntoEdit(control_, std::string(text, static_cast<size_t>(Fl::event_length())), event == FL_PASTE);
    return 1;
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
    ShowEditMenu(control_, *this, menuX, menuY, undoOwner_ == this);
    return 1;
  }

  int CaretX() {
    fl_font(textfont(), textsize());
    const double before = fl_width(value(), position());
    return x() + Fl::box_dx(box()) + kEditTextIndent + static_cast<int>(std::min(before, FormatWidth()));
  }

  static void TextChanged(Fl_Widget*, void* widget) {
    auto* edit = static_cast<EditControl*>(widget);
    undoOwner_ = edit;
    EditTextChanged(edit->control_);
  }

  // FLTK scrolls the text once it is wider than the inside of the frame
  // less 4 pixels.
  static const int kUnscrolledSlack = 4;

  Control& control_;
  // FLTK 1.3 keeps one undo buffer for all its inputs: only the edit the
  // user changed last has anything to undo.
  static EditControl* undoOwner_;
};

EditControl* EditControl::undoOwner_ = nullptr;

EditControl* AsEdit(const Control& control) { return static_cast<EditControl*>(WidgetOf(control)); }

}  // namespace

Fl_Widget* CreateEditWidget(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  auto* edit = new EditControl(rect, control);
  const FltkFont& font = control.dialog->native->font;
  edit->textfont(font.face);
  edit->textsize(font.size);
  edit->value(item.title.isOrdinal ? "" : item.title.name.c_str());
  return edit;
}

std::string BackendEditText(const Control& edit) {
  const EditControl* widget = AsEdit(edit);
  return std::string(widget->value(), static_cast<size_t>(widget->size()));
}

void BackendSetEditText(Control& edit, const std::string& text) { AsEdit(edit)->SetText(text); }

EditSelection BackendEditSelection(const Control& edit) {
  const EditControl* widget = AsEdit(edit);
  const int a = widget->position(), b = widget->mark();
  return {static_cast<size_t>(std::min(a, b)), static_cast<size_t>(std::max(a, b))};
}

size_t BackendEditCaret(const Control& edit) { return static_cast<size_t>(AsEdit(edit)->position()); }

void BackendSelectEdit(Control& edit, size_t anchor, size_t caret) {
  AsEdit(edit)->position(static_cast<int>(caret), static_cast<int>(anchor));
}

void BackendReplaceSelection(Control& edit, const std::string& text, bool pasted) {
  AsEdit(edit)->ReplaceSelection(text, pasted);
}

// Delivered as if typed, but without the modifiers the user may still
// hold: a Ctrl left down from Ctrl+V must not turn a taken-back keystroke
// into Ctrl+Backspace.
void BackendEditBackspace(Control& edit) {
  const int savedEvent = Fl::e_number, savedKeysym = Fl::e_keysym;
  const int savedOriginal = Fl::e_original_keysym, savedState = Fl::e_state;
  char* const savedText = Fl::e_text;
  const int savedLength = Fl::e_length;
  static char backspace[] = "\b";

  Fl::e_number = FL_KEYBOARD;
  Fl::e_keysym = Fl::e_original_keysym = FL_BackSpace;
  Fl::e_state &= ~(FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
  Fl::e_text = backspace;
  Fl::e_length = 1;
  AsEdit(edit)->handle(FL_KEYBOARD);

  Fl::e_number = savedEvent;
  Fl::e_keysym = savedKeysym;
  Fl::e_original_keysym = savedOriginal;
  Fl::e_state = savedState;
  Fl::e_text = savedText;
  Fl::e_length = savedLength;
}

double BackendTextWidth(const Control& edit, const char* text, size_t size) {
  const EditControl* widget = AsEdit(edit);
  fl_font(widget->textfont(), widget->textsize());
  return fl_width(text, static_cast<int>(size));
}

double BackendEditTextArea(const Control& edit) { return AsEdit(edit)->FormatWidth(); }
