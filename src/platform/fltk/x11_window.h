// What our dialogs ask of the X window manager and of other X clients.
#ifndef QEL_PLATFORM_X11_WINDOW_H
#define QEL_PLATFORM_X11_WINDOW_H

#include <string>

#include "system_colors.h"

class Fl_Window;

// The window manager's "above" state (EWMH), for WS_EX_TOPMOST.
void KeepAbove(Fl_Window* window);

// Gives `window` the keyboard, as Windows activates a dialog when it is shown
// and its owner again when the dialog ends.
void ActivateWindow(Fl_Window* window);

// Draws a window just shown as soon as the server exposes it, handling no
// other event meanwhile: keys typed already stay queued, in order.
// False if no expose came within `waitMs` (a window manager that keeps it
// unmapped, say).
bool DrawOnFirstExpose(Fl_Window* window, int waitMs);

// Marks `window` as a dialog of `owner` (WM_TRANSIENT_FOR).
void SetTransientFor(Fl_Window* window, Fl_Window* owner);

// What the desktop and the user say in the X resources (the root window's
// RESOURCE_MANAGER), read afresh each time so that a dialog opened later
// follows a changed desktop.
struct DesktopResources {
  float xftDpi = 0;  // set by desktops that scale, followed by every Xft program; 0 if not
  UserColors colors;  // under `programClass` or "*", as FLTK programs read them
};
DesktopResources ReadDesktopResources(const char* programClass);

// USER32 lets any process read a control's text (WM_GETTEXT). Our controls
// are not X windows, so a dialog publishes its controls' texts as the
// UTF-8 property _QEL_CONTROL_TEXTS of its window, one "id<TAB>text" line per
// control, for test drivers and accessibility tools.
void PublishControlTexts(Fl_Window* window, const std::string& lines);

// Whether some client owns the clipboard. Asking the owner what it holds
// would mean waiting for its answer while FLTK's event queue is bypassed;
// owners hold text in practice.
bool ClipboardMayHoldText();

#endif
