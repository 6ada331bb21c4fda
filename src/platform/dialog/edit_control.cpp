// The EDIT control's rules around the backend's widget: what an insertion
// puts in, and the notifications of every change, as USER32's edit.c
// sends them.
#include "backend.h"
#include "dialog_manager.h"
#include "edit_rule.h"

namespace {

double MeasureInEdit(const void* edit, const char* text, size_t size) {
  return BackendTextWidth(*static_cast<const Control*>(edit), text, size);
}

EditField FieldOf(const Control& edit) {
  EditField field;
  field.text = BackendEditText(edit);
  const EditSelection selection = BackendEditSelection(edit);
  field.selectionStart = selection.start;
  field.selectionEnd = selection.end;
  field.style = edit.style;
  if (!(edit.style & ES_AUTOHSCROLL)) {
    field.textArea = BackendEditTextArea(edit);
    field.measure = {MeasureInEdit, &edit};
  }
  return field;
}

// EN_MAXTEXT once per cut insertion, before the EN_UPDATE of what was kept.
bool SendPendingMaxText(Control& edit) {
  if (!edit.maxTextPending) return false;
  edit.maxTextPending = false;
  SendCommand(edit, EN_MAXTEXT);
  return true;
}

void NotifyChange(Control& edit) {
  BackendTextChanged(edit);
  SendCommand(edit, EN_UPDATE);
  SendCommand(edit, EN_CHANGE);
}

}  // namespace

void InsertIntoEdit(Control& edit, const std::string& text, bool pasted) {
  const EditField field = FieldOf(edit);
  const EditInsertion insertion = FitEditInsertion(field, text.data(), text.size());
  edit.maxTextPending = insertion.cut;
  // An empty paste still deletes the selection.
  if (!insertion.text.empty() || field.selectionStart != field.selectionEnd)
    BackendReplaceSelection(edit, insertion.text, pasted);
  else if (SendPendingMaxText(edit))
    NotifyChange(edit);  // nothing changed, yet USER32 notifies all the same
}

EditCaret EditCaretOf(const Control& edit) {
  const EditSelection selection = BackendEditSelection(edit);
  const size_t caret = BackendEditCaret(edit);
  return {caret, caret == selection.start ? selection.end : selection.start};
}

void SetEditCaret(Control& edit, EditCaret caret) { BackendSelectEdit(edit, caret.anchor, caret.caret); }

void PasteIntoEdit(Control& edit, size_t from, size_t to, const std::string& text) {
  BackendActivateDialog(edit.dialog);
  BackendFocus(edit, false);
  BackendSelectEdit(edit, from, to);
  InsertIntoEdit(edit, text, true);
  DeliverInjectedKeys();  // as after any input event
}

void ClickButton(Control& button) { SendCommand(button, BN_CLICKED); }

void EditTextChanged(Control& edit) {
  SendPendingMaxText(edit);
  NotifyChange(edit);
}
