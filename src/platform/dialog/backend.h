// What a toolkit backend implements for the dialog manager. One backend is
// compiled into each platform unit (fltk/, web/); the build picks it.
//
// A backend DOES: make a window and widgets at the rectangles it is given,
// show and read their texts, carets and selections, move the keyboard focus
// when told, measure fonts and texts, wait for events and wake, beep; and it
// reports what the user did by calling the manager (dialog_manager.h):
// InsertIntoEdit for text typed or pasted, EditTextChanged after any change
// of an edit's text, SendCommand(BN_CLICKED) for a pressed button,
// HandleDialogKey for keys no widget used, CloseBoxPressed, and
// DeliverInjectedKeys once an input event is handled.
//
// A backend DOES NOT decide: what goes into a field (case, line breaks,
// NULs, what fits), which control Tab or Enter picks, when a dialog ends,
// which notification is sent or in what order. Those are USER32's rules and
// live in the manager, the same for every backend.
#ifndef QEL_PLATFORM_DIALOG_BACKEND_H
#define QEL_PLATFORM_DIALOG_BACKEND_H

#include <cstddef>
#include <string>

#include "dialog_manager.h"

// Dialogs.
// Measures dialog->font (base units and scale) and makes the dialog's
// window, of the template's client size, hidden.
NativeDialog* BackendCreateDialog(HWND dialog);
// Places it: `at` is in its owner's client area, or on the screen.
void BackendPlaceDialog(HWND dialog, const PixelRect& at);
// Maps it, modal over its owner, and gives it the keyboard.
void BackendShowDialog(HWND dialog);
bool BackendDialogShown(HWND dialog);  // false once the user's desktop closed it
PixelRect BackendDialogRect(HWND dialog);  // its client area now, on the screen (the web: in the page)
void BackendActivateDialog(HWND dialog);  // its window gets the keyboard back
void BackendDestroyDialog(HWND dialog);   // the window and every widget in it

// Controls.
NativeControl* BackendCreateControl(Control& control, const DialogItemTemplate& item, const PixelRect& rect);
void BackendShowText(Control& control);  // a button's or a static's control.text
// An edit's widget text, all of it, as the user sees it.
std::string BackendEditText(const Control& edit);
// Sets it, the caret at the start, without telling the manager.
void BackendSetEditText(Control& edit, const std::string& text);
struct EditSelection {
  size_t start, end;  // UTF-8 bytes, start <= end
};
EditSelection BackendEditSelection(const Control& edit);
size_t BackendEditCaret(const Control& edit);  // one end of the selection
// Selects from `anchor` to `caret`, either way round, without telling the
// manager.
void BackendSelectEdit(Control& edit, size_t anchor, size_t caret);
// Puts `text` in place of the selection as the toolkit's own typing or
// pasting would (its undo keeps it); the change is then reported through
// EditTextChanged, now or as the toolkit's next event.
void BackendReplaceSelection(Control& edit, const std::string& text, bool pasted);
void BackendEditBackspace(Control& edit);  // as the key, without modifiers
// Pixels: the width of [text, text + size) in the edit's font, and how
// wide a text may grow in the edit before the toolkit scrolls it.
double BackendTextWidth(const Control& edit, const char* text, size_t size);
double BackendEditTextArea(const Control& edit);

// Focus.
void BackendFocus(Control& control, bool selectAll);
Control* BackendFocusedControl();  // in any open dialog; null if none has it

// The event loop.
void BackendWaitForEvent();    // waits for events, and handles them
void BackendWake();            // makes the current wait return
void BackendDeliverSoon();     // DeliverInjectedKeys once the current event is done
void BackendBeep();

// What the manager tells the rest of the platform unit (assistive
// technology, other processes reading texts).
void BackendDialogCreated(HWND dialog);    // shown, its first focus in place
void BackendDialogDestroyed(HWND dialog);  // before its window goes
void BackendTextChanged(const Control& control);  // before the change is notified

#endif
