// The EDIT control: a single-line Fl_Input that tells its dialog of every
// change of its text before the change is drawn.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/fl_utf8.h>

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
    const bool insertsText = event == FL_KEYBOARD || event == FL_PASTE;
    int used = insertsText ? HandleText(event) : Fl_Input::handle(event);
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

  // The event text as FLTK may safely take it: Fl_Input_::replace() walks a
  // text by the lengths its UTF-8 lead bytes announce, and copies past the
  // end of one that stops inside a sequence (a paste may be any bytes).
  // A byte that starts no whole sequence stands for its CP1252 character,
  // as fl_utf8decode() reads it. ES_UPPERCASE turns letters into capitals;
  // always a copy, since during a paste the event text may be FLTK's own
  // clipboard buffer.
  std::string EventTextForInput() const {
    const char* text = Fl::event_text() ? Fl::event_text() : "";
    const char* const end = text + Fl::event_length();
    const bool capitals = control_.style & ES_UPPERCASE;
    std::string wellFormed;
    while (text < end) {
      int length = 1;
      unsigned character = fl_utf8decode(text, end, &length);
      if (capitals && character >= 'a' && character <= 'z') character -= 'a' - 'A';
      char encoded[8];
      wellFormed.append(encoded, fl_utf8encode(character, encoded));
      text += length;
    }
    return wellFormed;
  }

  int HandleText(int event) {
    std::string text = EventTextForInput();
    char* const original = Fl::e_text;
    const int originalLength = Fl::e_length;
    Fl::e_text = text.data();
    Fl::e_length = static_cast<int>(text.size());
    const int used = Fl_Input::handle(event);
    Fl::e_text = original;
    Fl::e_length = originalLength;
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
