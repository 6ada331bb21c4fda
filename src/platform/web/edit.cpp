// The EDIT control: an <input> whose insertions are decided here, so that
// what may go in is the same as in the Linux build: capitals for
// ES_UPPERCASE, a paste up to its first line break, and without
// ES_AUTOHSCROLL no more than the field's width shows. The browser then
// inserts it as typed text (its undo keeps it) and the input event that
// follows, like every other change of the text, notifies the dialog.
#include <string>

#include "dialog.h"
#include "page.h"

namespace {

// USER32's text limit for a single-line edit that scrolls (EM_LIMITTEXT's
// default).
const int kScrollingTextLimit = 32767;

// The caret needs a pixel of its own at the end of a full field, or the
// browser scrolls the text.
const double kCaretWidth = 1;

// Bytes in the UTF-8 character at `text`, as far as `end`. A byte that
// starts no whole character counts alone.
int CharacterSize(const char* text, const char* end) {
  const unsigned char lead = static_cast<unsigned char>(*text);
  const int size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (size > end - text) return 1;
  for (int i = 1; i < size; i++)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  return size;
}

// What an insertion may still add: pixels of the text area without
// ES_AUTOHSCROLL, characters with it.
class Room {
 public:
  Room(int element, bool byWidth, double left) : element_(element), byWidth_(byWidth), left_(left) {}

  bool Take(const char* character, int size) {
    const double needed = byWidth_ ? page_text_width(element_, character, size) : 1;
    if (needed > left_) return false;
    left_ -= needed;
    return true;
  }

  // Walks [text, end) a character at a time while each fits.
  bool TakeAll(const char* text, const char* end) {
    while (text < end) {
      const int size = CharacterSize(text, end);
      if (!Take(text, size)) return false;
      text += size;
    }
    return true;
  }

 private:
  int element_;
  bool byWidth_;
  double left_;
};

struct Insertion {
  std::string text;
  bool cut = false;  // the event brought more than fitted
};

const char* EditText(Control& control) {
  const int length = page_text_length(control.element);
  control.text.assign(length, '\0');
  page_get_text(control.element, &control.text[0], length + 1);
  return control.text.c_str();
}

// What the text left after the selection is removed leaves for an
// insertion. Measured only as far as the limit: a text that
// SetDlgItemTextA made longer costs no more.
Room RoomForInsertion(Control& control) {
  const std::string text = EditText(control);
  int selection[2];
  page_get_selection(control.element, selection);
  const bool byWidth = !(control.style & ES_AUTOHSCROLL);
  const double width = byWidth ? page_content_width(control.element) - kCaretWidth : kScrollingTextLimit;
  Room room(control.element, byWidth, width);
  const char* const start = text.c_str();
  if (!room.TakeAll(start, start + selection[0]) || !room.TakeAll(start + selection[1], start + text.size()))
    return Room(control.element, byWidth, 0);
  return room;
}

bool IsLineBreak(const char* text, const char* end) {
  return *text == '\n' || (*text == '\r' && text + 1 < end && text[1] == '\n');
}

// The text as it may go in: whole characters, capitals for ES_UPPERCASE,
// and no more than fits, read only as far as that, however long the paste.
Insertion FittedText(Control& control, const std::string& wanted, bool pasted) {
  const bool capitals = control.style & ES_UPPERCASE;
  Room room = RoomForInsertion(control);
  Insertion insertion;
  const char* text = wanted.c_str();
  const char* const end = text + wanted.size();
  while (text < end) {
    // A NUL ends a text, as on the Windows clipboard; a paste ends at its
    // first line break, as in USER32's single-line edit.
    if (*text == '\0' || (pasted && IsLineBreak(text, end))) break;
    const int size = CharacterSize(text, end);
    std::string character(text, size);
    if (capitals && size == 1 && character[0] >= 'a' && character[0] <= 'z') character[0] -= 'a' - 'A';
    if (!room.Take(character.data(), size)) {
      insertion.cut = true;
      break;
    }
    insertion.text += character;
    text += size;
  }
  return insertion;
}

bool HasSelection(const Control& control) {
  int selection[2];
  page_get_selection(control.element, selection);
  return selection[0] != selection[1];
}

// EN_MAXTEXT once per cut insertion, before the EN_UPDATE of what was kept.
bool SendPendingMaxText(Control& control) {
  if (!control.maxTextPending) return false;
  control.maxTextPending = false;
  SendCommand(control, EN_MAXTEXT);
  return true;
}

int CreateEdit(Control& control, const DialogItemTemplate& item, const PixelRect& r) {
  const int element = page_create_element(control.dialog->element, kPageEdit, control.id, r.x, r.y, r.w, r.h,
                                          (control.style & WS_TABSTOP) ? "tabstop" : "");
  page_set_text(element, item.title.isOrdinal ? "" : item.title.name.c_str());
  return element;
}

// Not cut to the width: WM_SETTEXT sets whatever it is given, and leaves
// the caret at the start.
void SetEditText(Control& control, const char* text) {
  std::string value(text);
  if (control.style & ES_UPPERCASE)
    for (char& c : value)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  page_set_text(control.element, value.c_str());
}

}  // namespace

void InsertIntoEdit(Control& edit, const std::string& text, bool pasted) {
  const Insertion insertion = FittedText(edit, text, pasted);
  edit.maxTextPending = insertion.cut;
  if (!insertion.text.empty() || HasSelection(edit)) {
    page_edit_insert(edit.element, insertion.text.c_str());
  } else if (SendPendingMaxText(edit)) {
    ControlTextChanged(edit);  // nothing changed, yet USER32 notifies all the same
  }
}

void EditTextChanged(Control& edit) {
  SendPendingMaxText(edit);
  ControlTextChanged(edit);
}

const ControlKind kEditKind = {"EDIT", CreateEdit, SetEditText, EditText, true};
