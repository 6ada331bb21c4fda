#include "accessible.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "../dialog.h"
#include "../popup_menu.h"

namespace {

enum class Node { Application, Window, Control, MenuWindow, Menu, MenuItem, MenuSeparator };

struct QelAccessible {
  AtkObject parent;
  Node node;
  HWND dialog;       // null once the dialog (or the menu) is gone: the object is defunct
  Control* control;  // for Node::Control
  PopupMenu* menu;   // for the Menu nodes
  int item;          // for Node::MenuItem; the item before a Node::MenuSeparator
  // Entries: what the last events told a screen reader.
  gchar* announcedText;
  int announcedCaret, announcedMark;
};
struct QelAccessibleClass {
  AtkObjectClass parent;
};

void InitComponent(AtkComponentIface* iface);
void InitWindow(AtkWindowIface*) {}  // signals only
void InitText(AtkTextIface* iface);
void InitEditableText(AtkEditableTextIface* iface);
void InitAction(AtkActionIface* iface);
void InitMenuItemAction(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(QelAccessible, qel_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, InitComponent))

// The bridge offers an interface where the object's type has it, so each
// kind of object is its own type.
typedef QelAccessible QelWindow;
typedef QelAccessibleClass QelWindowClass;
G_DEFINE_TYPE_WITH_CODE(QelWindow, qel_window, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_WINDOW, InitWindow))
typedef QelAccessible QelEntry;
typedef QelAccessibleClass QelEntryClass;
G_DEFINE_TYPE_WITH_CODE(QelEntry, qel_entry, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, InitText)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_EDITABLE_TEXT, InitEditableText))
typedef QelAccessible QelButton;
typedef QelAccessibleClass QelButtonClass;
G_DEFINE_TYPE_WITH_CODE(QelButton, qel_button, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, InitAction))

typedef QelAccessible QelMenuItem;
typedef QelAccessibleClass QelMenuItemClass;
G_DEFINE_TYPE_WITH_CODE(QelMenuItem, qel_menu_item, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, InitMenuItemAction))

void qel_window_init(QelWindow*) {}
void qel_window_class_init(QelWindowClass*) {}
void qel_entry_init(QelEntry*) {}
void qel_entry_class_init(QelEntryClass*) {}
void qel_button_init(QelButton*) {}
void qel_button_class_init(QelButtonClass*) {}
void qel_menu_item_init(QelMenuItem*) {}
void qel_menu_item_class_init(QelMenuItemClass*) {}

// One accessible kind per control class of the dialog manager.
bool IsGroupBox(const Control& c) { return (c.style & BS_TYPEMASK) == BS_GROUPBOX; }
bool IsIcon(const Control& c) { return (c.style & SS_TYPEMASK) == SS_ICON; }

// What a control shows: an edit's widget text, or its own.
const char* TextOfControl(const Control& c) {
  return c.kind->controlClass == ControlClass::Edit ? static_cast<Fl_Input*>(WidgetOf(c))->value() : c.text.c_str();
}

struct AccessibleKind {
  const char* className;
  GType (*type)(const Control& control);
  AtkRole (*role)(const Control& control);
  bool namedByLabel;  // shows no text of its own that could name it
};

const AccessibleKind kAccessibleKinds[] = {
    {"EDIT", [](const Control&) { return qel_entry_get_type(); },
     [](const Control&) { return ATK_ROLE_ENTRY; }, true},
    {"BUTTON",
     [](const Control& c) { return IsGroupBox(c) ? qel_accessible_get_type() : qel_button_get_type(); },
     [](const Control& c) { return IsGroupBox(c) ? ATK_ROLE_PANEL : ATK_ROLE_PUSH_BUTTON; }, false},
    {"STATIC", [](const Control&) { return qel_accessible_get_type(); },
     [](const Control& c) { return IsIcon(c) ? ATK_ROLE_ICON : ATK_ROLE_LABEL; }, false},
};

const AccessibleKind* AccessibleKindOf(const Control& control) {
  for (const AccessibleKind& kind : kAccessibleKinds)
    if (std::string(kind.className) == control.kind->className) return &kind;
  return nullptr;
}

