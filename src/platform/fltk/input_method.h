// The X input method, opened once the first window is on the screen.
//
// FLTK opens the input method (and the font set its input context needs)
// as it opens the display. In a UTF-8 locale that is the costliest part of
// the start: Xlib reads the locale's whole Compose table. Nothing before the
// first frame needs it, so it waits until then; keys typed meanwhile stay
// in Xlib's queue, unhandled, and are composed as they are handled.
#ifndef QEL_PLATFORM_FLTK_INPUT_METHOD_H
#define QEL_PLATFORM_FLTK_INPUT_METHOD_H

// fl_open_display(), the input method left for later.
void OpenDisplayWithoutInputMethod();

// Whether the input method is still to be opened.
bool InputMethodPending();

// Opens it as FLTK would have, for the first window shown (which must be
// shown and focused in FLTK's eyes), before any key is read.
void OpenInputMethod();

#endif
