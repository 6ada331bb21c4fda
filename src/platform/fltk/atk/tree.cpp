// The tree of accessible objects and where each one is: the application,
// its dialogs and their controls (AtkObject, AtkComponent, AtkWindow).
#include <algorithm>
#include <string>

#include "accessible.h"
#include "node.h"

AccessibleTree tree;

namespace {

void InitComponent(AtkComponentIface* iface);
void InitWindow(AtkWindowIface*) {}  // signals only

struct QelAccessibleClass {
  AtkObjectClass parent;
};

}  // namespace

G_DEFINE_TYPE_WITH_CODE(QelAccessible, qel_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, InitComponent))

typedef QelAccessible QelWindow;
typedef QelAccessibleClass QelWindowClass;
G_DEFINE_TYPE_WITH_CODE(QelWindow, qel_window, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_WINDOW, InitWindow))

void qel_window_init(QelWindow*) {}
void qel_window_class_init(QelWindowClass*) {}

namespace {

// One accessible kind per role the program gives a control.
// Its name: the text it shows, its label's (a field shows none that could
// name it), or none.
enum class NameFrom { Text, Label, None };

struct AccessibleKind {
  AccessibleRole role;
  GType (*type)();
  AtkRole atkRole;
  NameFrom name;
};

const AccessibleKind kAccessibleKinds[] = {
    {AccessibleRole::Entry, qel_entry_get_type, ATK_ROLE_ENTRY, NameFrom::Label},
    {AccessibleRole::PushButton, qel_button_get_type, ATK_ROLE_PUSH_BUTTON, NameFrom::Text},
    {AccessibleRole::GroupBox, qel_accessible_get_type, ATK_ROLE_PANEL, NameFrom::Text},
    {AccessibleRole::Label, qel_accessible_get_type, ATK_ROLE_LABEL, NameFrom::Text},
    {AccessibleRole::Icon, qel_accessible_get_type, ATK_ROLE_ICON, NameFrom::None},
};

const AccessibleKind& AccessibleKindOf(const Control& control) {
  const AccessibleRole role = Services().roleOf(control);
  for (const AccessibleKind& kind : kAccessibleKinds)
    if (kind.role == role) return kind;
  return kAccessibleKinds[3];
}

// The application's children are its dialogs, then an open menu's window.
std::vector<AtkObject*> Children(const QelAccessible* a) {
  std::vector<AtkObject*> children;
  switch (a->node) {
    case Node::Application:
      for (HWND dialog : OpenDialogList())
        if (AccessibleDialog* d = FindDialog(dialog)) children.push_back(d->window);
      if (tree.openMenu.menu) children.push_back(tree.openMenu.window);
      break;
    case Node::Window:
      if (AccessibleDialog* d = FindDialog(a->dialog)) children = d->controls;
      break;
    case Node::MenuWindow:
      if (a->dialog) children.push_back(tree.openMenu.popup);
      break;
    case Node::Menu:
      if (a->dialog) children = tree.openMenu.children;
      break;
    default:
      break;
  }
  return children;
}

gint NChildren(AtkObject* object) { return static_cast<gint>(Children(Q(object)).size()); }

AtkObject* RefChild(AtkObject* object, gint i) {
  const std::vector<AtkObject*> children = Children(Q(object));
  if (i < 0 || i >= static_cast<gint>(children.size())) return nullptr;
  return ATK_OBJECT(g_object_ref(children[static_cast<size_t>(i)]));
}

gint IndexIn(const std::vector<AtkObject*>& siblings, AtkObject* object) {
  auto found = std::find(siblings.begin(), siblings.end(), object);
  return found == siblings.end() ? -1 : static_cast<gint>(found - siblings.begin());
}

gint IndexInParent(AtkObject* object) {
  QelAccessible* a = Q(object);
  switch (a->node) {
    case Node::Application: return 0;
    case Node::MenuWindow:
    case Node::Window: return IndexIn(Children(Q(tree.application)), object);
    case Node::Menu: return 0;
    case Node::MenuItem:
    case Node::MenuSeparator: return IndexIn(tree.openMenu.children, object);
    case Node::Control: {
      AccessibleDialog* d = FindDialog(a->dialog);
      return d ? IndexIn(d->controls, object) : -1;
    }
  }
  return -1;
}

AtkStateSet* RefStateSet(AtkObject* object) {
  AtkStateSet* set = ATK_OBJECT_CLASS(qel_accessible_parent_class)->ref_state_set(object);
  QelAccessible* a = Q(object);
  if (a->node == Node::Application) return set;
  if (!a->dialog) {
    atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
    return set;
  }
  if (a->menu) return AddMenuStates(a, set);
  const bool shown = Services().dialogShown(a->dialog);
  if (!a->control || Services().controlEnabled(*a->control)) {
    atk_state_set_add_state(set, ATK_STATE_ENABLED);
    atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
  }
  const bool visible = a->control ? Services().controlVisible(*a->control) : shown;
  if (visible) atk_state_set_add_state(set, ATK_STATE_VISIBLE);
  if (visible && shown) atk_state_set_add_state(set, ATK_STATE_SHOWING);
  if (a->node == Node::Window) {
    if (object == tree.announcedActive) atk_state_set_add_state(set, ATK_STATE_ACTIVE);
    if (Services().dialogOwned(a->dialog)) atk_state_set_add_state(set, ATK_STATE_MODAL);
    return set;
  }
  if (IsEntry(object)) {
    atk_state_set_add_state(set, ATK_STATE_EDITABLE);
    atk_state_set_add_state(set, ATK_STATE_SINGLE_LINE);
  }
  if (IsFocusable(object)) {
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (Services().focusedControl() == a->control) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  }
  return set;
}

void Finalize(GObject* object) {
  g_free(Q(object)->announcedText);
  G_OBJECT_CLASS(qel_accessible_parent_class)->finalize(object);
}

// ---- component

void GetExtents(AtkComponent* component, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
  QelAccessible* a = Q(component);
  *x = *y = *w = *h = -1;
  if (!a->dialog) return;
  PixelRect local, window;
  if (a->menu) {
    GetMenuExtents(a, &local, &window);
  } else {
    window = Services().dialogRect(a->dialog);
    local = a->control ? Services().controlRect(*a->control) : PixelRect{0, 0, window.w, window.h};
  }
  const bool topLevel = a->node == Node::Window || a->node == Node::MenuWindow;
  const bool onScreen = coords == ATK_XY_SCREEN || (coords == ATK_XY_PARENT && topLevel);
  *x = local.x + (onScreen ? window.x : 0);
  *y = local.y + (onScreen ? window.y : 0);
  *w = local.w;
  *h = local.h;
}

gboolean GrabFocus(AtkComponent* component) {
  QelAccessible* a = Q(component);
  if (!TakesInput(a) || !IsFocusable(ATK_OBJECT(component))) return FALSE;
  Services().focusControl(*a->control);
  return TRUE;
}

void InitComponent(AtkComponentIface* iface) {
  iface->get_extents = GetExtents;
  iface->grab_focus = GrabFocus;
}

// ---- names and labels

void Label(AccessibleDialog& d) {
  for (AtkObject* object : d.controls) {
    const Control& control = *Q(object)->control;
    const Control* named = Services().labelOf(control);  // the manager's rule, from the template
    if (AccessibleKindOf(control).name != NameFrom::Label || !named) continue;
    AtkObject* label = AccessibleOf(named);
    atk_object_set_name(object, Services().controlText(*named).c_str());
    atk_object_add_relationship(object, ATK_RELATION_LABELLED_BY, label);
    atk_object_add_relationship(label, ATK_RELATION_LABEL_FOR, object);
  }
}

}  // namespace

