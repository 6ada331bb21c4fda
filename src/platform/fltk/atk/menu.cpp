// An open popup menu of a control: its window, the menu and its items,
// their states and places, and what a reader is told as it opens, moves
// and closes.
#include "accessible.h"
#include "node.h"

namespace {

AtkObject* NewMenuAccessible(GType type, Node node, PopupMenu& menu, int item, AtkRole role, const char* name,
                             AtkObject* parent) {
  const HWND dialog = Services().dialogOf(*Services().menuView(menu).owner);
  AtkObject* object = NewAccessible(type, node, dialog, nullptr, role, name, parent);
  Q(object)->menu = &menu;
  Q(object)->item = item;
  return object;
}

// The item now highlighted is selected, the one before no longer.
void AnnounceMenuSelection() {
  AccessibleMenu& open = tree.openMenu;
  const int highlighted = Services().menuView(*open.menu).highlighted;
  if (highlighted == open.announcedHighlight) return;
  if (open.announcedHighlight >= 0)
    atk_object_notify_state_change(open.items[static_cast<size_t>(open.announcedHighlight)], ATK_STATE_SELECTED,
                                   FALSE);
  if (highlighted >= 0)
    atk_object_notify_state_change(open.items[static_cast<size_t>(highlighted)], ATK_STATE_SELECTED, TRUE);
  open.announcedHighlight = highlighted;
}

}  // namespace

// Showing; an item enabled as the menu greys it, focused and selected
// while highlighted; the menu itself focused while no item is.
AtkStateSet* AddMenuStates(const QelAccessible* a, AtkStateSet* set) {
  const MenuView view = Services().menuView(*a->menu);
  for (AtkStateType state : {ATK_STATE_VISIBLE, ATK_STATE_SHOWING}) atk_state_set_add_state(set, state);
  if (a->node != Node::MenuItem || view.items[static_cast<size_t>(a->item)].enabled) {
    atk_state_set_add_state(set, ATK_STATE_ENABLED);
    atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
  }
  if (a->node == Node::MenuItem) {
    atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (a->item == view.highlighted) {
      atk_state_set_add_state(set, ATK_STATE_FOCUSED);
      atk_state_set_add_state(set, ATK_STATE_SELECTED);
    }
  }
  if (a->node == Node::Menu) {
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (view.highlighted < 0) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  }
  return set;
}

// The menu's window and the menu are the same rectangle.
void GetMenuExtents(const QelAccessible* a, PixelRect* local, PixelRect* window) {
  const MenuView view = Services().menuView(*a->menu);
  *window = view.window;
  *local = {0, 0, view.window.w, view.window.h};
  if (a->node == Node::MenuItem || a->node == Node::MenuSeparator) {
    const MenuItemView& item = view.items[static_cast<size_t>(a->item)];
    *local = a->node == Node::MenuItem ? item.rect : item.separator;
  }
}

void AccessibleMenuOpenedHook(PopupMenu& menu) {
  AccessibleMenu& open = tree.openMenu;
  if (open.menu) return;  // one at a time, as USER32's
  const MenuView view = Services().menuView(menu);
  open.menu = &menu;
  open.window = NewMenuAccessible(qel_window_get_type(), Node::MenuWindow, menu, -1, ATK_ROLE_WINDOW, nullptr,
                                  tree.application);
  open.popup = NewMenuAccessible(qel_accessible_get_type(), Node::Menu, menu, -1, ATK_ROLE_POPUP_MENU,
                                 view.name.c_str(), open.window);
  for (size_t i = 0; i < view.items.size(); i++) {
    AtkObject* item = NewMenuAccessible(qel_menu_item_get_type(), Node::MenuItem, menu, static_cast<int>(i),
                                        ATK_ROLE_MENU_ITEM, view.items[i].text.c_str(), open.popup);
    open.items.push_back(item);
    open.children.push_back(item);
    if (view.items[i].separatorAfter)
      open.children.push_back(NewMenuAccessible(qel_accessible_get_type(), Node::MenuSeparator, menu,
                                                static_cast<int>(i), ATK_ROLE_SEPARATOR, nullptr, open.popup));
  }
  if (AtkObject* owner = AccessibleOf(view.owner))
    atk_object_add_relationship(open.popup, ATK_RELATION_POPUP_FOR, owner);
  g_signal_emit_by_name(tree.application, "children-changed::add", static_cast<gint>(tree.dialogs.size()),
                        open.window);
  g_signal_emit_by_name(open.window, "create");
  AnnounceChanges();
}

void AccessibleMenuHighlightedHook(PopupMenu& menu) {
  if (tree.openMenu.menu != &menu) return;
  AnnounceMenuSelection();
  AnnounceChanges();
}

// The focus goes back to the control while the menu's objects still
// answer, then they become defunct.
void AccessibleMenuClosedHook(PopupMenu& menu) {
  if (tree.openMenu.menu != &menu) return;
  AccessibleMenu gone = tree.openMenu;
  tree.openMenu = AccessibleMenu();
  AnnounceChanges();
  g_signal_emit_by_name(gone.window, "destroy");
  g_signal_emit_by_name(tree.application, "children-changed::remove", static_cast<gint>(tree.dialogs.size()),
                        gone.window);
  gone.children.push_back(gone.popup);
  gone.children.push_back(gone.window);
  for (AtkObject* o : gone.children) MakeDefunct(o);
}
