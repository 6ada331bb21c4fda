#include "glib_loop.h"

#include <FL/Fl.H>
#include <glib.h>

#include <vector>

namespace {

// A burst of D-Bus traffic is taken a bounded number of dispatches at a
// time, so that FLTK's own events are not starved.
const int kDispatchesPerPump = 16;

GMainContext* context = nullptr;
std::vector<GPollFD> pollFds(8);
int pollCount = 0;
int glibTimeout = -1;  // ms, as g_main_context_query gives it
std::vector<int> watchedFds;
bool pumping = false;

// One round of GLib's prepare, query, check and dispatch, polling without
// waiting. True if something was dispatched.
bool IterateOnce() {
  gint priority = 0;
  g_main_context_prepare(context, &priority);
  while ((pollCount = g_main_context_query(context, priority, &glibTimeout, pollFds.data(),
                                           static_cast<gint>(pollFds.size()))) >
         static_cast<int>(pollFds.size()))
    pollFds.resize(static_cast<size_t>(pollCount));
  g_poll(pollFds.data(), static_cast<guint>(pollCount), 0);
  const bool ready = g_main_context_check(context, priority, pollFds.data(), pollCount);
  if (ready) g_main_context_dispatch(context);
  return ready;
}

void OnFdReady(int, void*) { PumpGlib(); }
void OnGlibTimeout(void*) { PumpGlib(); }
void AfterFltkPass(void*) { PumpGlib(); }

void WatchWhatGlibWaitsFor(bool stillBusy) {
  for (int fd : watchedFds) Fl::remove_fd(fd);
  watchedFds.clear();
  for (int i = 0; i < pollCount; i++) {
    const GPollFD& p = pollFds[static_cast<size_t>(i)];
    int when = 0;
    if (p.events & (G_IO_IN | G_IO_PRI | G_IO_HUP | G_IO_ERR)) when |= FL_READ;
    if (p.events & G_IO_OUT) when |= FL_WRITE;
    if (!when) continue;
    Fl::add_fd(p.fd, when, OnFdReady);
    watchedFds.push_back(p.fd);
  }
  Fl::remove_timeout(OnGlibTimeout);
  if (stillBusy) Fl::add_timeout(0.0, OnGlibTimeout);
  else if (glibTimeout >= 0) Fl::add_timeout(glibTimeout / 1000.0, OnGlibTimeout);
}

}  // namespace

void PumpGlib() {
  if (pumping || !context) return;  // a dispatch that waits on FLTK would land here again
  pumping = true;
  bool busy = false;
  for (int i = 0; i < kDispatchesPerPump && (busy = IterateOnce()); i++) {
  }
  WatchWhatGlibWaitsFor(busy);
  pumping = false;
}

void ServiceGlibFromFltk() {
  if (context) return;
  context = g_main_context_default();
  // Without an owner, GLib does not wake its context for sources that its
  // D-Bus worker thread attaches; we own it for good.
  g_main_context_acquire(context);
  Fl::add_check(AfterFltkPass);
  PumpGlib();
}

void RunFromLoop(void (*function)(void*), void* data) { Fl::add_timeout(0.0, function, data); }
