// Undo, Cut, Copy, Paste, Delete, Select All: the edit control's context
// menu, in the user's language as Windows shows it in the system's.
#include "edit_menu.h"

#include <cstdlib>
#include <cstring>

#include "dialog_manager.h"
#include "popup_menu.h"

namespace {

enum EditMenuItem { kUndo, kCut, kCopy, kPaste, kDelete, kSelectAll, kCommandCount };

// USER32's items: EM_UNDO, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, EM_SETSEL.
const EditCommand kCommands[kCommandCount] = {EditCommand::kUndo,  EditCommand::kCut,   EditCommand::kCopy,
                                              EditCommand::kPaste, EditCommand::kClear, EditCommand::kSelectAll};

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

// What Windows calls the menu, in the same language as its items.
const char* MenuName(bool italian) { return italian ? "Menu contestuale" : "Context menu"; }

}  // namespace

void ShowEditMenu(Control& control, int x, int y) {
  const bool italian = UserReadsItalian();
  const char* const* labels = italian ? kItalian : kEnglish;
  PopupMenu menu;
  menu.name = MenuName(italian);
  menu.owner = &control;
  for (int item = 0; item < kCommandCount; item++)
    menu.items.push_back({labels[item], CanRunEditCommand(control, kCommands[item]), item == kUndo || item == kDelete});
  const int chosen = TrackPopupMenu(menu, x, y);
  if (chosen >= 0) RunEditCommand(control, kCommands[chosen]);
}
