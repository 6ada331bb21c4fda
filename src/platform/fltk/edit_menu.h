// The edit control's context menu, as USER32's.
#ifndef QEL_PLATFORM_EDIT_MENU_H
#define QEL_PLATFORM_EDIT_MENU_H

class Fl_Input;
struct Control;

// Opens the menu at (x, y) in the window of `edit`, the widget of `control`,
// and runs the chosen item through the same paths as the keys: what it
// changes reaches the dialog as typed text does. `canUndo` is whether the
// edit has something to undo.
void ShowEditMenu(const Control& control, Fl_Input& edit, int x, int y, bool canUndo);

#endif
