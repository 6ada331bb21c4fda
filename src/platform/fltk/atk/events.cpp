// What a screen reader is told: dialogs opened and closed, the active
// window, the focus, the caret and each change of a field's text.
#include <algorithm>
#include <string>
#include <vector>

#include "accessible.h"
#include "node.h"

namespace {

void ReplaceRef(AtkObject** slot, AtkObject* object) {
  if (object) g_object_ref(object);
  if (*slot) g_object_unref(*slot);
  *slot = object;
}

// The newest dialog with objects: one being shown has none yet.
AccessibleDialog* NewestDialog() {
  const std::vector<HWND>& open = OpenDialogList();
  for (auto dialog = open.rbegin(); dialog != open.rend(); ++dialog)
    if (AccessibleDialog* d = FindDialog(*dialog)) return d;
  return nullptr;
}

AtkObject* FocusedAccessible() {
  const AccessibleMenu& menu = tree.openMenu;
  if (menu.menu) {
    const int highlighted = Services().menuView(*menu.menu).highlighted;
    return highlighted >= 0 ? menu.items[static_cast<size_t>(highlighted)] : menu.popup;
  }
  const Control* focused = Services().focusedControl();
  const AccessibleDialog* newest = NewestDialog();
  if (!focused || !newest || Q(newest->window)->dialog != Services().dialogOf(*focused)) return nullptr;
  return AccessibleOf(focused);
}

void AnnounceCaret(AtkObject* entry) {
  QelAccessible* a = Q(entry);
  const EditCaret now = Services().editCaret(*a->control);
  const int caret = static_cast<int>(now.caret), mark = static_cast<int>(now.anchor);
  const bool hadSelection = a->announcedMark != a->announcedCaret;
  const bool moved = caret != a->announcedCaret;
  if (moved) {  // in characters
    const std::string text = Services().controlText(*a->control);
    const glong offset = g_utf8_pointer_to_offset(text.c_str(), text.c_str() + caret);
    g_signal_emit_by_name(entry, "text-caret-moved", static_cast<gint>(offset));
  }
  if ((moved || mark != a->announcedMark) && (mark != caret || hadSelection))
    g_signal_emit_by_name(entry, "text-selection-changed");
  a->announcedCaret = caret;
  a->announcedMark = mark;
}

void AnnounceActiveWindow(AtkObject* active) {
  if (active == tree.announcedActive) return;
  if (tree.announcedActive && Q(tree.announcedActive)->dialog) {
    AtkObject* old = tree.announcedActive;
    tree.announcedActive = nullptr;
    atk_object_notify_state_change(old, ATK_STATE_ACTIVE, FALSE);
    g_signal_emit_by_name(old, "deactivate");
    tree.announcedActive = old;
  }
  ReplaceRef(&tree.announcedActive, active);
  if (!active) return;
  atk_object_notify_state_change(active, ATK_STATE_ACTIVE, TRUE);
  g_signal_emit_by_name(active, "activate");
}

void AnnounceFocus(AtkObject* focus) {
  if (focus == tree.announcedFocus) return;
  AtkObject* old = tree.announcedFocus;
  tree.announcedFocus = nullptr;
  if (old && Q(old)->dialog) atk_object_notify_state_change(old, ATK_STATE_FOCUSED, FALSE);
  ReplaceRef(&tree.announcedFocus, focus);
  if (old) g_object_unref(old);
  if (!focus) return;
  if (IsEntry(focus)) {
    const EditCaret caret = Services().editCaret(*Q(focus)->control);
    Q(focus)->announcedCaret = static_cast<int>(caret.caret);
    Q(focus)->announcedMark = static_cast<int>(caret.anchor);
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
  if (tree.announcedActive) g_signal_emit_by_name(tree.announcedActive, "activate");
  if (tree.announcedFocus) atk_object_notify_state_change(tree.announcedFocus, ATK_STATE_FOCUSED, TRUE);
}

gint IndexOfDialog(HWND dialog) {
  const std::vector<HWND>& open = OpenDialogList();
  return static_cast<gint>(std::find(open.begin(), open.end(), dialog) - open.begin());
}

}  // namespace

void AnnounceChanges() {
  // FLTK takes the focus away from every control when the X keyboard focus
  // goes to another program, and gives it back on return.
  const AccessibleDialog* newest = NewestDialog();
  AnnounceActiveWindow(newest && Services().focusedControl() ? newest->window : nullptr);
  AtkObject* focus = FocusedAccessible();
  AnnounceFocus(focus);
  if (focus && IsEntry(focus)) AnnounceCaret(focus);
}

void AnnounceAgain() { RunFromLoop(AnnounceAgainNow, nullptr); }

// A dialog the tree already met while it was being shown keeps its objects.
void AddAccessibleDialog(HWND dialog) {
  AccessibleDialog& d = FindDialog(dialog) ? *FindDialog(dialog) : NewAccessibleDialog(dialog);
  g_signal_emit_by_name(tree.application, "children-changed::add", IndexOfDialog(dialog), d.window);
  g_signal_emit_by_name(d.window, "create");
}

void RemoveAccessibleDialog(HWND dialog) {
  AccessibleDialog* d = FindDialog(dialog);
  if (!d) return;
  if (tree.announcedActive == d->window) AnnounceActiveWindow(nullptr);
  if (tree.announcedFocus && Q(tree.announcedFocus)->dialog == dialog) ReplaceRef(&tree.announcedFocus, nullptr);
  const AccessibleDialog gone = *d;
  tree.dialogs.erase(dialog);
  g_signal_emit_by_name(gone.window, "destroy");
  g_signal_emit_by_name(tree.application, "children-changed::remove", IndexOfDialog(dialog), gone.window);
  for (AtkObject* o : gone.controls) {
    Q(o)->dialog = nullptr;
    Q(o)->control = nullptr;
    g_object_unref(o);
  }
  MakeDefunct(gone.window);
}

void AccessibleTextChangedHook(const Control& control) {
  AtkObject* entry = AccessibleOf(&control);
  if (!entry || !IsEntry(entry)) return;
  gchar* before = Q(entry)->announcedText;
  Q(entry)->announcedText = g_strdup(Services().controlText(control).c_str());
  AnnounceTextChange(entry, before, Q(entry)->announcedText);
  g_free(before);
}