void qel_accessible_init(QelAccessible*) {}

void qel_accessible_class_init(QelAccessibleClass* klass) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = NChildren;
  atk->ref_child = RefChild;
  atk->get_index_in_parent = IndexInParent;
  atk->ref_state_set = RefStateSet;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
}

bool IsEntry(AtkObject* object) { return G_OBJECT_TYPE(object) == qel_entry_get_type(); }

bool IsFocusable(AtkObject* object) { return IsEntry(object) || G_OBJECT_TYPE(object) == qel_button_get_type(); }

AccessibleDialog* FindDialog(HWND dialog) {
  auto found = tree.dialogs.find(dialog);
  return found == tree.dialogs.end() ? nullptr : &found->second;
}

AtkObject* AccessibleOf(const Control* control) {
  if (AccessibleDialog* d = control ? FindDialog(Services().dialogOf(*control)) : nullptr)
    for (AtkObject* o : d->controls)
      if (Q(o)->control == control) return o;
  return nullptr;
}

bool TakesInput(const QelAccessible* a) {
  const std::vector<HWND>& open = OpenDialogList();
  return a->dialog && a->control && !open.empty() && open.back() == a->dialog &&
         Services().controlVisible(*a->control) && Services().controlEnabled(*a->control) &&
         Services().dialogShown(a->dialog);
}

