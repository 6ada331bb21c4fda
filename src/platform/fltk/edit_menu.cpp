// Undo, Cut, Copy, Paste, Delete, Select All: the edit control's context
// menu, in the user's language as Windows shows it in the system's.
#include "edit_menu.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>

#include <cstdlib>
#include <cstring>

#include "popup_menu.h"
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

// What Windows calls the menu, in the same language as its items.
const char* MenuName(bool italian) { return italian ? "Menu contestuale" : "Context menu"; }

}  // namespace

void ShowEditMenu(const Control& control, Fl_Input& edit, int x, int y, bool canUndo) {
  const bool italian = UserReadsItalian();
  const char* const* labels = italian ? kItalian : kEnglish;
  const int start = edit.position() < edit.mark() ? edit.position() : edit.mark();
  const int end = edit.position() < edit.mark() ? edit.mark() : edit.position();
  const bool selection = start != end;
  const bool everythingSelected = start == 0 && end == edit.size();
  PopupMenu menu;
  menu.name = MenuName(italian);
  menu.owner = &control;
  menu.items = {
      {labels[kUndo], canUndo, true},
      {labels[kCut], selection, false},
      {labels[kCopy], selection, false},
      {labels[kPaste], ClipboardMayHoldText(), false},
      {labels[kDelete], selection, true},
      {labels[kSelectAll], !everythingSelected, false},
  };
  const int chosen = TrackPopupMenu(menu, x, y);
  if (chosen >= 0) Run(static_cast<EditCommand>(chosen), edit);
}