struct AccessibleDialog {
  HWND dialog;
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

const AccessibilityPlatform* platform = nullptr;
AtkObject* application = nullptr;
std::vector<AccessibleDialog> dialogs;
AccessibleMenu openMenu;
AtkObject* announcedActive = nullptr;  // references held
AtkObject* announcedFocus = nullptr;

QelAccessible* Q(gpointer object) { return reinterpret_cast<QelAccessible*>(object); }

AccessibleDialog* FindDialog(HWND dialog) {
  for (AccessibleDialog& d : dialogs)
    if (d.dialog == dialog) return &d;
  return nullptr;
}

// Only the last dialog opened takes input: the others are disabled under
// it, as a modal dialog's owner is.
bool TakesInput(const QelAccessible* a) {
  return a->dialog && a->control && !platform->openDialogs->empty() &&
         platform->openDialogs->back() == a->dialog && WidgetOf(*a->control)->active_r() &&
         WidgetOf(*a->control)->visible_r();
}

Fl_Input* EditOf(const QelAccessible* a) { return static_cast<Fl_Input*>(WidgetOf(*a->control)); }

void ReplaceRef(AtkObject** slot, AtkObject* object) {
  if (object) g_object_ref(object);
  if (*slot) g_object_unref(*slot);
  *slot = object;
}

// ---- the object tree

// The application's children are its dialogs, then an open menu's window.
std::vector<AtkObject*> Children(const QelAccessible* a) {
  std::vector<AtkObject*> children;
  switch (a->node) {
    case Node::Application:
      for (const AccessibleDialog& d : dialogs) children.push_back(d.window);
      if (openMenu.menu) children.push_back(openMenu.window);
      break;
    case Node::Window:
      if (AccessibleDialog* d = FindDialog(a->dialog)) children = d->controls;
      break;
    case Node::MenuWindow:
      if (a->dialog) children.push_back(openMenu.popup);
      break;
    case Node::Menu:
      if (a->dialog) children = openMenu.children;
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

gint IndexInParent(AtkObject* object) {
  QelAccessible* a = Q(object);
  switch (a->node) {
    case Node::MenuWindow: return static_cast<gint>(dialogs.size());
    case Node::Menu: return 0;
    case Node::MenuItem:
    case Node::MenuSeparator: {
      auto found = std::find(openMenu.children.begin(), openMenu.children.end(), ATK_OBJECT(a));
      return found == openMenu.children.end() ? -1 : static_cast<gint>(found - openMenu.children.begin());
    }
    default: break;
  }
  for (size_t i = 0; i < dialogs.size(); i++) {
    if (dialogs[i].window == object) return static_cast<gint>(i);
    auto& controls = dialogs[i].controls;
    auto found = std::find(controls.begin(), controls.end(), object);
    if (found != controls.end()) return static_cast<gint>(found - controls.begin());
  }
  return a->node == Node::Application ? 0 : -1;
}

// An open menu and its items: showing; an item enabled as the menu greys
// it, focused and selected while highlighted; the menu itself focused
// while no item is.
AtkStateSet* AddMenuStates(const QelAccessible* a, AtkStateSet* set) {
  for (AtkStateType state : {ATK_STATE_VISIBLE, ATK_STATE_SHOWING}) atk_state_set_add_state(set, state);
  const bool enabled = a->node != Node::MenuItem || a->menu->items[static_cast<size_t>(a->item)].enabled;
  if (enabled) {
    atk_state_set_add_state(set, ATK_STATE_ENABLED);
    atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
  }
  if (a->node == Node::MenuItem) {
    atk_state_set_add_state(set, ATK_STATE_SELECTABLE);
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (a->item == a->menu->highlighted) {
      atk_state_set_add_state(set, ATK_STATE_FOCUSED);
      atk_state_set_add_state(set, ATK_STATE_SELECTED);
    }
  }
  if (a->node == Node::Menu) {
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (a->menu->highlighted < 0) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  }
  return set;
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
  Fl_Widget* widget = a->control ? WidgetOf(*a->control) : WindowOf(*a->dialog);
  if (widget->active_r()) {
    atk_state_set_add_state(set, ATK_STATE_ENABLED);
    atk_state_set_add_state(set, ATK_STATE_SENSITIVE);
  }
  if (widget->visible()) atk_state_set_add_state(set, ATK_STATE_VISIBLE);
  if (widget->visible_r() && WindowOf(*a->dialog)->shown()) atk_state_set_add_state(set, ATK_STATE_SHOWING);
  if (a->node == Node::Window) {
    if (object == announcedActive) atk_state_set_add_state(set, ATK_STATE_ACTIVE);
    if (a->dialog->owner) atk_state_set_add_state(set, ATK_STATE_MODAL);
    return set;
  }
  const GType type = G_OBJECT_TYPE(object);
  if (type == qel_entry_get_type()) {
    atk_state_set_add_state(set, ATK_STATE_EDITABLE);
    atk_state_set_add_state(set, ATK_STATE_SINGLE_LINE);
  }
  if (type == qel_entry_get_type() || type == qel_button_get_type()) {
    atk_state_set_add_state(set, ATK_STATE_FOCUSABLE);
    if (Fl::focus() == widget) atk_state_set_add_state(set, ATK_STATE_FOCUSED);
  }
  return set;
}

void Finalize(GObject* object) {
  g_free(Q(object)->announcedText);
  G_OBJECT_CLASS(qel_accessible_parent_class)->finalize(object);
}

void qel_accessible_init(QelAccessible*) {}

void qel_accessible_class_init(QelAccessibleClass* klass) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = NChildren;
  atk->ref_child = RefChild;
  atk->get_index_in_parent = IndexInParent;
  atk->ref_state_set = RefStateSet;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
}

AtkObject* NewAccessible(GType type, Node node, HWND dialog, Control* control, AtkRole role,
                         const char* name, AtkObject* parent) {
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

// ---- component

// A menu's window and the menu are the same rectangle; an item spans the
// inside of the frame.
void GetMenuExtents(const QelAccessible* a, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
  const Fl_Window* window = a->menu->window;
  *x = *y = 0;
  *w = window->w();
  *h = window->h();
  if (a->node == Node::MenuItem || a->node == Node::MenuSeparator) {
    const size_t item = static_cast<size_t>(a->item);
    *x = Fl::box_dx(window->box());
    *w -= Fl::box_dw(window->box());
    *y = a->menu->itemTops[item];
    *h = a->menu->itemHeight;
    if (a->node == Node::MenuSeparator) {  // the gap down to the next item
      *y += a->menu->itemHeight;
      *h = item + 1 < a->menu->itemTops.size() ? a->menu->itemTops[item + 1] - *y : 0;
    }
  }
  if (coords == ATK_XY_SCREEN || (coords == ATK_XY_PARENT && a->node == Node::MenuWindow)) {
    *x += window->x();
    *y += window->y();
  }
}

void GetExtents(AtkComponent* component, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
  QelAccessible* a = Q(component);
  *x = *y = *w = *h = -1;
  if (!a->dialog) return;
  if (a->menu) return GetMenuExtents(a, x, y, w, h, coords);
  Fl_Window* window = WindowOf(*a->dialog);
  Fl_Widget* widget = a->control ? WidgetOf(*a->control) : window;
  *w = widget->w();
  *h = widget->h();
  *x = a->control ? widget->x() : 0;  // controls are placed in their window
  *y = a->control ? widget->y() : 0;
  if (coords == ATK_XY_SCREEN || (coords == ATK_XY_PARENT && !a->control)) {
    *x += window->x();
    *y += window->y();
  }
}

gboolean GrabFocus(AtkComponent* component) {
  QelAccessible* a = Q(component);
  const GType type = G_OBJECT_TYPE(component);
  if (!TakesInput(a) || (type != qel_entry_get_type() && type != qel_button_get_type())) return FALSE;
  platform->services->focusControl(*a->control);
  return TRUE;
}

void InitComponent(AtkComponentIface* iface) {
  iface->get_extents = GetExtents;
  iface->grab_focus = GrabFocus;
}

// ---- text. ATK counts characters; FLTK positions are UTF-8 bytes.

const char* TextOf(const QelAccessible* a) {
  return a->dialog && a->control ? TextOfControl(*a->control) : "";
}

gint CharacterCount(const char* text) { return static_cast<gint>(g_utf8_strlen(text, -1)); }

gint ClampOffset(const char* text, gint offset) {
  const gint count = CharacterCount(text);
  return offset < 0 || offset > count ? count : offset;
}

int ByteOffset(const char* text, gint offset) {
  return static_cast<int>(g_utf8_offset_to_pointer(text, ClampOffset(text, offset)) - text);
}

gint CharacterOffset(const char* text, int byte) {
  return static_cast<gint>(g_utf8_pointer_to_offset(text, text + byte));
}

gchar* Substring(const char* text, gint start, gint end) {
  end = ClampOffset(text, end);
  start = std::min(ClampOffset(text, start), end);
  return g_utf8_substring(text, start, end);
}

gchar* GetText(AtkText* object, gint start, gint end) { return Substring(TextOf(Q(object)), start, end); }

gint GetCharacterCount(AtkText* object) { return CharacterCount(TextOf(Q(object))); }

gint GetCaretOffset(AtkText* object) {
  QelAccessible* a = Q(object);
  return a->dialog ? CharacterOffset(TextOf(a), EditOf(a)->position()) : 0;
}

gboolean SetCaretOffset(AtkText* object, gint offset) {
  QelAccessible* a = Q(object);
  if (!a->dialog) return FALSE;
  EditOf(a)->position(ByteOffset(TextOf(a), offset));
  return TRUE;
}

gunichar GetCharacterAtOffset(AtkText* object, gint offset) {
  const char* text = TextOf(Q(object));
  if (offset < 0 || offset >= CharacterCount(text)) return 0;
  return g_utf8_get_char(g_utf8_offset_to_pointer(text, offset));
}

// A single-line field of one number: every boundary but a character's is
// the whole text.
gchar* StringAt(AtkText* object, gint offset, bool character, gint* start, gint* end) {
  const char* text = TextOf(Q(object));
  *start = character ? ClampOffset(text, offset) : 0;
  *end = character ? ClampOffset(text, *start + 1) : CharacterCount(text);
  return Substring(text, *start, *end);
}

gchar* GetStringAtOffset(AtkText* object, gint offset, AtkTextGranularity granularity, gint* start,
                         gint* end) {
  return StringAt(object, offset, granularity == ATK_TEXT_GRANULARITY_CHAR, start, end);
}

gchar* GetTextAtOffset(AtkText* object, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
  return StringAt(object, offset, boundary == ATK_TEXT_BOUNDARY_CHAR, start, end);
}

gint GetNSelections(AtkText* object) {
  QelAccessible* a = Q(object);
  return a->dialog && EditOf(a)->position() != EditOf(a)->mark() ? 1 : 0;
}

gchar* GetSelection(AtkText* object, gint n, gint* start, gint* end) {
  QelAccessible* a = Q(object);
  *start = *end = 0;
  if (n != 0 || !GetNSelections(object)) return nullptr;
  const char* text = TextOf(a);
  const int from = std::min(EditOf(a)->position(), EditOf(a)->mark());
  const int to = std::max(EditOf(a)->position(), EditOf(a)->mark());
  *start = CharacterOffset(text, from);
  *end = CharacterOffset(text, to);
  return Substring(text, *start, *end);
}

gboolean SetSelection(AtkText* object, gint n, gint start, gint end) {
  QelAccessible* a = Q(object);
  if (n != 0 || !a->dialog) return FALSE;
  const char* text = TextOf(a);
  EditOf(a)->position(ByteOffset(text, end), ByteOffset(text, start));
  return TRUE;
}

gboolean AddSelection(AtkText* object, gint start, gint end) { return SetSelection(object, 0, start, end); }

gboolean RemoveSelection(AtkText* object, gint n) {
  QelAccessible* a = Q(object);
  if (n != 0 || !a->dialog) return FALSE;
  EditOf(a)->position(EditOf(a)->position());
  return TRUE;
}

// Where a field's characters are drawn: one line centred in the frame;
// the fields never scroll (they hold what fits their width).
struct TextLine {
  gint left, top, height;
};

TextLine LineOf(AtkText* object, AtkCoordType coords) {
  QelAccessible* a = Q(object);
  gint x, y, w, h;
  GetExtents(ATK_COMPONENT(object), &x, &y, &w, &h, coords);
  Fl_Input* edit = EditOf(a);
  fl_font(edit->textfont(), edit->textsize());
  const int inside = h - Fl::box_dh(edit->box());
  const int top = y + Fl::box_dy(edit->box()) + (inside - fl_height()) / 2;
  return {x + Fl::box_dx(edit->box()) + kEditTextIndent, top, fl_height()};
}

void GetCharacterExtents(AtkText* object, gint offset, gint* x, gint* y, gint* w, gint* h,
                         AtkCoordType coords) {
  QelAccessible* a = Q(object);
  const char* text = TextOf(a);
  *x = *y = *w = *h = 0;
  if (!a->dialog || offset < 0 || offset >= CharacterCount(text)) return;
  const TextLine line = LineOf(object, coords);
  const char* at = g_utf8_offset_to_pointer(text, offset);
  *x = line.left + static_cast<gint>(fl_width(text, static_cast<int>(at - text)));
  *w = static_cast<gint>(fl_width(at, static_cast<int>(g_utf8_next_char(at) - at)));
  *y = line.top;
  *h = line.height;
}

gint GetOffsetAtPoint(AtkText* object, gint x, gint y, AtkCoordType coords) {
  QelAccessible* a = Q(object);
  if (!a->dialog) return -1;
  const TextLine line = LineOf(object, coords);
  if (y < line.top || y >= line.top + line.height || x < line.left) return -1;
  const char* text = TextOf(a);
  gint offset = 0;
  for (const char* at = text; *at; at = g_utf8_next_char(at), offset++)
    if (line.left + fl_width(text, static_cast<int>(g_utf8_next_char(at) - text)) > x) return offset;
  return -1;
}

// ---- text attributes. A screen reader splits a line into runs of one
// language and style before speaking it; with no run it speaks nothing. A
// field is one run, as a GTK entry without marked-up text reports it.

AtkAttributeSet* AddAttribute(AtkAttributeSet* set, AtkTextAttribute name, std::string value) {
  auto* attribute = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
  attribute->name = g_strdup(atk_text_attribute_get_name(name));
  attribute->value = g_strdup(value.c_str());
  return g_slist_prepend(set, attribute);
}

AtkAttributeSet* AddDirection(AtkAttributeSet* set) {
  return AddAttribute(set, ATK_TEXT_ATTR_DIRECTION, "ltr");
}

// As Pango names the locale's language: "it-it" for it_IT.UTF-8.
std::string LocaleLanguage() {
  const char* locale = setlocale(LC_CTYPE, nullptr);
  std::string language = locale && std::strcmp(locale, "C") && std::strcmp(locale, "POSIX") ? locale : "c";
  language = language.substr(0, language.find_first_of(".@"));
  for (char& c : language) c = c == '_' ? '-' : static_cast<char>(g_ascii_tolower(c));
  return language;
}

// ATK's colours are Pango's: 16 bits a channel.
std::string AtkColor(Fl_Color color) {
  uchar r, g, b;
  Fl::get_color(color, r, g, b);
  return std::to_string(r * 257) + "," + std::to_string(g * 257) + "," + std::to_string(b * 257);
}

AtkAttributeSet* GetRunAttributes(AtkText* object, gint offset, gint* start, gint* end) {
  const gint count = CharacterCount(TextOf(Q(object)));
  *start = *end = -1;
  if (offset < 0 || offset > count) return nullptr;
  *start = 0;
  *end = count;
  return AddDirection(nullptr);
}

AtkAttributeSet* GetDefaultAttributes(AtkText* object) {
  QelAccessible* a = Q(object);
  if (!a->dialog) return nullptr;
  Fl_Input* edit = EditOf(a);
  const char* family = Fl::get_font_name(edit->textfont());
  AtkAttributeSet* set = AddDirection(nullptr);
  set = AddAttribute(set, ATK_TEXT_ATTR_LANGUAGE, LocaleLanguage());
  set = AddAttribute(set, ATK_TEXT_ATTR_FAMILY_NAME, family ? family : "");
  // In points, as Pango gives it: FLTK's pixels are at the desktop's scale.
  const long points = std::lround(edit->textsize() * 72.0 / (96.0 * a->dialog->font.scale));
  set = AddAttribute(set, ATK_TEXT_ATTR_SIZE, std::to_string(points));
  set = AddAttribute(set, ATK_TEXT_ATTR_WEIGHT, "400");
  set = AddAttribute(set, ATK_TEXT_ATTR_FG_COLOR, AtkColor(edit->textcolor()));
  set = AddAttribute(set, ATK_TEXT_ATTR_BG_COLOR, AtkColor(edit->color()));
  set = AddAttribute(set, ATK_TEXT_ATTR_EDITABLE, edit->readonly() ? "false" : "true");
  set = AddAttribute(set, ATK_TEXT_ATTR_INVISIBLE, "false");
  return g_slist_reverse(set);
}

void InitText(AtkTextIface* iface) {
  iface->get_run_attributes = GetRunAttributes;
  iface->get_default_attributes = GetDefaultAttributes;
  iface->get_text = GetText;
  iface->get_character_count = GetCharacterCount;
  iface->get_caret_offset = GetCaretOffset;
  iface->set_caret_offset = SetCaretOffset;
  iface->get_character_at_offset = GetCharacterAtOffset;
  iface->get_string_at_offset = GetStringAtOffset;
  iface->get_text_at_offset = GetTextAtOffset;
  iface->get_n_selections = GetNSelections;
  iface->get_selection = GetSelection;
  iface->set_selection = SetSelection;
  iface->add_selection = AddSelection;
  iface->remove_selection = RemoveSelection;
  iface->get_character_extents = GetCharacterExtents;
  iface->get_offset_at_point = GetOffsetAtPoint;
}

// ---- changes from outside: queued, and made from the event loop as the
// user would make them, since they run the dialog procedure.

struct PendingEdit {
  AtkObject* entry;  // reference held
  gint from, to;     // characters; -1: the end
  std::string text;
};
std::deque<PendingEdit> pendingEdits;

void MakePendingEdits(void*) {
  while (!pendingEdits.empty()) {
    PendingEdit edit = std::move(pendingEdits.front());
    pendingEdits.pop_front();
    QelAccessible* a = Q(edit.entry);
    if (TakesInput(a)) {
      const char* text = TextOf(a);
      const int from = ByteOffset(text, edit.from), to = ByteOffset(text, edit.to);
      platform->services->replaceText(*a->control, std::min(from, to), std::max(from, to),
                                      edit.text.data(), static_cast<int>(edit.text.size()));
    }
    g_object_unref(edit.entry);
  }
}

bool QueueEdit(AtkEditableText* object, gint from, gint to, std::string text) {
  if (!TakesInput(Q(object))) return false;
  pendingEdits.push_back({ATK_OBJECT(g_object_ref(object)), from, to, std::move(text)});
  Fl::add_timeout(0.0, MakePendingEdits);
  return true;
}

void SetTextContents(AtkEditableText* object, const gchar* text) {
  QueueEdit(object, 0, -1, text ? text : "");
}

void InsertText(AtkEditableText* object, const gchar* text, gint length, gint* position) {
  if (!text || !position) return;
  std::string inserted = length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
  const gint count = static_cast<gint>(g_utf8_strlen(inserted.data(), static_cast<gssize>(inserted.size())));
  if (QueueEdit(object, *position, *position, std::move(inserted))) *position += count;
}

void DeleteText(AtkEditableText* object, gint start, gint end) { QueueEdit(object, start, end, ""); }

void InitEditableText(AtkEditableTextIface* iface) {
  iface->set_text_contents = SetTextContents;
  iface->insert_text = InsertText;
  iface->delete_text = DeleteText;
}

// ---- push buttons: one action, a click, queued like the edits.

void ClickLater(void* object) {
  QelAccessible* a = Q(object);
  if (TakesInput(a)) platform->services->click(*a->control);
  g_object_unref(object);
}

gboolean DoAction(AtkAction* object, gint i) {
  if (i != 0 || !TakesInput(Q(object))) return FALSE;
  Fl::add_timeout(0.0, ClickLater, g_object_ref(object));
  return TRUE;
}

gint GetNActions(AtkAction*) { return 1; }
const gchar* GetActionName(AtkAction*, gint i) { return i == 0 ? "click" : nullptr; }

void InitAction(AtkActionIface* iface) {
  iface->do_action = DoAction;
  iface->get_n_actions = GetNActions;
  iface->get_name = GetActionName;
}

// ---- menu items: one action, choosing the item, queued like the clicks.

void ChooseLater(void* object) {
  QelAccessible* a = Q(object);
  if (a->dialog) platform->services->chooseMenuItem(*a->menu, a->item);
  g_object_unref(object);
}

gboolean DoMenuItemAction(AtkAction* object, gint i) {
  QelAccessible* a = Q(object);
  if (i != 0 || !a->dialog || !a->menu->items[static_cast<size_t>(a->item)].enabled) return FALSE;
  Fl::add_timeout(0.0, ChooseLater, g_object_ref(object));
  return TRUE;
}

void InitMenuItemAction(AtkActionIface* iface) {
  iface->do_action = DoMenuItemAction;
  iface->get_n_actions = GetNActions;
  iface->get_name = GetActionName;
}

// ---- names and labels

const char* OwnName(const Control& control) {
  return IsIcon(control) && std::string(control.kind->className) == "STATIC" ? nullptr
                                                                             : TextOfControl(control);
}

void Label(AccessibleDialog& d) {
  for (size_t i = 0; i < d.controls.size(); i++) {
    QelAccessible* a = Q(d.controls[i]);
    if (!AccessibleKindOf(*a->control)->namedByLabel) continue;
    Control* label = a->control->label;  // the dialog manager's rule, from the template
    if (!label) continue;
    AtkObject* labelObject = nullptr;
    for (AtkObject* o : d.controls)
      if (Q(o)->control == label) labelObject = o;
    atk_object_set_name(d.controls[i], TextOfControl(*label));
    atk_object_add_relationship(d.controls[i], ATK_RELATION_LABELLED_BY, labelObject);
    atk_object_add_relationship(labelObject, ATK_RELATION_LABEL_FOR, d.controls[i]);
  }
}

AccessibleDialog NewAccessibleDialog(HWND dialog) {
  AccessibleDialog d{dialog, nullptr, {}};
  d.window = NewAccessible(qel_window_get_type(), Node::Window, dialog, nullptr,
                           dialog->owner ? ATK_ROLE_DIALOG : ATK_ROLE_FRAME, WindowOf(*dialog)->label(),
                           application);
  for (auto& control : dialog->controls) {
    const AccessibleKind* kind = AccessibleKindOf(*control);
    if (!kind) continue;
    AtkObject* object = NewAccessible(kind->type(*control), Node::Control, dialog, control.get(),
                                      kind->role(*control), kind->namedByLabel ? nullptr : OwnName(*control),
                                      d.window);
    QelAccessible* a = Q(object);
    if (kind->type(*control) == qel_entry_get_type()) {
      a->announcedText = g_strdup(TextOfControl(*control));
      a->announcedCaret = EditOf(a)->position();
      a->announcedMark = EditOf(a)->mark();
    }
    d.controls.push_back(object);
  }
  Label(d);
  return d;
}

std::string ApplicationName(HWND firstDialog) {
  std::string name = firstDialog && WindowOf(*firstDialog)->label() ? WindowOf(*firstDialog)->label() : "";
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

// ---- events

AtkObject* FocusedAccessible() {
  if (openMenu.menu) {
    const int highlighted = openMenu.menu->highlighted;
    return highlighted >= 0 ? openMenu.items[static_cast<size_t>(highlighted)] : openMenu.popup;
  }
  if (dialogs.empty()) return nullptr;
  for (AtkObject* o : dialogs.back().controls)
    if (WidgetOf(*Q(o)->control) == Fl::focus()) return o;
  return nullptr;
}

void AnnounceCaret(AtkObject* entry) {
  QelAccessible* a = Q(entry);
  const int caret = EditOf(a)->position(), mark = EditOf(a)->mark();
  const bool hadSelection = a->announcedMark != a->announcedCaret;
  const bool moved = caret != a->announcedCaret;
  if (moved) g_signal_emit_by_name(entry, "text-caret-moved", CharacterOffset(TextOf(a), caret));
  if ((moved || mark != a->announcedMark) && (mark != caret || hadSelection))
    g_signal_emit_by_name(entry, "text-selection-changed");
  a->announcedCaret = caret;
  a->announcedMark = mark;
}

void AnnounceActiveWindow(AtkObject* active) {
  if (active == announcedActive) return;
  if (announcedActive && Q(announcedActive)->dialog) {
    AtkObject* old = announcedActive;
    announcedActive = nullptr;
    atk_object_notify_state_change(old, ATK_STATE_ACTIVE, FALSE);
    g_signal_emit_by_name(old, "deactivate");
    announcedActive = old;
  }
  ReplaceRef(&announcedActive, active);
  if (!active) return;
  atk_object_notify_state_change(active, ATK_STATE_ACTIVE, TRUE);
  g_signal_emit_by_name(active, "activate");
}

void AnnounceFocus(AtkObject* focus) {
  if (focus == announcedFocus) return;
  AtkObject* old = announcedFocus;
  announcedFocus = nullptr;
  if (old && Q(old)->dialog) atk_object_notify_state_change(old, ATK_STATE_FOCUSED, FALSE);
  ReplaceRef(&announcedFocus, focus);
  if (old) g_object_unref(old);
  if (!focus) return;
  if (G_OBJECT_TYPE(focus) == qel_entry_get_type()) {
    Q(focus)->announcedCaret = EditOf(Q(focus))->position();
    Q(focus)->announcedMark = EditOf(Q(focus))->mark();
  }
  atk_object_notify_state_change(focus, ATK_STATE_FOCUSED, TRUE);
}

void EmitTextSignal(AtkObject* entry, const char* signal, const char* text, glong from, glong count) {
  if (count <= 0) return;
  gchar* part = g_utf8_substring(text, from, from + count);
  g_signal_emit_by_name(entry, signal, static_cast<gint>(from), static_cast<gint>(count), part);
  g_free(part);
}

// Offsets and texts from the common beginning and end of the old and new
// text, so that each change, taken-back keystrokes included, is one removal
// and one insertion at most.
void AnnounceTextChange(AtkObject* entry, const char* before, const char* after) {
  glong oldCount = 0, newCount = 0;
  gunichar* was = g_utf8_to_ucs4_fast(before, -1, &oldCount);
  gunichar* is = g_utf8_to_ucs4_fast(after, -1, &newCount);
  const glong shorter = std::min(oldCount, newCount);
  glong prefix = 0, suffix = 0;
  while (prefix < shorter && was[prefix] == is[prefix]) prefix++;
  while (suffix < shorter - prefix && was[oldCount - 1 - suffix] == is[newCount - 1 - suffix]) suffix++;
  g_free(was);
  g_free(is);
  EmitTextSignal(entry, "text-remove", before, prefix, oldCount - prefix - suffix);
  EmitTextSignal(entry, "text-insert", after, prefix, newCount - prefix - suffix);
}

void AnnounceAgainNow(void*) {
  if (announcedActive) g_signal_emit_by_name(announcedActive, "activate");
  if (announcedFocus) atk_object_notify_state_change(announcedFocus, ATK_STATE_FOCUSED, TRUE);
}

}  // namespace

void CreateAccessibleTree(const AccessibilityPlatform* p) {
  platform = p;
  const std::vector<HWND>& open = *platform->openDialogs;
  const std::string name = ApplicationName(open.empty() ? nullptr : open.front());
  application = NewAccessible(qel_accessible_get_type(), Node::Application, nullptr, nullptr,
                              ATK_ROLE_APPLICATION, name.c_str(), nullptr);
  for (HWND dialog : open) dialogs.push_back(NewAccessibleDialog(dialog));
}

AtkObject* ApplicationAccessible() { return application; }

void AddAccessibleDialog(HWND dialog) {
  dialogs.push_back(NewAccessibleDialog(dialog));
  g_signal_emit_by_name(application, "children-changed::add", static_cast<gint>(dialogs.size() - 1),
                        dialogs.back().window);
  g_signal_emit_by_name(dialogs.back().window, "create");
}

void RemoveAccessibleDialog(HWND dialog) {
  auto d = std::find_if(dialogs.begin(), dialogs.end(),
                        [&](const AccessibleDialog& x) { return x.dialog == dialog; });
  if (d == dialogs.end()) return;
  if (announcedActive == d->window) AnnounceActiveWindow(nullptr);
  if (announcedFocus && Q(announcedFocus)->dialog == dialog) ReplaceRef(&announcedFocus, nullptr);
  const gint index = static_cast<gint>(d - dialogs.begin());
  AccessibleDialog gone = *d;
  dialogs.erase(d);
  g_signal_emit_by_name(gone.window, "destroy");
  g_signal_emit_by_name(application, "children-changed::remove", index, gone.window);
  for (AtkObject* o : gone.controls) {
    Q(o)->dialog = nullptr;
    Q(o)->control = nullptr;
    g_object_unref(o);
  }
  Q(gone.window)->dialog = nullptr;
  atk_object_notify_state_change(gone.window, ATK_STATE_DEFUNCT, TRUE);
  g_object_unref(gone.window);
}

void AccessibleTextChangedHook(const Control& control) {
  AccessibleDialog* d = FindDialog(control.dialog);
  if (!d) return;
  for (AtkObject* o : d->controls) {
    if (Q(o)->control != &control || G_OBJECT_TYPE(o) != qel_entry_get_type()) continue;
    gchar* before = Q(o)->announcedText;
    Q(o)->announcedText = g_strdup(TextOfControl(control));
    AnnounceTextChange(o, before, Q(o)->announcedText);
    g_free(before);
  }
}

AtkObject* NewMenuAccessible(GType type, Node node, PopupMenu& menu, int item, AtkRole role, const char* name,
                             AtkObject* parent) {
  AtkObject* object = NewAccessible(type, node, menu.owner->dialog, nullptr, role, name, parent);
  Q(object)->menu = &menu;
  Q(object)->item = item;
  return object;
}

AtkObject* AccessibleOf(const Control* control) {
  for (const AccessibleDialog& d : dialogs)
    for (AtkObject* o : d.controls)
      if (Q(o)->control == control) return o;
  return nullptr;
}

// The item now highlighted is selected, the one before no longer.
void AnnounceMenuSelection() {
  const int highlighted = openMenu.menu->highlighted;
  if (highlighted == openMenu.announcedHighlight) return;
  if (openMenu.announcedHighlight >= 0)
    atk_object_notify_state_change(openMenu.items[static_cast<size_t>(openMenu.announcedHighlight)],
                                   ATK_STATE_SELECTED, FALSE);
  if (highlighted >= 0)
    atk_object_notify_state_change(openMenu.items[static_cast<size_t>(highlighted)], ATK_STATE_SELECTED, TRUE);
  openMenu.announcedHighlight = highlighted;
}

void AnnounceChanges() {
  // FLTK takes the focus away from every widget when the X keyboard focus
  // goes to another program, and gives it back on return.
  const bool hasKeyboard = Fl::focus() != nullptr;
  AnnounceActiveWindow(dialogs.empty() || !hasKeyboard ? nullptr : dialogs.back().window);
  AtkObject* focus = FocusedAccessible();
  AnnounceFocus(focus);
  if (focus && G_OBJECT_TYPE(focus) == qel_entry_get_type()) AnnounceCaret(focus);
}

void AnnounceAgain() { Fl::add_timeout(0.0, AnnounceAgainNow); }

void AccessibleMenuOpenedHook(PopupMenu& menu) {
  if (openMenu.menu) return;  // one at a time, as USER32's
  openMenu.menu = &menu;
  openMenu.window =
      NewMenuAccessible(qel_window_get_type(), Node::MenuWindow, menu, -1, ATK_ROLE_WINDOW, nullptr, application);
  openMenu.popup = NewMenuAccessible(qel_accessible_get_type(), Node::Menu, menu, -1, ATK_ROLE_POPUP_MENU, menu.name,
                                     openMenu.window);
  for (size_t i = 0; i < menu.items.size(); i++) {
    const std::string text = ParseMenuLabel(menu.items[i].label).text;
    AtkObject* item = NewMenuAccessible(qel_menu_item_get_type(), Node::MenuItem, menu, static_cast<int>(i),
                                        ATK_ROLE_MENU_ITEM, text.c_str(), openMenu.popup);
    openMenu.items.push_back(item);
    openMenu.children.push_back(item);
    if (menu.items[i].separatorAfter)
      openMenu.children.push_back(NewMenuAccessible(qel_accessible_get_type(), Node::MenuSeparator, menu,
                                                    static_cast<int>(i), ATK_ROLE_SEPARATOR, nullptr,
                                                    openMenu.popup));
  }
  if (AtkObject* owner = AccessibleOf(menu.owner))
    atk_object_add_relationship(openMenu.popup, ATK_RELATION_POPUP_FOR, owner);
  g_signal_emit_by_name(application, "children-changed::add", static_cast<gint>(dialogs.size()), openMenu.window);
  g_signal_emit_by_name(openMenu.window, "create");
  AnnounceChanges();
}

void AccessibleMenuHighlightedHook(PopupMenu& menu) {
  if (openMenu.menu != &menu) return;
  AnnounceMenuSelection();
  AnnounceChanges();
}

// The focus goes back to the control while the menu's objects still
// answer, then they become defunct.
void AccessibleMenuClosedHook(PopupMenu& menu) {
  if (openMenu.menu != &menu) return;
  AccessibleMenu gone = openMenu;
  openMenu = AccessibleMenu();
  AnnounceChanges();
  g_signal_emit_by_name(gone.window, "destroy");
  g_signal_emit_by_name(application, "children-changed::remove", static_cast<gint>(dialogs.size()), gone.window);
  gone.children.push_back(gone.popup);
  gone.children.push_back(gone.window);
  for (AtkObject* o : gone.children) {
    Q(o)->dialog = nullptr;
    atk_object_notify_state_change(o, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(o);
  }
}
