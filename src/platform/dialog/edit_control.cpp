// The EDIT control: its state is the manager's (edit_state.h), every change
// to it goes through here, by USER32's rules, and is then drawn by the
// backend and notified as USER32's edit.c notifies it. The backend only
// reports keys, clicks, the clipboard's text and an input method's text.
#include "backend.h"
#include "dialog_manager.h"
#include "edit_rule.h"

namespace {

double MeasureInEdit(const void* edit, const char* text, size_t size) {
  return BackendTextWidth(*static_cast<const Control*>(edit), text, size);
}

EditField FieldOf(const Control& edit) {
  EditField field;
  field.text = edit.edit.text;
  field.selectionStart = SelectionStart(edit.edit);
  field.selectionEnd = SelectionEnd(edit.edit);
  field.style = edit.style;
  if (!(edit.style & ES_AUTOHSCROLL)) {
    field.textArea = BackendEditTextArea(edit);
    field.measure = {MeasureInEdit, &edit};
  }
  return field;
}

// A cut insertion says EN_MAXTEXT once the text is in, before its EN_UPDATE.
void NotifyChange(Control& edit, bool cut = false) {
  BackendShowEdit(edit);
  if (cut) SendCommand(edit, EN_MAXTEXT);
  BackendTextChanged(edit);
  SendCommand(edit, EN_UPDATE);
  SendCommand(edit, EN_CHANGE);
}

void Select(Control& edit, size_t anchor, size_t caret) {
  SelectEditRange(edit.edit, anchor, caret);
  BackendShowEdit(edit);
}

void Clear(Control& edit) {
  if (ReplaceEditSelection(edit.edit, std::string(), true)) NotifyChange(edit);
}

// Backspace and Delete without a selection select the character first.
void DeleteFromCaret(Control& edit, size_t to) {
  if (edit.edit.anchor == edit.edit.caret) SelectEditRange(edit.edit, edit.edit.caret, to);
  Clear(edit);
}

void Cut(Control& edit) {
  if (edit.edit.anchor == edit.edit.caret) return;
  BackendCopyText(edit, SelectedText(edit.edit));
  Clear(edit);
}

// A caret key: the selection's anchor stays where it is with Shift.
void MoveCaret(Control& edit, EditCommand command, bool extend) {
  const std::string& text = edit.edit.text;
  const size_t from = edit.edit.caret;
  size_t to = from;
  switch (command) {
    case EditCommand::kCharLeft: to = CharacterBefore(text, from); break;
    case EditCommand::kCharRight: to = CharacterAfter(text, from); break;
    case EditCommand::kWordLeft: to = WordStartBefore(text, from); break;
    case EditCommand::kWordRight: to = WordStartAfter(text, from); break;
    case EditCommand::kHome: to = 0; break;
    case EditCommand::kEnd: to = text.size(); break;
    default: break;
  }
  Select(edit, extend ? edit.edit.anchor : to, to);
}

void Undo(Control& edit) {
  if (UndoEdit(edit.edit)) NotifyChange(edit);
  else BackendShowEdit(edit);
  SendCommand(edit, EN_CHANGE);  // EM_UNDO's own, once the selection is set
}

// Ctrl+A tells the dialog, though the text is the same.
void SelectAll(Control& edit) {
  const EditCaret before = EditCaretOf(edit);
  Select(edit, 0, edit.edit.text.size());
  if (before.anchor == 0 && before.caret == edit.edit.text.size()) return;
  SendCommand(edit, EN_UPDATE);
  SendCommand(edit, EN_CHANGE);
}

}  // namespace

void InsertIntoEdit(Control& edit, const std::string& text) {
  const EditInsertion insertion = FitEditInsertion(FieldOf(edit), text.data(), text.size());
  const bool changed = ReplaceEditSelection(edit.edit, insertion.text, true);
  // A cut insertion that changed nothing is notified all the same.
  if (changed || insertion.cut) NotifyChange(edit, insertion.cut);
}

bool EditKeyDown(Control& edit, int virtualKey, int modifiers, const std::string& typed) {
  EditCommand command;
  if (EditCommandForKey(virtualKey, modifiers, &command)) {
    RunEditCommand(edit, command, (modifiers & kEditShift) != 0);
    return true;
  }
  // A character, not a shortcut: Ctrl and Alt make none of ASCII's.
  if (typed.empty()) return false;
  const unsigned char first = static_cast<unsigned char>(typed[0]);
  if ((modifiers & (kEditCtrl | kEditAlt)) && first < 0x80) return false;
  if (first < 0x20 || first == 0x7F) return false;
  InsertIntoEdit(edit, typed);
  return true;
}

void RunEditCommand(Control& edit, EditCommand command, bool extend) {
  const std::string& text = edit.edit.text;
  const size_t caret = edit.edit.caret;
  const bool selection = edit.edit.anchor != caret;
  if (MovesCaret(command)) return MoveCaret(edit, command, extend);
  switch (command) {
    case EditCommand::kBackspace: return DeleteFromCaret(edit, CharacterBefore(text, caret));
    case EditCommand::kDelete: return DeleteFromCaret(edit, CharacterAfter(text, caret));
    case EditCommand::kCutOrDeleteBack:
      return selection ? Cut(edit) : DeleteFromCaret(edit, CharacterBefore(text, caret));
    case EditCommand::kClearOrToEnd: return DeleteFromCaret(edit, text.size());
    case EditCommand::kCut: return Cut(edit);
    case EditCommand::kCopy:
      if (selection) BackendCopyText(edit, SelectedText(edit.edit));
      return;
    case EditCommand::kPaste: return BackendPasteInto(edit);
    case EditCommand::kClear: return Clear(edit);
    case EditCommand::kUndo: return Undo(edit);
    case EditCommand::kSelectAll: return SelectAll(edit);
    default: return;
  }
}

bool CanRunEditCommand(const Control& edit, EditCommand command) {
  const size_t start = SelectionStart(edit.edit), end = SelectionEnd(edit.edit);
  switch (command) {
    case EditCommand::kUndo: return CanUndoEdit(edit.edit);
    case EditCommand::kCut:
    case EditCommand::kCopy:
    case EditCommand::kClear: return start != end;
    case EditCommand::kPaste: return BackendClipboardMayHoldText();
    case EditCommand::kSelectAll: return start != 0 || end != edit.edit.text.size();
    default: return true;
  }
}

// WM_SETTEXT: whatever it is given, the undo buffer emptied, the caret at
// the start.
void SetEditText(Control& edit, const std::string& text) {
  SelectEditRange(edit.edit, 0, edit.edit.text.size());
  ReplaceEditSelection(edit.edit, text, false);
  SelectEditRange(edit.edit, 0, 0);
  NotifyChange(edit);
}

EditCaret EditCaretOf(const Control& edit) { return {edit.edit.caret, edit.edit.anchor}; }

void SetEditCaret(Control& edit, EditCaret caret) { Select(edit, caret.anchor, caret.caret); }

void PasteIntoEdit(Control& edit, size_t from, size_t to, const std::string& text) {
  BackendActivateDialog(edit.dialog);
  BackendFocus(edit);
  SelectEditRange(edit.edit, from, to);
  InsertIntoEdit(edit, text);
  DeliverInjectedKeys();  // as after any input event
}

void ClickButton(Control& button) { SendCommand(button, BN_CLICKED); }
