// Popup menus as USER32's TrackPopupMenu runs them: a window of their own
// above the dialog, modal until an item is chosen or the menu dismissed.
// Ours, rather than FLTK's, so that a screen reader can follow the
// highlighted item.
#ifndef QEL_PLATFORM_POPUP_MENU_H
#define QEL_PLATFORM_POPUP_MENU_H

#include <string>
#include <vector>

class Fl_Window;
struct Control;

struct MenuItem {
  const char* label;  // '&' before the mnemonic
  bool enabled;
  bool separatorAfter;
};

// An open menu, as the accessibility hooks see it.
struct PopupMenu {
  const char* name;  // what a screen reader calls it
  std::vector<MenuItem> items;
  const Control* owner;        // the control whose menu it is
  Fl_Window* window = nullptr;
  int highlighted = -1;        // an enabled item, or none
  int chosen = -1;
  bool ended = false;
  // Where the items are, in the window: their tops, and one height.
  std::vector<int> itemTops;
  int itemHeight = 0;
};

// A label as shown, without its '&', and where the mnemonic it marked
// stands. Inline: the accessibility plug-in reads labels too.
struct MenuLabel {
  std::string text;
  int mnemonic = -1;  // byte offset in text
};

inline MenuLabel ParseMenuLabel(const char* label) {
  MenuLabel parsed;
  for (const char* p = label; *p; p++) {
    if (*p == '&' && p[1] && p[1] != '&') {
      parsed.mnemonic = static_cast<int>(parsed.text.size());
      continue;
    }
    if (*p == '&') p++;  // "&&" is a plain '&'
    parsed.text += *p;
  }
  return parsed;
}

// Opens the menu at (x, y) of the owner's window and returns the index of
// the item chosen, or -1 when it is dismissed.
int TrackPopupMenu(PopupMenu& menu, int x, int y);

// Chooses an enabled item, as Enter on it would.
void ChooseMenuItem(PopupMenu& menu, int index);

#endif
