// The accessible objects of our dialogs, as the plug-in's loader sees
// them: the tree, and the dialog manager's hooks.
#ifndef QEL_ATK_ACCESSIBLE_H
#define QEL_ATK_ACCESSIBLE_H

#include <atk/atk.h>

#include "../accessibility.h"

// Builds the application and the objects of the dialogs already open.
void CreateAccessibleTree(const AccessibilityPlatform* platform);
AtkObject* ApplicationAccessible();

// The dialog manager's hooks.
void AddAccessibleDialog(HWND dialog);
void RemoveAccessibleDialog(HWND dialog);
void AccessibleTextChangedHook(const Control& control);
void AccessibleMenuOpenedHook(PopupMenu& menu);
void AccessibleMenuHighlightedHook(PopupMenu& menu);
void AccessibleMenuClosedHook(PopupMenu& menu);

// After each pass of the event loop: focus, caret, selection and the
// active window, compared with what was last announced.
void AnnounceChanges();
// A screen reader has just connected: it has missed what was announced.
void AnnounceAgain();

#endif
