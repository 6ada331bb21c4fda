// Undo, Cut, Copy, Paste, Delete, Select All: the edit control's context
// menu, in the user's language as Windows shows it in the system's.
#include "edit_menu.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Widget.H>

#include <cstdlib>
#include <cstring>

#include "system_colors.h"
#include "x11_window.h"

namespace {

enum EditCommand { kUndo, kCut, kCopy, kPaste, kDelete, kSelectAll, kCommandCount };

const char* const kEnglish[kCommandCount] = {"&Undo", "Cu&t", "&Copy", "&Paste", "&Delete",
                                             "Select &All"};
const char* const kItalian[kCommandCount] = {"&Annulla", "&Taglia", "&Copia", "&Incolla",
                                             "&Elimina", "Seleziona &tutto"};

// The first of LC_ALL, LC_MESSAGES and LANG that is set decides, as for
// any message catalogue.
bool UserReadsItalian() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    return std::strncmp(value, "it", 2) == 0 && std::strchr("_.@", value[2]) != nullptr;
  }
  return false;
}

// FLTK greys an item by blending its text into the face, which leaves little
// contrast on a dark or high-contrast face; USER32 draws it in
// COLOR_GRAYTEXT, which each palette chooses to be read.
void DrawGrayedLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  Fl_Label grayed = *label;
  grayed.type = FL_NORMAL_LABEL;
  grayed.color = SysColor(COLOR_GRAYTEXT);
  grayed.draw(x, y, w, h, align);
}

void MeasureGrayedLabel(const Fl_Label* label, int& w, int& h) {
  Fl_Label normal = *label;
  normal.type = FL_NORMAL_LABEL;
  normal.measure(w, h);
}

Fl_Labeltype GrayedLabel() {
  static const Fl_Labeltype grayed = [] {
    Fl::set_labeltype(FL_FREE_LABELTYPE, DrawGrayedLabel, MeasureGrayedLabel);
    return FL_FREE_LABELTYPE;
  }();
  return grayed;
}

// In the dialog's font, so the menu follows the desktop's scale with it;
// in the system colours (the menu's face and highlight are FLTK's own,
// which follow them too).
Fl_Menu_Item Item(const Fl_Input& edit, const char* label, bool enabled, int flags = 0) {
  Fl_Menu_Item item = {};
  item.text = label;
  item.labelfont_ = edit.textfont();
  item.labelsize_ = edit.textsize();
  item.labelcolor_ = SysColor(COLOR_MENUTEXT);
  item.labeltype_ = enabled ? FL_NORMAL_LABEL : GrayedLabel();
  item.flags = flags | (enabled ? 0 : FL_MENU_INACTIVE);
  return item;
}

void Run(EditCommand command, Fl_Input& edit) {
  switch (command) {
    case kUndo: edit.undo(); break;
    case kCut: edit.copy(1); edit.cut(); break;
    case kCopy: edit.copy(1); break;
    // As Ctrl+V: FL_PASTE comes back to the edit, now or when the
    // clipboard's owner answers.
    case kPaste: Fl::paste(edit, 1); break;
    case kDelete: edit.cut(); break;
    case kSelectAll: edit.position(edit.size(), 0); break;
    default: break;
  }
}

}  // namespace

void ShowEditMenu(Fl_Input& edit, int x, int y, bool canUndo) {
  const char* const* labels = UserReadsItalian() ? kItalian : kEnglish;
  const int start = edit.position() < edit.mark() ? edit.position() : edit.mark();
  const int end = edit.position() < edit.mark() ? edit.mark() : edit.position();
  const bool selection = start != end;
  const bool everythingSelected = start == 0 && end == edit.size();
  const Fl_Menu_Item items[] = {
      Item(edit, labels[kUndo], canUndo, FL_MENU_DIVIDER),
      Item(edit, labels[kCut], selection),
      Item(edit, labels[kCopy], selection),
      Item(edit, labels[kPaste], ClipboardMayHoldText()),
      Item(edit, labels[kDelete], selection, FL_MENU_DIVIDER),
      Item(edit, labels[kSelectAll], !everythingSelected),
      Fl_Menu_Item{},
  };
  const Fl_Menu_Item* chosen = items->popup(x, y);
  if (chosen) Run(static_cast<EditCommand>(chosen - items), edit);
}
