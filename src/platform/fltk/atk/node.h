// The accessible objects of our dialogs: one ATK object per node of the
// tree, the application, its dialogs and their controls, and an open popup
// menu. Their state is here; each interface is in a file of its own.
#ifndef QEL_ATK_NODE_H
#define QEL_ATK_NODE_H

#include <atk/atk.h>

#include <map>
#include <vector>

#include "../accessibility.h"
#include "glib_loop.h"

enum class Node { Application, Window, Control, MenuWindow, Menu, MenuItem, MenuSeparator };

struct QelAccessible {
  AtkObject parent;
  Node node;
  HWND dialog;       // null once the dialog (or the menu) is gone: the object is defunct
  Control* control;  // for Node::Control
  PopupMenu* menu;   // for the menu's nodes
  int item;          // for Node::MenuItem; the item before a Node::MenuSeparator
  // Entries: what the last events told a screen reader.
  gchar* announcedText;
  int announcedCaret, announcedMark;
};

inline QelAccessible* Q(gpointer object) { return reinterpret_cast<QelAccessible*>(object); }

// The bridge offers an interface where the object's type has it, so each
// kind of object is its own type: the base has the tree and AtkComponent.
GType qel_accessible_get_type();
GType qel_window_get_type();     // AtkWindow (tree.cpp)
GType qel_entry_get_type();      // AtkText, AtkEditableText (text.cpp)
GType qel_button_get_type();     // AtkAction (action.cpp)
GType qel_menu_item_get_type();  // AtkAction (action.cpp)

bool IsEntry(AtkObject* object);
bool IsFocusable(AtkObject* object);  // entries and buttons

// The objects of one open dialog.
struct AccessibleDialog {
  AtkObject* window;
  std::vector<AtkObject*> controls;
};

// An open popup menu: a window of its own holding the menu, as GTK's
// popup menus appear to a screen reader.
struct AccessibleMenu {
  PopupMenu* menu = nullptr;
  AtkObject* window = nullptr;
  AtkObject* popup = nullptr;
  std::vector<AtkObject*> items;     // by the menu's item index
  std::vector<AtkObject*> children;  // the items and separators, in order
  int announcedHighlight = -1;
};

// What the plug-in knows. The open dialogs and their order are the dialog
// manager's list; `dialogs` holds the objects made for them.
struct AccessibleTree {
  const AccessibilityPlatform* platform = nullptr;
  AtkObject* application = nullptr;
  std::map<HWND, AccessibleDialog> dialogs;
  AccessibleMenu openMenu;
  AtkObject* announcedActive = nullptr;  // references held
  AtkObject* announcedFocus = nullptr;
};
extern AccessibleTree tree;

inline const AccessibilityServices& Services() { return *tree.platform->services; }
inline const std::vector<HWND>& OpenDialogList() { return *tree.platform->openDialogs; }
AccessibleDialog* FindDialog(HWND dialog);  // null until its objects are made
AtkObject* AccessibleOf(const Control* control);

// Makes the objects of a dialog's window and controls.
AccessibleDialog& NewAccessibleDialog(HWND dialog);
AtkObject* NewAccessible(GType type, Node node, HWND dialog, Control* control, AtkRole role, const char* name,
                         AtkObject* parent);
// Gone: answers nothing from now on, and is let go.
void MakeDefunct(AtkObject* object);

// Only the last dialog opened takes input: the others are disabled under
// it, as a modal dialog's owner is.
bool TakesInput(const QelAccessible* a);

// The menu's nodes (menu.cpp): their states, and where they are, in the
// menu's window and that window on the screen.
AtkStateSet* AddMenuStates(const QelAccessible* a, AtkStateSet* set);
void GetMenuExtents(const QelAccessible* a, PixelRect* local, PixelRect* window);

#endif
