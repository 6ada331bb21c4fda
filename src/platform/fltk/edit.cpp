// The EDIT control: a single-line Fl_Input that tells its dialog of every
// change of its text before the change is drawn.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

#include <string>

#include "dialog.h"
#include "edit_menu.h"
#include "system_colors.h"

namespace {

// USER32's text limit for a single-line edit that scrolls (EM_LIMITTEXT's
// default).
const int kScrollingTextLimit = 32767;

// What an insertion may still add: pixels of the text area without
// ES_AUTOHSCROLL, characters with it.
class Room {
 public:
  Room(bool byWidth, double left) : byWidth_(byWidth), left_(left) {}

  bool Take(const char* character, int size) {
    const double needed = byWidth_ ? fl_width(character, size) : 1;
    if (needed > left_) return false;
    left_ -= needed;
    return true;
  }

  double left() const { return left_; }

 private:
  bool byWidth_;
  double left_;
};

// Walks [text, end) a character at a time while each fits `room`; returns
// false at the first that does not.
bool TakeRoom(Room& room, const char* text, const char* end) {
  while (text < end) {
    const int announced = fl_utf8len1(*text);
    const int size = announced > 0 && announced <= end - text ? announced : 1;
    if (!room.Take(text, size)) return false;
    text += size;
  }
  return true;
}

struct Insertion {
  std::string text;
  bool cut = false;  // the event brought more than fitted
};

class EditControl : public Fl_Input {
 public:
  EditControl(const PixelRect& r, Control& control)
      : Fl_Input(r.x, r.y, r.w, r.h), control_(control) {
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
    else if (event == FL_KEYBOARD || event == FL_PASTE) used = HandleText(event);
    else used = Fl_Input::handle(event);
    // A single-line edit keeps its arrow keys; FLTK would move the focus
    // to the next field at either end of the text.
    if (event == FL_KEYBOARD && IsArrowKey(Fl::event_key())) used = 1;
    DeliverInjectedKeys();
    return used;
  }

  // WM_SETTEXT empties the undo buffer.
  void SetText(const char* text) {
    value(text);
    position(0);  // WM_SETTEXT leaves the caret at the start
    if (undoOwner_ == this) undoOwner_ = nullptr;
  }

 private:
  static bool IsArrowKey(int key) {
    return key == FL_Left || key == FL_Right || key == FL_Up || key == FL_Down;
  }

  static bool IsLineBreak(const char* text, const char* end) {
    return *text == '\n' || (*text == '\r' && text + 1 < end && text[1] == '\n');
  }

  // As Fl::compose() decides: a key that types its text, not a shortcut.
  static bool TypesCharacter() {
    if (Fl::event_length() <= 0) return false;
    const unsigned char first = static_cast<unsigned char>(Fl::event_text()[0]);
    if ((Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) && first < 0x80) return false;
    return first >= 0x20 && first != 0x7F;
  }

