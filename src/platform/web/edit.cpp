// The EDIT control's element: an <input>. What typing, pasting and dropping
// put in is the dialog manager's to decide (InsertIntoEdit): the page hands
// it the text before the browser inserts it, then inserts the answer as
// typed text (its undo keeps it), and the input event that follows, like
// every other change of the text, reports the change.
#include <string>

#include "backend.h"
#include "dialog.h"
#include "page.h"

namespace {

// The caret needs a pixel of its own at the end of a full field, or the
// browser scrolls the text.
const double kCaretWidth = 1;

}  // namespace

int CreateEditElement(Control& control, const DialogItemTemplate& item, const PixelRect& r) {
  const int element = page_create_element(control.dialog->native->element, kPageEdit, control.id, r.x, r.y, r.w,
                                          r.h, (control.style & WS_TABSTOP) ? "tabstop" : "");
  page_set_text(element, item.title.isOrdinal ? "" : item.title.name.c_str());
  return element;
}

std::string BackendEditText(const Control& edit) {
  const int length = page_text_length(ElementOf(edit));
  std::string text(static_cast<size_t>(length), '\0');
  page_get_text(ElementOf(edit), &text[0], length + 1);
  return text;
}

void BackendSetEditText(Control& edit, const std::string& text) { page_set_text(ElementOf(edit), text.c_str()); }

EditSelection BackendEditSelection(const Control& edit) {
  int selection[2];
  page_get_selection(ElementOf(edit), selection);
  const size_t a = static_cast<size_t>(selection[0]), b = static_cast<size_t>(selection[1]);
  return {a < b ? a : b, a < b ? b : a};
}

size_t BackendEditCaret(const Control& edit) { return static_cast<size_t>(page_get_caret(ElementOf(edit))); }

void BackendSelectEdit(Control& edit, size_t anchor, size_t caret) {
  page_select(ElementOf(edit), static_cast<int>(anchor), static_cast<int>(caret));
}

void BackendReplaceSelection(Control& edit, const std::string& text, bool) {
  page_edit_insert(ElementOf(edit), text.c_str());
}

void BackendEditBackspace(Control& edit) { page_edit_backspace(ElementOf(edit)); }

double BackendTextWidth(const Control& edit, const char* text, size_t size) {
  return page_text_width(ElementOf(edit), text, static_cast<int>(size));
}

double BackendEditTextArea(const Control& edit) { return page_content_width(ElementOf(edit)) - kCaretWidth; }
