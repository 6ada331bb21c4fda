// The BUTTON control: push buttons (<button>) and group boxes
// (<fieldset> with the text as its <legend>).
#include <string>

#include "dialog.h"
#include "page.h"

namespace {

bool IsGroupBox(uint32_t style) { return (style & BS_TYPEMASK) == BS_GROUPBOX; }

// Only tab stops are reached with Tab; a click focuses any push button.
std::string ButtonClasses(uint32_t style) {
  std::string classes = (style & WS_TABSTOP) ? "tabstop" : "";
  if (style & BS_MULTILINE) classes += " multiline";
  return classes;
}

void ShowButtonText(const Control& control, int element) {
  page_set_text(element, control.text.c_str());
  page_set_class(element, "default", (control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
}

}  // namespace

int CreateButtonElement(Control& control, const PixelRect& r) {
  const int kind = IsGroupBox(control.style) ? kPageGroupBox : kPageButton;
  const int element = page_create_element(control.dialog->native->element, kind, control.id, r.x, r.y, r.w, r.h,
                                          ButtonClasses(control.style).c_str());
  ShowButtonText(control, element);
  return element;
}

void ShowButtonText(Control& control) { ShowButtonText(control, ElementOf(control)); }
