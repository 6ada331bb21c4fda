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

int CreateButton(Control& control, const DialogItemTemplate& item, const PixelRect& r) {
  const int kind = IsGroupBox(control.style) ? kPageGroupBox : kPageButton;
  const int element = page_create_element(control.dialog->element, kind, control.id, r.x, r.y, r.w, r.h,
                                          ButtonClasses(control.style).c_str());
  control.text = item.title.isOrdinal ? "" : item.title.name;
  page_set_text(element, control.text.c_str());
  return element;
}

void SetButtonText(Control& control, const char* text) {
  control.text = text;
  page_set_text(control.element, text);
}

const char* ButtonText(Control& control) { return control.text.c_str(); }

}  // namespace

const ControlKind kButtonKind = {"BUTTON", CreateButton, SetButtonText, ButtonText, false};
