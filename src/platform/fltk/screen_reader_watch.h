// Whether a screen reader is running, as the session's accessibility bus
// launcher tells it (org.a11y.Status: IsEnabled, ScreenReaderEnabled).
#ifndef QEL_PLATFORM_SCREEN_READER_WATCH_H
#define QEL_PLATFORM_SCREEN_READER_WATCH_H

// Asks over the session bus, and keeps listening, from FLTK's loop and
// without waiting for any answer. `onEnabled` runs once, when a reader is
// or becomes enabled. False if there is no session bus to ask.
bool WatchScreenReaderStatus(void (*onEnabled)());

// Asks the launcher for the accessibility bus's address, without waiting:
// `onAddress` gets it from the loop, if it comes. False if there is no
// session bus to ask.
bool AskAccessibilityBus(void (*onAddress)(const char* address));

#endif
