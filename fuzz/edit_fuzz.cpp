// The edit control under libFuzzer: any field, then any run of insertions
// of any bytes, keys with any modifiers, selections and undos, through the
// dialog manager's own edit code over a backend that only measures.
// After each step: the selection is within the text, on whole characters;
// the text is whole UTF-8 with no NUL and no LF, and fits the field; an
// insertion kept the longest part of what was brought that fits; and undo
// swaps two states back and forth.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "backend.h"
#include "edit_rule.h"

namespace {

double fieldArea = 0;
std::string clipboard;

// Widths that differ by character, as a proportional font's do.
double Width(const char* text, size_t size) {
  double width = 0;
  for (size_t i = 0; i < size; i++) width += 1 + (static_cast<unsigned char>(text[i]) % 7);
  return width;
}
double Width(const std::string& text) { return Width(text.data(), text.size()); }

void Require(bool holds) {
  if (!holds) std::abort();
}

bool IsWholeUtf8(const std::string& text) {
  for (const char* p = text.c_str(); p < text.c_str() + text.size();) {
    const int length = Utf8SequenceLength(p, text.c_str() + text.size());
    if (length <= 0) return false;
    p += length;
  }
  return true;
}

bool OnCharacter(const std::string& text, size_t at) {
  return at <= text.size() && (at == text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80);
}

bool ByWidth(const Control& edit) { return !(edit.style & ES_AUTOHSCROLL); }

void RequireSound(const Control& edit) {
  const EditState& s = edit.edit;
  Require(OnCharacter(s.text, s.anchor) && OnCharacter(s.text, s.caret));
  Require(s.text.find_first_of(std::string("\0\n", 2)) == std::string::npos && IsWholeUtf8(s.text));
  if (ByWidth(edit)) Require(Width(s.text) <= fieldArea);
}

// What `bytes` bring with no limit, character by character up to the
// first NUL or line break: each goes into an empty field on its own.
std::string Unlimited(const Control& edit, const std::string& bytes) {
  EditField empty;
  empty.style = (edit.style & ES_UPPERCASE) | ES_AUTOHSCROLL;
  std::string all;
  for (size_t at = 0; at < bytes.size();) {
    if (bytes[at] == '\0' || bytes[at] == '\n' || bytes.compare(at, 2, "\r\n") == 0) break;
    const int length = Utf8SequenceLength(bytes.c_str() + at, bytes.c_str() + bytes.size());
    const size_t size = length > 0 ? static_cast<size_t>(length) : 1;
    const std::string character = FitEditInsertion(empty, bytes.data() + at, size).text;
    Require(!character.empty());
    all += character;
    at += size;
  }
  return all;
}

void InsertChecked(Control& edit, const std::string& bytes) {
  const std::string before = edit.edit.text;
  const size_t start = SelectionStart(edit.edit), end = SelectionEnd(edit.edit);
  const std::string rest = before.substr(0, start) + before.substr(end);
  const std::string all = Unlimited(edit, bytes);
  InsertIntoEdit(edit, bytes);
  const std::string& after = edit.edit.text;
  const std::string kept = after.substr(start, after.size() - rest.size());
  Require(after.size() >= rest.size() && all.compare(0, kept.size(), kept) == 0);
  if (!ByWidth(edit)) return Require(kept == all);
  Require(Width(rest) + Width(kept) <= fieldArea);
  if (kept.size() == all.size()) return;
  const int next = Utf8SequenceLength(all.c_str() + kept.size(), all.c_str() + all.size());
  Require(Width(rest) + Width(kept) + Width(all.data() + kept.size(), static_cast<size_t>(next)) > fieldArea);
}

// Undo twice gives back the text; after one undo, two more give back the
// same text and selection.
void RequireUndoSwaps(Control& edit) {
  const EditState held = edit.edit;
  RunEditCommand(edit, EditCommand::kUndo);
  const EditState once = edit.edit;
  RunEditCommand(edit, EditCommand::kUndo);
  Require(edit.edit.text == held.text);
  RunEditCommand(edit, EditCommand::kUndo);
  Require(edit.edit.text == once.text && edit.edit.caret == once.caret && edit.edit.anchor == once.anchor);
  edit.edit = held;
}

const int kKeys[] = {kVkBack, kVkDelete, kVkInsert, kVkHome, kVkEnd, kVkLeft, kVkRight,
                     kVkUp,   kVkDown,   kVkPrior,  'A',     'C',    'V',    'X', 'Z'};

class Steps {
 public:
  Steps(const uint8_t* data, size_t size) : next_(data), end_(data + size) {}
  bool More() const { return next_ < end_; }
  unsigned Byte() { return next_ < end_ ? *next_++ : 0; }
  std::string Bytes(size_t count) {
    std::string bytes;
    while (count-- && next_ < end_) bytes += static_cast<char>(*next_++);
    return bytes;
  }

 private:
  const uint8_t* next_;
  const uint8_t* end_;
};

void Step(Control& edit, Steps& steps) {
  const size_t size = edit.edit.text.size() + 1;
  switch (steps.Byte() % 5) {
    case 0: InsertChecked(edit, steps.Bytes(steps.Byte() % 16)); break;
    case 1: {
      const int key = kKeys[steps.Byte() % (sizeof kKeys / sizeof *kKeys)];
      EditKeyDown(edit, key, static_cast<int>(steps.Byte() % 8), "");
      break;
    }
    case 2: {
      const size_t anchor = steps.Byte() % size;
      SetEditCaret(edit, {steps.Byte() % size, anchor});
      break;
    }
    case 3: EditKeyDown(edit, 0, static_cast<int>(steps.Byte() % 8), steps.Bytes(1 + steps.Byte() % 4)); break;
    default: RequireUndoSwaps(edit); break;
  }
}

}  // namespace

// The first two bytes set the field up: its style, and its width.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  Control edit{};
  edit.style = (data[0] & 1 ? ES_UPPERCASE : 0) | (data[0] & 2 ? ES_AUTOHSCROLL : 0);
  fieldArea = data[1] * 2;
  clipboard.clear();
  Steps steps(data + 2, size - 2);
  while (steps.More()) {
    Step(edit, steps);
    RequireSound(edit);
  }
  return 0;
}

// The backend and the manager's services the edit code calls: a field of
// fieldArea pixels, a clipboard in memory, no dialog to notify.
void SendCommand(const Control&, WORD) {}
void DeliverInjectedKeys() {}
void BackendShowEdit(Control&) {}
void BackendTextChanged(const Control&) {}
void BackendCopyText(const Control&, const std::string& text) { clipboard = text; }
void BackendPasteInto(Control& edit) { InsertChecked(edit, clipboard); }
bool BackendClipboardMayHoldText() { return !clipboard.empty(); }
void BackendActivateDialog(HWND) {}
void BackendFocus(Control&) {}
double BackendTextWidth(const Control&, const char* text, size_t size) { return Width(text, size); }
double BackendEditTextArea(const Control&) { return fieldArea; }