AtkObject* NewAccessible(GType type, Node node, HWND dialog, Control* control, AtkRole role, const char* name,
                         AtkObject* parent) {
  AtkObject* object = ATK_OBJECT(g_object_new(type, nullptr));
  QelAccessible* a = Q(object);
  a->node = node;
  a->dialog = dialog;
  a->control = control;
  atk_object_initialize(object, nullptr);
  atk_object_set_role(object, role);
  if (name) atk_object_set_name(object, name);
  if (parent) atk_object_set_parent(object, parent);
  return object;
}

void MakeDefunct(AtkObject* object) {
  Q(object)->dialog = nullptr;
  Q(object)->control = nullptr;
  atk_object_notify_state_change(object, ATK_STATE_DEFUNCT, TRUE);
  g_object_unref(object);
}

AccessibleDialog& NewAccessibleDialog(HWND dialog) {
  AccessibleDialog& d = tree.dialogs[dialog];
  const AtkRole role = Services().dialogOwned(dialog) ? ATK_ROLE_DIALOG : ATK_ROLE_FRAME;
  d.window = NewAccessible(qel_window_get_type(), Node::Window, dialog, nullptr, role,
                           Services().dialogCaption(dialog).c_str(), tree.application);
  for (Control* control : Services().dialogControls(dialog)) {
    const AccessibleKind& kind = AccessibleKindOf(*control);
    const std::string text = Services().controlText(*control);
    AtkObject* object = NewAccessible(kind.type(), Node::Control, dialog, control, kind.atkRole,
                                      kind.name == NameFrom::Text ? text.c_str() : nullptr, d.window);
    if (IsEntry(object)) {
      const EditCaret caret = Services().editCaret(*control);
      Q(object)->announcedText = g_strdup(text.c_str());
      Q(object)->announcedCaret = static_cast<int>(caret.caret);
      Q(object)->announcedMark = static_cast<int>(caret.anchor);
    }
    d.controls.push_back(object);
  }
  Label(d);
  return d;
}

void CreateAccessibleTree(const AccessibilityPlatform* platform) {
  tree.platform = platform;
  const std::vector<HWND>& open = OpenDialogList();
  std::string name = open.empty() ? "" : Services().dialogCaption(open.front());
  name.erase(name.find_last_not_of(' ') + 1);
  tree.application = NewAccessible(qel_accessible_get_type(), Node::Application, nullptr, nullptr,
                                   ATK_ROLE_APPLICATION, name.c_str(), nullptr);
  for (HWND dialog : open) NewAccessibleDialog(dialog);
}

AtkObject* ApplicationAccessible() { return tree.application; }
