// The EDIT control: a single-line Fl_Input that tells its dialog of every
// change of its text before the change is drawn.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>

#include <string>

#include "dialog.h"

namespace {

class EditControl : public Fl_Input {
 public:
  EditControl(const PixelRect& r, Control& control)
      : Fl_Input(r.x, r.y, r.w, r.h), control_(control) {
    // Fl_Input's default, FL_WHEN_RELEASE, also fires on losing the focus.
    when(FL_WHEN_CHANGED);
    callback(TextChanged, &control);
    box(FL_DOWN_BOX);
  }

  int handle(int event) override {
    if (event == FL_FOCUS && RefusesKeyboardFocus(control_)) return 0;
    const bool capitals = (control_.style & ES_UPPERCASE) && (event == FL_KEYBOARD || event == FL_PASTE);
    int used = capitals ? HandleInCapitals(event) : Fl_Input::handle(event);
    // A single-line edit keeps its arrow keys; FLTK would move the focus
    // to the next field at either end of the text.
    if (event == FL_KEYBOARD && IsArrowKey(Fl::event_key())) used = 1;
    DeliverInjectedKeys();
    return used;
  }

 private:
  static bool IsArrowKey(int key) {
    return key == FL_Left || key == FL_Right || key == FL_Up || key == FL_Down;
  }

  // Typed and pasted text in capitals. A copy: during a paste the event text
  // may be FLTK's own clipboard buffer.
  int HandleInCapitals(int event) {
    std::string capitals(Fl::event_text() ? Fl::event_text() : "", Fl::event_length());
    for (char& c : capitals)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char* original = Fl::e_text;
    Fl::e_text = capitals.data();
    const int used = Fl_Input::handle(event);
    Fl::e_text = original;
    return used;
  }

  static void TextChanged(Fl_Widget*, void* control) {
    ControlTextChanged(*static_cast<Control*>(control));
  }

  Control& control_;
};

EditControl* AsEdit(const Control& control) { return static_cast<EditControl*>(control.widget); }

Fl_Widget* CreateEdit(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  auto* edit = new EditControl(rect, control);
  const DialogFont& font = control.dialog->font;
  edit->textfont(font.face);
  edit->textsize(font.size);
  edit->value(item.title.isOrdinal ? "" : item.title.name.c_str());
  return edit;
}

void SetEditText(Control& control, const char* text) {
  std::string value(text);
  if (control.style & ES_UPPERCASE)
    for (char& c : value)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  AsEdit(control)->value(value.c_str());
  AsEdit(control)->position(0);  // WM_SETTEXT leaves the caret at the start
}

const char* EditText(const Control& control) { return AsEdit(control)->value(); }

void SelectAllText(Control& control) {
  EditControl* edit = AsEdit(control);
  edit->position(edit->size(), 0);
}

}  // namespace

const ControlKind kEditKind = {"EDIT", CreateEdit, SetEditText, EditText, SelectAllText, true};
