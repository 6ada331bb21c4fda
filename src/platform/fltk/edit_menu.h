// The edit control's context menu, as USER32's.
#ifndef QEL_PLATFORM_EDIT_MENU_H
#define QEL_PLATFORM_EDIT_MENU_H

struct Control;

// Opens the menu at (x, y) in the window of the edit `control`, greyed as
// the manager's state says, and runs the chosen item through the manager.
void ShowEditMenu(Control& control, int x, int y);

#endif
