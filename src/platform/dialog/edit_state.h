// What a single-line edit control holds, and how each change moves it, as
// USER32's edit.c keeps its EDITSTATE: the text, the selection with the
// end that is the caret, and the one level of undo. Pure: no widget, no
// notification, no measure (what an insertion may bring is edit_rule.h's).
#ifndef QEL_PLATFORM_EDIT_STATE_H
#define QEL_PLATFORM_EDIT_STATE_H

#include <cstddef>
#include <string>

struct EditState {
  std::string text;  // UTF-8, whole characters
  // The selection runs between the two, either way round; the caret is
  // the end that moves.
  size_t anchor = 0, caret = 0;
  // What the last change took out (undoText, from undoPosition) and how
  // many bytes it put in there: undo swaps the two back.
  std::string undoText;
  size_t undoPosition = 0, undoInsertCount = 0;
};

size_t SelectionStart(const EditState& edit);
size_t SelectionEnd(const EditState& edit);
std::string SelectedText(const EditState& edit);

// Clamped to the text and to whole characters.
void SelectEditRange(EditState& edit, size_t anchor, size_t caret);

// `inserted` in place of the selection, the caret after it. With canUndo
// the change joins the undo buffer as USER32 joins typing to it; without,
// the buffer is emptied. False, and nothing done, when there was neither a
// selection nor text to insert.
bool ReplaceEditSelection(EditState& edit, const std::string& inserted, bool canUndo);

// EM_UNDO: the last change taken back, what it restored selected; a second
// undo redoes it. False if the text stayed as it was.
bool UndoEdit(EditState& edit);
bool CanUndoEdit(const EditState& edit);

// Character and word steps from `at`, in UTF-8 bytes; a word starts after
// blanks, as the default word-break procedure finds it.
size_t CharacterBefore(const std::string& text, size_t at);
size_t CharacterAfter(const std::string& text, size_t at);
size_t WordStartBefore(const std::string& text, size_t at);
size_t WordStartAfter(const std::string& text, size_t at);

// What a key does in a single-line edit, as USER32's WM_KEYDOWN and WM_CHAR
// handlers decide it; the modifiers held are kEditShift and kEditCtrl.
enum class EditCommand {
  kNone,            // the edit takes the key and does nothing
  kCharLeft,        // the caret moves; with Shift the selection follows it
  kCharRight,
  kWordLeft,
  kWordRight,
  kHome,
  kEnd,
  kBackspace,       // the selection, or the character before the caret
  kDelete,          // the selection, or the character after it
  kCutOrDeleteBack, // Shift+Delete: cuts a selection, else as Backspace
  kClearOrToEnd,    // Ctrl+Delete: clears a selection, else to the end
  kCut,
  kCopy,
  kPaste,
  kClear,
  kUndo,
  kSelectAll,
};
enum EditModifier { kEditShift = 1, kEditCtrl = 2, kEditAlt = 4 };
// Windows' virtual-key codes of the keys the table names; a letter's is
// its capital.
enum EditVirtualKey {
  kVkBack = 0x08, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26,
  kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D, kVkDelete = 0x2E,
};
// kNone for a key the table has, with nothing to do; false if the edit
// leaves the key alone (a character to type, or a key for the dialog).
bool EditCommandForKey(int virtualKey, int modifiers, EditCommand* command);
bool MovesCaret(EditCommand command);

#endif
