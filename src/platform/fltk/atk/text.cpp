// An entry's text (AtkText, AtkEditableText). ATK counts characters; the
// dialog manager counts UTF-8 bytes.
#include <algorithm>
#include <clocale>
#include <cstring>
#include <deque>
#include <string>

#include "node.h"

namespace {

void InitText(AtkTextIface* iface);
void InitEditableText(AtkEditableTextIface* iface);

}  // namespace

typedef QelAccessible QelEntry;
typedef AtkObjectClass QelEntryClass;
G_DEFINE_TYPE_WITH_CODE(QelEntry, qel_entry, qel_accessible_get_type(),
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_TEXT, InitText)
                            G_IMPLEMENT_INTERFACE(ATK_TYPE_EDITABLE_TEXT, InitEditableText))

void qel_entry_init(QelEntry*) {}
void qel_entry_class_init(QelEntryClass*) {}

namespace {

std::string TextOf(AtkText* object) {
  const QelAccessible* a = Q(object);
  return a->dialog && a->control ? Services().controlText(*a->control) : std::string();
}

gint CharacterCount(const std::string& text) { return static_cast<gint>(g_utf8_strlen(text.c_str(), -1)); }

gint ClampOffset(const std::string& text, gint offset) {
  const gint count = CharacterCount(text);
  return offset < 0 || offset > count ? count : offset;
}

size_t ByteOffset(const std::string& text, gint offset) {
  return static_cast<size_t>(g_utf8_offset_to_pointer(text.c_str(), ClampOffset(text, offset)) - text.c_str());
}

gint CharacterOffset(const std::string& text, size_t byte) {
  return static_cast<gint>(g_utf8_pointer_to_offset(text.c_str(), text.c_str() + byte));
}

gchar* Substring(const std::string& text, gint start, gint end) {
  end = ClampOffset(text, end);
  start = std::min(ClampOffset(text, start), end);
  return g_utf8_substring(text.c_str(), start, end);
}

gchar* GetText(AtkText* object, gint start, gint end) { return Substring(TextOf(object), start, end); }

gint GetCharacterCount(AtkText* object) { return CharacterCount(TextOf(object)); }

gint GetCaretOffset(AtkText* object) {
  QelAccessible* a = Q(object);
  return a->dialog ? CharacterOffset(TextOf(object), Services().editCaret(*a->control).caret) : 0;
}

bool Select(AtkText* object, gint anchor, gint caret) {
  QelAccessible* a = Q(object);
  if (!a->dialog) return false;
  const std::string text = TextOf(object);
  Services().setEditCaret(*a->control, {ByteOffset(text, caret), ByteOffset(text, anchor)});
  return true;
}

gboolean SetCaretOffset(AtkText* object, gint offset) { return Select(object, offset, offset); }

gunichar GetCharacterAtOffset(AtkText* object, gint offset) {
  const std::string text = TextOf(object);
  if (offset < 0 || offset >= CharacterCount(text)) return 0;
  return g_utf8_get_char(g_utf8_offset_to_pointer(text.c_str(), offset));
}

// A single-line field of one number: every boundary but a character's is
// the whole text.
gchar* StringAt(AtkText* object, gint offset, bool character, gint* start, gint* end) {
  const std::string text = TextOf(object);
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
  if (!a->dialog) return 0;
  const EditCaret caret = Services().editCaret(*a->control);
  return caret.caret != caret.anchor ? 1 : 0;
}

gchar* GetSelection(AtkText* object, gint n, gint* start, gint* end) {
  *start = *end = 0;
  if (n != 0 || !GetNSelections(object)) return nullptr;
  const std::string text = TextOf(object);
  const EditCaret caret = Services().editCaret(*Q(object)->control);
  *start = CharacterOffset(text, std::min(caret.caret, caret.anchor));
  *end = CharacterOffset(text, std::max(caret.caret, caret.anchor));
  return Substring(text, *start, *end);
}

gboolean SetSelection(AtkText* object, gint n, gint start, gint end) { return n == 0 && Select(object, start, end); }

gboolean AddSelection(AtkText* object, gint start, gint end) { return Select(object, start, end); }

gboolean RemoveSelection(AtkText* object, gint n) {
  const gint caret = GetCaretOffset(object);
  return n == 0 && Select(object, caret, caret);
}

// Where the field's one line of characters is drawn.
PixelRect LineOf(AtkText* object, AtkCoordType coords) {
  const QelAccessible* a = Q(object);
  PixelRect line = Services().editTextLine(*a->control);
  if (coords == ATK_XY_SCREEN) {
    const PixelRect window = Services().dialogRect(a->dialog);
    line.x += window.x;
    line.y += window.y;
  }
  return line;
}

double WidthOf(const Control& edit, const char* text, const char* end) {
  return Services().textWidth(edit, text, static_cast<size_t>(end - text));
}

void GetCharacterExtents(AtkText* object, gint offset, gint* x, gint* y, gint* w, gint* h,
                         AtkCoordType coords) {
  QelAccessible* a = Q(object);
  const std::string text = TextOf(object);
  *x = *y = *w = *h = 0;
  if (!a->dialog || offset < 0 || offset >= CharacterCount(text)) return;
  const PixelRect line = LineOf(object, coords);
  const char* at = g_utf8_offset_to_pointer(text.c_str(), offset);
  *x = line.x + static_cast<gint>(WidthOf(*a->control, text.c_str(), at));
  *w = static_cast<gint>(WidthOf(*a->control, at, g_utf8_next_char(at)));
  *y = line.y;
  *h = line.h;
}

gint GetOffsetAtPoint(AtkText* object, gint x, gint y, AtkCoordType coords) {
  QelAccessible* a = Q(object);
  if (!a->dialog) return -1;
  const PixelRect line = LineOf(object, coords);
  if (y < line.y || y >= line.y + line.h || x < line.x) return -1;
  const std::string text = TextOf(object);
  gint offset = 0;
  for (const char* at = text.c_str(); *at; at = g_utf8_next_char(at), offset++)
    if (line.x + WidthOf(*a->control, text.c_str(), g_utf8_next_char(at)) > x) return offset;
  return -1;
}

// ---- attributes. A screen reader splits a line into runs of one
// language and style before speaking it; with no run it speaks nothing. A
// field is one run, as a GTK entry without marked-up text reports it.

AtkAttributeSet* AddAttribute(AtkAttributeSet* set, AtkTextAttribute name, std::string value) {
  auto* attribute = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
  attribute->name = g_strdup(atk_text_attribute_get_name(name));
  attribute->value = g_strdup(value.c_str());
  return g_slist_prepend(set, attribute);
}

AtkAttributeSet* AddDirection(AtkAttributeSet* set) { return AddAttribute(set, ATK_TEXT_ATTR_DIRECTION, "ltr"); }

// As Pango names the locale's language: "it-it" for it_IT.UTF-8.
std::string LocaleLanguage() {
  const char* locale = setlocale(LC_CTYPE, nullptr);
  std::string language = locale && std::strcmp(locale, "C") && std::strcmp(locale, "POSIX") ? locale : "c";
  language = language.substr(0, language.find_first_of(".@"));
  for (char& c : language) c = c == '_' ? '-' : static_cast<char>(g_ascii_tolower(c));
  return language;
}

// ATK's colours are Pango's: 16 bits a channel.
std::string AtkColor(unsigned rgb) {
  return std::to_string((rgb >> 16 & 0xFF) * 257) + "," + std::to_string((rgb >> 8 & 0xFF) * 257) + "," +
         std::to_string((rgb & 0xFF) * 257);
}

AtkAttributeSet* GetRunAttributes(AtkText* object, gint offset, gint* start, gint* end) {
  const gint count = CharacterCount(TextOf(object));
  *start = *end = -1;
  if (offset < 0 || offset > count) return nullptr;
  *start = 0;
  *end = count;
  return AddDirection(nullptr);
}

AtkAttributeSet* GetDefaultAttributes(AtkText* object) {
  QelAccessible* a = Q(object);
  if (!a->dialog) return nullptr;
  const EditLook look = Services().editLook(*a->control);
  AtkAttributeSet* set = AddDirection(nullptr);
  set = AddAttribute(set, ATK_TEXT_ATTR_LANGUAGE, LocaleLanguage());
  set = AddAttribute(set, ATK_TEXT_ATTR_FAMILY_NAME, look.family);
  set = AddAttribute(set, ATK_TEXT_ATTR_SIZE, std::to_string(look.points));
  set = AddAttribute(set, ATK_TEXT_ATTR_WEIGHT, "400");
  set = AddAttribute(set, ATK_TEXT_ATTR_FG_COLOR, AtkColor(look.foreground));
  set = AddAttribute(set, ATK_TEXT_ATTR_BG_COLOR, AtkColor(look.background));
  set = AddAttribute(set, ATK_TEXT_ATTR_EDITABLE, look.readOnly ? "false" : "true");
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
      const std::string text = TextOf(ATK_TEXT(edit.entry));
      const size_t from = ByteOffset(text, edit.from), to = ByteOffset(text, edit.to);
      Services().pasteIntoEdit(*a->control, std::min(from, to), std::max(from, to), edit.text);
    }
    g_object_unref(edit.entry);
  }
}

bool QueueEdit(AtkEditableText* object, gint from, gint to, std::string text) {
  if (!TakesInput(Q(object))) return false;
  pendingEdits.push_back({ATK_OBJECT(g_object_ref(object)), from, to, std::move(text)});
  RunFromLoop(MakePendingEdits, nullptr);
  return true;
}

void SetTextContents(AtkEditableText* object, const gchar* text) { QueueEdit(object, 0, -1, text ? text : ""); }

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

}  // namespace