  // A right click opens the menu where it is let go, Shift+F10 and the
  // Menu key at the caret. The right button neither moves the caret nor
  // drags a selection.
  static bool OpensContextMenu(int event) {
    if (event == FL_PUSH || event == FL_RELEASE) return Fl::event_button() == FL_RIGHT_MOUSE;
    if (event == FL_DRAG) return Fl::event_state(FL_BUTTON3) != 0;
    if (event != FL_KEYBOARD) return false;
    const int modifiers = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
    return (Fl::event_key() == FL_F + 10 && modifiers == FL_SHIFT) ||
           (Fl::event_key() == FL_Menu && !modifiers);
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

  int TextLeft() const { return x() + Fl::box_dx(box()) + kEditTextIndent; }

  int CaretX() {
    fl_font(textfont(), textsize());
    Room room(true, FormatWidth());
    TakeRoom(room, value(), value() + position());
    return TextLeft() + static_cast<int>(FormatWidth() - room.left());
  }

  // The text area: as wide as a text can grow before FLTK scrolls it.
  double FormatWidth() const { return w() - Fl::box_dw(box()) - kUnscrolledSlack; }

  // What the text left after the selection is removed leaves for an
  // insertion. Measured only as far as the limit: a text that
  // SetDlgItemTextA made longer costs no more.
  Room RoomForInsertion() const {
    const char* const text = value();
    const int start = position() < mark() ? position() : mark();
    const int end = position() < mark() ? mark() : position();
    const bool byWidth = !(control_.style & ES_AUTOHSCROLL);
    Room room(byWidth, byWidth ? FormatWidth() : kScrollingTextLimit);
    if (!TakeRoom(room, text, text + start) || !TakeRoom(room, text + end, text + size()))
      return Room(byWidth, 0);
    return room;
  }

  // The event text as it may go in. Whole UTF-8 sequences only:
  // Fl_Input_::replace() walks a text by the lengths its UTF-8 lead bytes
  // announce, and copies past the end of one that stops inside a sequence
  // (a paste may be any bytes). A byte that starts no whole sequence stands
  // for its CP1252 character, as fl_utf8decode() reads it. ES_UPPERCASE
  // turns letters into capitals; always a copy, since during a paste the
  // event text may be FLTK's own clipboard buffer. A paste ends at its
  // first line break, as in USER32's single-line edit. And no more than
  // fits, read only as far as that, however long the paste.
  Insertion FittedEventText(int event) const {
    const bool pastes = event == FL_PASTE;
    const bool inserts = pastes || TypesCharacter();
    const char* text = Fl::event_text() ? Fl::event_text() : "";
    const char* const end = text + Fl::event_length();
    const bool capitals = control_.style & ES_UPPERCASE;
    fl_font(textfont(), textsize());
    Room room = inserts ? RoomForInsertion() : Room(false, kScrollingTextLimit);
    Insertion insertion;
    while (text < end) {
      int length = 1;
      unsigned character = fl_utf8decode(text, end, &length);
      if (pastes && IsLineBreak(text, end)) break;
      if (capitals && character >= 'a' && character <= 'z') character -= 'a' - 'A';
      char encoded[8];
      const int size = fl_utf8encode(character, encoded);
      if (!room.Take(encoded, size)) {
        insertion.cut = true;
        break;
      }
      insertion.text.append(encoded, size);
      text += length;
    }
    return insertion;
  }

  int HandleText(int event) {
    const Insertion insertion = FittedEventText(event);
    maxTextPending_ = insertion.cut;
    int used = 1;
    if (insertion.cut && insertion.text.empty()) replace(position(), mark(), nullptr, 0);
    else used = HandleWithEventText(event, insertion.text);
    // Nothing changed, yet USER32 notifies all the same.
    if (SendPendingMaxText()) ControlTextChanged(control_);
    return used;
  }

  int HandleWithEventText(int event, const std::string& text) {
    // Not through Fl_Input, which drops a paste's trailing blanks and
    // ignores an empty one: USER32 inserts the blanks, and an empty paste
    // still deletes the selection.
    if (event == FL_PASTE) {
      replace(position(), mark(), text.data(), static_cast<int>(text.size()));
      return 1;
    }
    char* const original = Fl::e_text;
    const int originalLength = Fl::e_length;
    Fl::e_text = const_cast<char*>(text.c_str());
    Fl::e_length = static_cast<int>(text.size());
    const int used = Fl_Input::handle(event);
    Fl::e_text = original;
    Fl::e_length = originalLength;
    return used;
  }

  // EN_MAXTEXT once per cut insertion, before the EN_UPDATE of what was kept.
  bool SendPendingMaxText() {
    if (!maxTextPending_) return false;
    maxTextPending_ = false;
    SendCommand(control_, EN_MAXTEXT);
    return true;
  }

  static void TextChanged(Fl_Widget*, void* widget) {
    auto* edit = static_cast<EditControl*>(widget);
    undoOwner_ = edit;
    edit->SendPendingMaxText();
    ControlTextChanged(edit->control_);
  }

  // FLTK scrolls the text once it is wider than the inside of the frame
  // less 4 pixels.
  static const int kUnscrolledSlack = 4;

  Control& control_;
  // FLTK 1.3 keeps one undo buffer for all its inputs: only the edit the
  // user changed last has anything to undo.
  static EditControl* undoOwner_;
  bool maxTextPending_ = false;
};

EditControl* EditControl::undoOwner_ = nullptr;

EditControl* AsEdit(const Control& control) { return static_cast<EditControl*>(control.widget); }

Fl_Widget* CreateEdit(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  auto* edit = new EditControl(rect, control);
  const DialogFont& font = control.dialog->font;
  edit->textfont(font.face);
  edit->textsize(font.size);
  edit->value(item.title.isOrdinal ? "" : item.title.name.c_str());
  return edit;
}

// Not cut to the width: WM_SETTEXT sets whatever it is given.
void SetEditText(Control& control, const char* text) {
  std::string value(text);
  if (control.style & ES_UPPERCASE)
    for (char& c : value)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  AsEdit(control)->SetText(value.c_str());
}

const char* EditText(const Control& control) { return AsEdit(control)->value(); }

void SelectAllText(Control& control) {
  EditControl* edit = AsEdit(control);
  edit->position(edit->size(), 0);
}

}  // namespace

const ControlKind kEditKind = {"EDIT", CreateEdit, SetEditText, EditText, SelectAllText, true};
