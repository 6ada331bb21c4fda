// Whether a screen reader is running, as the session's accessibility bus
// launcher tells it (org.a11y.Status: IsEnabled, ScreenReaderEnabled).
#ifndef QEL_PLATFORM_SCREEN_READER_WATCH_H
#define QEL_PLATFORM_SCREEN_READER_WATCH_H

// Asks the session bus, and keeps listening, from FLTK's loop and without
// waiting for any answer. `onEnabled` runs once, when a reader is or becomes
// enabled. False if the bus cannot be reached this way (an address other
// than a local socket, say): the caller must find out otherwise.
bool WatchScreenReaderStatus(void (*onEnabled)());

#endif
