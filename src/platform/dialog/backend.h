// What a toolkit backend implements for the dialog manager. One backend is
// compiled into each platform unit (fltk/, web/); the build picks it.
//
// A backend DOES: make a window and widgets at the rectangles it is given,
// draw an edit's text, caret and selection as the manager holds them, tell
// a keyboard on the screen what an edit takes, move the keyboard focus when
// told, measure fonts and texts, reach the clipboard, wait for events and
// wake, beep; and it reports what the user did by calling the manager
// (dialog_manager.h): EditKeyDown for a key in an edit, InsertIntoEdit for
// text pasted, dropped or committed by an input method, SetEditCaret for a
// selection made with the mouse, SendCommand(BN_CLICKED) for a pressed
// button, HandleDialogKey for keys no control used, CloseBoxPressed, and
// DeliverInjectedKeys once an input event is handled. The toolkit's own
// editing, undo and key bindings are off: an edit's text changes only when
// the manager says.
//
// A backend DOES NOT decide: what goes into a field (case, line breaks,
// NULs, what fits), what a key does to it, what undo restores, which
// control Tab or Enter picks, when a dialog ends, which notification is
// sent or in what order. Those are USER32's rules and live in the manager,
// the same for every backend.
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
// A button's or a static's control.text, and a push button's look as the
// default one (BS_DEFPUSHBUTTON) or not.
void BackendShowText(Control& control);
// Draws an edit's state (control.edit) as it is now: text, selection, and
// the caret at its end, scrolled into view.
void BackendShowEdit(Control& edit);
// Tells a keyboard on the screen what the edit takes (edit.inputScope).
void BackendShowInputScope(const Control& edit);
// The clipboard: text copied from an edit; a paste into it, whose text
// comes back through InsertIntoEdit, now or once the clipboard answers;
// and whether a paste may find text, for the menu.
void BackendCopyText(const Control& edit, const std::string& text);
void BackendPasteInto(Control& edit);
bool BackendClipboardMayHoldText();
// Pixels: the width of [text, text + size) in the edit's font, and how
// wide a text may grow in the edit before the toolkit scrolls it.
double BackendTextWidth(const Control& edit, const char* text, size_t size);
double BackendEditTextArea(const Control& edit);

// Focus.
void BackendFocus(Control& control);
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
