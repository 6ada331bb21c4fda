// What a reader can do to a push button or a menu item: one action each,
// queued and done from the event loop, since it runs the dialog procedure.
#include "node.h"

namespace {

void InitButtonAction(AtkActionIface* iface);
void InitMenuItemAction(AtkActionIface* iface);

}  // namespace

typedef QelAccessible QelButton;
typedef AtkObjectClass QelButtonClass;
G_DEFINE_TYPE_WITH_CODE(QelButton, qel_button, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, InitButtonAction))

typedef QelAccessible QelMenuItem;
typedef AtkObjectClass QelMenuItemClass;
G_DEFINE_TYPE_WITH_CODE(QelMenuItem, qel_menu_item, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, InitMenuItemAction))

void qel_button_init(QelButton*) {}
void qel_button_class_init(QelButtonClass*) {}
void qel_menu_item_init(QelMenuItem*) {}
void qel_menu_item_class_init(QelMenuItemClass*) {}

namespace {

gint GetNActions(AtkAction*) { return 1; }
const gchar* GetActionName(AtkAction*, gint i) { return i == 0 ? "click" : nullptr; }

// Either kind has one action, "click"; what it does is its own.
void InitClickAction(AtkActionIface* iface, gboolean (*doAction)(AtkAction*, gint)) {
  iface->do_action = doAction;
  iface->get_n_actions = GetNActions;
  iface->get_name = GetActionName;
}

void ClickLater(void* object) {
  QelAccessible* a = Q(object);
  if (TakesInput(a)) Services().click(*a->control);
  g_object_unref(object);
}

gboolean DoButtonAction(AtkAction* object, gint i) {
  if (i != 0 || !TakesInput(Q(object))) return FALSE;
  RunFromLoop(ClickLater, g_object_ref(object));
  return TRUE;
}

void InitButtonAction(AtkActionIface* iface) { InitClickAction(iface, DoButtonAction); }

// Choosing the item, as Enter on it would.
void ChooseLater(void* object) {
  QelAccessible* a = Q(object);
  if (a->dialog) Services().chooseMenuItem(*a->menu, a->item);
  g_object_unref(object);
}

gboolean DoMenuItemAction(AtkAction* object, gint i) {
  QelAccessible* a = Q(object);
  if (i != 0 || !a->dialog || !Services().menuView(*a->menu).items[static_cast<size_t>(a->item)].enabled)
    return FALSE;
  RunFromLoop(ChooseLater, g_object_ref(object));
  return TRUE;
}

void InitMenuItemAction(AtkActionIface* iface) { InitClickAction(iface, DoMenuItemAction); }

}  // namespace
