// What our dialog manager tells assistive technology. The program itself
// links no accessibility library: a plug-in, loaded once the first dialog
// is up and only if a screen reader may be listening, fills in the hooks.
// Until then they are null and cost nothing.
#ifndef QEL_PLATFORM_ACCESSIBILITY_H
#define QEL_PLATFORM_ACCESSIBILITY_H

#include <vector>

#include "win32.h"

struct Control;
struct PopupMenu;

// Called by the dialog manager, synchronously, so that every change is seen
// in order (each taken-back keystroke included).
struct AccessibilityHooks {
  void (*dialogCreated)(HWND dialog);    // shown, its first focus in place
  void (*dialogDestroyed)(HWND dialog);  // before it is freed
  void (*textChanged)(const Control& control);
  // A popup menu of a control: open, its highlighted item moved, closed.
  void (*menuOpened)(PopupMenu& menu);
  void (*menuHighlighted)(PopupMenu& menu);
  void (*menuClosed)(PopupMenu& menu);
};

// What the dialog manager does for assistive technology, on behalf of the
// user. Each must run from the ordinary event loop, never inside a call
// from a screen reader: they run dialog procedures.
struct AccessibilityServices {
  void (*focusControl)(Control& control);
  // Replaces the bytes [from, to) of an edit as a paste would (or as a cut,
  // for empty text): the field gets the focus first, so the program's
  // validation and its taken-back keystrokes act on that field only.
  void (*replaceText)(Control& control, int from, int to, const char* text, int length);
  void (*click)(Control& control);
  // An enabled item of an open menu, chosen as Enter chooses it.
  void (*chooseMenuItem)(PopupMenu& menu, int index);
};

// What the plug-in is handed when it is loaded.
struct AccessibilityPlatform {
  AccessibilityHooks* hooks;
  const AccessibilityServices* services;
  const std::vector<HWND>* openDialogs;  // oldest first; the last one has the keyboard
  bool switchOnNow;                      // QEL_ACCESSIBILITY=1: no waiting for a screen reader
};

// The plug-in's one exported function, a bool (const AccessibilityPlatform*).
#define QEL_ACCESSIBILITY_INSTALL "QelInstallAccessibility"
typedef bool (*InstallAccessibility)(const AccessibilityPlatform* platform);

// For the dialog manager. The first dialog created decides whether the
// plug-in is loaded at all.
void AccessibleDialogCreated(HWND dialog);
void AccessibleDialogDestroyed(HWND dialog);
void AccessibleTextChanged(const Control& control);
void AccessibleMenuOpened(PopupMenu& menu);
void AccessibleMenuHighlighted(PopupMenu& menu);
void AccessibleMenuClosed(PopupMenu& menu);

#endif
