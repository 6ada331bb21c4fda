// The EDIT control's element: an <input> that only draws. The text, the
// selection and the undo are the dialog manager's; the page reports keys,
// pastes and drops, the pointer's selections and an input method's
// committed text (page.js), and draws whatever the manager then holds.
#include <string>

#include "backend.h"
#include "dialog.h"
#include "page.h"

namespace {

// The caret needs a pixel of its own at the end of a full field, or the
// browser scrolls the text.
const double kCaretWidth = 1;

struct BrowserCommand {
  const char* inputType;
  EditCommand command;
};
// What the browser's own menu and a phone's keyboard ask of an input.
const BrowserCommand kBrowserCommands[] = {
    {"historyUndo", EditCommand::kUndo},
    {"deleteContentBackward", EditCommand::kBackspace},
    {"deleteContentForward", EditCommand::kDelete},
    {"deleteContent", EditCommand::kClear},
    {"deleteByCut", EditCommand::kClear},
};

struct InputMode {
  InputScope scope;
  const char* mode;
};
// The keyboard a phone shows for what the program said an edit takes.
const InputMode kInputModes[] = {
    {IS_DIGITS, "numeric"},
    {IS_NUMBER, "decimal"},
};

}  // namespace

int CreateEditElement(Control& control, const DialogItemTemplate&, const PixelRect& r) {
  const int element = page_create_element(control.dialog->native->element, kPageEdit, control.id, r.x, r.y, r.w,
                                          r.h, (control.style & WS_TABSTOP) ? "tabstop" : "");
  if (control.style & ES_UPPERCASE) page_offer_capitals(element);
  page_show_edit(element, control.edit.text.c_str(), 0, 0);
  return element;
}

void BackendShowEdit(Control& edit) {
  page_show_edit(ElementOf(edit), edit.edit.text.c_str(), static_cast<int>(edit.edit.anchor),
                 static_cast<int>(edit.edit.caret));
}

void BackendShowInputScope(const Control& edit) {
  const char* mode = "";
  for (const InputMode& known : kInputModes)
    if (edit.inputScope == known.scope) mode = known.mode;
  page_set_input_mode(ElementOf(edit), mode);
}

void BackendCopyText(const Control&, const std::string& text) { page_copy(text.c_str()); }

void BackendPasteInto(Control& edit) { page_paste(ElementOf(edit)); }

bool BackendClipboardMayHoldText() { return true; }  // the browser's menu asks the clipboard itself

void ReportEditSelection(Control& edit) {
  int selection[2];
  page_get_selection(ElementOf(edit), selection);
  SetEditCaret(edit, {static_cast<size_t>(selection[1]), static_cast<size_t>(selection[0])});
}

void RunBrowserCommand(Control& edit, const std::string& inputType) {
  for (const BrowserCommand& known : kBrowserCommands)
    if (inputType == known.inputType) return RunEditCommand(edit, known.command);
}

// The composition was the browser's while it lasted: the field goes back
// to the manager's text, and the committed text goes in as typed text.
void InsertComposedText(Control& edit, const std::string& text) {
  BackendShowEdit(edit);
  InsertIntoEdit(edit, text);
}

double BackendTextWidth(const Control& edit, const char* text, size_t size) {
  return page_text_width(ElementOf(edit), text, static_cast<int>(size));
}

double BackendEditTextArea(const Control& edit) { return page_content_width(ElementOf(edit)) - kCaretWidth; }
