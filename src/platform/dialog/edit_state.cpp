#include "edit_state.h"

#include <algorithm>

#include "edit_rule.h"

namespace {

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

size_t OnCharacter(const std::string& text, size_t at) {
  at = std::min(at, text.size());
  while (at > 0 && at < text.size() && IsContinuation(text[at])) at--;
  return at;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A word starts where a blank is followed by anything else.
bool StartsWord(const std::string& text, size_t at) { return at > 0 && IsBlank(text[at - 1]) && !IsBlank(text[at]); }

// USER32's undo buffer on a deletion of `deleted` from `start`: joined to
// a deletion just before or after it, else a new one.
void RememberDeletion(EditState& edit, size_t start, const std::string& deleted) {
  if (!edit.undoInsertCount && !edit.undoText.empty() && start == edit.undoPosition) {
    edit.undoText += deleted;
  } else if (!edit.undoInsertCount && !edit.undoText.empty() && start + deleted.size() == edit.undoPosition) {
    edit.undoText.insert(0, deleted);
    edit.undoPosition = start;
  } else {
    edit.undoText = deleted;
    edit.undoPosition = start;
  }
  edit.undoInsertCount = 0;  // any deletion makes the old insertion's undo invalid
}

// ... and on an insertion of `count` bytes at `start`: joined to one that
// it continues, else a new one, which forgets what was deleted before.
void RememberInsertion(EditState& edit, size_t start, size_t count) {
  if (start == edit.undoPosition || (edit.undoInsertCount && start == edit.undoPosition + edit.undoInsertCount)) {
    edit.undoInsertCount += count;
  } else {
    edit.undoPosition = start;
    edit.undoInsertCount = count;
    edit.undoText.clear();
  }
}

void EmptyUndo(EditState& edit) {
  edit.undoText.clear();
  edit.undoInsertCount = 0;
}

// The single-line branches of WM_KEYDOWN, then of WM_CHAR for the control
// characters a key makes (Ctrl+letter, Backspace). First match wins.
enum ShiftMatch { kUnshifted, kShifted, kEitherShift };
struct EditKey {
  int virtualKey;
  bool ctrl;
  ShiftMatch shift;
  EditCommand command;
};
const EditKey kEditKeys[] = {
    // Up and Down are Left and Right in a single line.
    {kVkLeft, false, kEitherShift, EditCommand::kCharLeft},
    {kVkUp, false, kEitherShift, EditCommand::kCharLeft},
    {kVkLeft, true, kEitherShift, EditCommand::kWordLeft},
    {kVkUp, true, kEitherShift, EditCommand::kWordLeft},
    {kVkRight, false, kEitherShift, EditCommand::kCharRight},
    {kVkDown, false, kEitherShift, EditCommand::kCharRight},
    {kVkRight, true, kEitherShift, EditCommand::kWordRight},
    {kVkDown, true, kEitherShift, EditCommand::kWordRight},
    {kVkHome, false, kEitherShift, EditCommand::kHome},
    {kVkHome, true, kEitherShift, EditCommand::kHome},
    {kVkEnd, false, kEitherShift, EditCommand::kEnd},
    {kVkEnd, true, kEitherShift, EditCommand::kEnd},
    {kVkDelete, false, kUnshifted, EditCommand::kDelete},
    {kVkDelete, false, kShifted, EditCommand::kCutOrDeleteBack},
    {kVkDelete, true, kUnshifted, EditCommand::kClearOrToEnd},
    {kVkDelete, true, kShifted, EditCommand::kNone},
    {kVkInsert, false, kShifted, EditCommand::kPaste},
    {kVkInsert, true, kShifted, EditCommand::kPaste},
    {kVkInsert, true, kUnshifted, EditCommand::kCopy},
    {'A', true, kEitherShift, EditCommand::kSelectAll},
    {kVkPrior, false, kEitherShift, EditCommand::kNone},  // pages of a single line
    {kVkNext, false, kEitherShift, EditCommand::kNone},
    // WM_CHAR: Backspace is 0x08 with or without Shift; with Ctrl it is
    // 0x7F, which the edit ignores.
    {kVkBack, false, kEitherShift, EditCommand::kBackspace},
    {kVkBack, true, kEitherShift, EditCommand::kNone},
    {'C', true, kEitherShift, EditCommand::kCopy},
    {'V', true, kEitherShift, EditCommand::kPaste},
    {'X', true, kEitherShift, EditCommand::kCut},
    {'Z', true, kEitherShift, EditCommand::kUndo},
};

}  // namespace

size_t SelectionStart(const EditState& edit) { return std::min(edit.anchor, edit.caret); }
size_t SelectionEnd(const EditState& edit) { return std::max(edit.anchor, edit.caret); }

std::string SelectedText(const EditState& edit) {
  return edit.text.substr(SelectionStart(edit), SelectionEnd(edit) - SelectionStart(edit));
}

void SelectEditRange(EditState& edit, size_t anchor, size_t caret) {
  edit.anchor = OnCharacter(edit.text, anchor);
  edit.caret = OnCharacter(edit.text, caret);
}

bool ReplaceEditSelection(EditState& edit, const std::string& inserted, bool canUndo) {
  const size_t start = SelectionStart(edit), end = SelectionEnd(edit);
  if (start == end && inserted.empty()) return false;
  if (!canUndo) EmptyUndo(edit);
  if (start != end) {
    const std::string deleted = edit.text.substr(start, end - start);
    edit.text.erase(start, end - start);
    if (canUndo) RememberDeletion(edit, start, deleted);
  }
  if (!inserted.empty()) {
    edit.text.insert(start, inserted);
    if (canUndo) RememberInsertion(edit, start, inserted.size());
  }
  edit.anchor = edit.caret = start + inserted.size();
  return true;
}

// As USER32: select what the last change put in, forget the buffer, put
// back what it took out (which becomes the new undo), and select that.
// With nothing to undo, that leaves the caret where the last change was.
bool UndoEdit(EditState& edit) {
  const std::string restored = edit.undoText;
  SelectEditRange(edit, edit.undoPosition, edit.undoPosition + edit.undoInsertCount);
  EmptyUndo(edit);
  const bool changed = ReplaceEditSelection(edit, restored, true);
  SelectEditRange(edit, edit.undoPosition, edit.undoPosition + edit.undoInsertCount);
  return changed;
}

bool CanUndoEdit(const EditState& edit) { return edit.undoInsertCount || !edit.undoText.empty(); }

size_t CharacterBefore(const std::string& text, size_t at) {
  if (at == 0) return 0;
  return OnCharacter(text, at - 1);
}

size_t CharacterAfter(const std::string& text, size_t at) {
  if (at >= text.size()) return text.size();
  const int length = Utf8SequenceLength(text.c_str() + at, text.c_str() + text.size());
  return at + static_cast<size_t>(length > 0 ? length : 1);
}

size_t WordStartBefore(const std::string& text, size_t at) {
  if (at > 0) at--;
  while (at > 0 && !StartsWord(text, at)) at--;
  return at;
}

// The search starts past the caret's own character, as USER32's does.
size_t WordStartAfter(const std::string& text, size_t at) {
  if (at < text.size()) at++;
  while (at < text.size() && !StartsWord(text, at)) at++;
  return at;
}

bool EditCommandForKey(int virtualKey, int modifiers, EditCommand* command) {
  if (modifiers & kEditAlt) return false;  // the menu's keys, not the edit's
  const bool ctrl = (modifiers & kEditCtrl) != 0;
  const ShiftMatch shift = (modifiers & kEditShift) ? kShifted : kUnshifted;
  for (const EditKey& key : kEditKeys) {
    if (key.virtualKey != virtualKey || key.ctrl != ctrl) continue;
    if (key.shift != kEitherShift && key.shift != shift) continue;
    *command = key.command;
    return true;
  }
  return false;
}

bool MovesCaret(EditCommand command) {
  return command >= EditCommand::kCharLeft && command <= EditCommand::kEnd;
}
