// GLib's default main context, serviced from FLTK's event loop.
#ifndef QEL_ATK_GLIB_LOOP_H
#define QEL_ATK_GLIB_LOOP_H

// Takes the default context and services it from now on: whenever one of
// the descriptors GLib waits on is ready, when its next timeout is due, and
// after each pass of FLTK's loop (which may have queued messages). No
// timer of our own, so an idle program stays asleep.
void ServiceGlibFromFltk();

// Runs what GLib has ready, now.
void PumpGlib();

// Runs `function` from FLTK's loop, soon: never inside a call from a
// screen reader.
void RunFromLoop(void (*function)(void*), void* data);

#endif
