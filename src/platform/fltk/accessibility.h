// What our dialog manager tells assistive technology. The program itself
// links no accessibility library: a plug-in, loaded once a screen reader is
// listening (or at once, when asked to), fills in the hooks. Until then they
// are null and cost nothing.
//
// The plug-in links none of the program's code either: all it reads of the
// dialogs and does to them goes through these tables, answered by the
// dialog manager. It sees no more of the manager than this header: a
// dialog, a control and a menu are handles it passes back.
#ifndef QEL_PLATFORM_ACCESSIBILITY_H
#define QEL_PLATFORM_ACCESSIBILITY_H

#include <cstddef>
#include <string>
#include <vector>

#include "../dialog/geometry.h"

typedef struct HWND__* HWND;  // as win32.h declares it
struct Control;
struct PopupMenu;

// What a reader is told a control is; the program decides it from the
// control's class and style.
enum class AccessibleRole { Entry, PushButton, GroupBox, Label, Icon };

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

// How an edit draws its text, for a reader's text attributes.
struct EditLook {
  std::string family;
  int points;
  unsigned foreground, background;  // 0xRRGGBB
  bool readOnly;
};

// An open popup menu as it is shown. Rectangles are in its window.
struct MenuItemView {
  std::string text;  // without the mnemonic's '&'
  bool enabled;
  PixelRect rect;
  bool separatorAfter;
  PixelRect separator;  // the gap below it, when separatorAfter
};
struct MenuView {
  std::string name;
  const Control* owner;
  PixelRect window;  // on the screen
  std::vector<MenuItemView> items;
  int highlighted;   // an enabled item, or -1
};

// What the dialog manager answers and does for assistive technology.
// Rectangles in screen pixels unless said otherwise.
struct AccessibilityServices {
  // The dialogs and their controls as the template made them: the
  // controls in its order, each one's dialog, role and the static text
  // that names it (or null). Enabled and visible are the template's.
  std::vector<Control*> (*dialogControls)(HWND dialog);
  std::string (*dialogCaption)(HWND dialog);
  bool (*dialogOwned)(HWND dialog);  // a modal dialog over its owner
  HWND (*dialogOf)(const Control& control);
  AccessibleRole (*roleOf)(const Control& control);
  const Control* (*labelOf)(const Control& control);
  bool (*controlEnabled)(const Control& control);
  bool (*controlVisible)(const Control& control);

  Control* (*focusedControl)();
  std::string (*controlText)(const Control& control);
  PixelRect (*dialogRect)(HWND dialog);           // its client area
  PixelRect (*controlRect)(const Control& control);  // in its dialog's client area
  bool (*dialogShown)(HWND dialog);
  EditCaret (*editCaret)(const Control& edit);
  // Where an edit's one line of text is drawn, in its dialog's client area,
  // and the width of [text, text + size) in its font.
  PixelRect (*editTextLine)(const Control& edit);
  double (*textWidth)(const Control& edit, const char* text, size_t size);
  EditLook (*editLook)(const Control& edit);
  MenuView (*menuView)(const PopupMenu& menu);

  // This moves the caret only, and may run at once.
  void (*setEditCaret)(Control& edit, EditCaret caret);
  // These run dialog procedures: each must be called from the ordinary
  // event loop, never inside a call from a screen reader.
  void (*focusControl)(Control& control);
  void (*pasteIntoEdit)(Control& edit, size_t from, size_t to, const std::string& text);
  void (*click)(Control& button);
  // An enabled item of an open menu, chosen as Enter chooses it.
  void (*chooseMenuItem)(PopupMenu& menu, int index);
};

// What the plug-in is handed when it is loaded.
struct AccessibilityPlatform {
  AccessibilityHooks* hooks;
  const AccessibilityServices* services;
  const std::vector<HWND>* openDialogs;  // the manager's: oldest first, the last one has the keyboard
  // The accessibility bus, already asked for: the plug-in connects to this
  // one and asks no session bus for another.
  const char* accessibilityBus;
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
