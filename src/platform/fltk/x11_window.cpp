#include "x11_window.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <cstdlib>

namespace {

Atom Intern(const char* name) { return XInternAtom(fl_display, name, False); }

}  // namespace

void KeepAbove(Fl_Window* window) {
  if (!window->shown()) return;
  const Window xid = fl_xid(window);
  Atom above = Intern("_NET_WM_STATE_ABOVE");
  Atom state = Intern("_NET_WM_STATE");

  // A window manager takes state changes of a mapped window only as a client
  // message to the root window; without one, the property is what stays.
  XChangeProperty(fl_display, xid, state, XA_ATOM, 32, PropModeAppend,
                  reinterpret_cast<unsigned char*>(&above), 1);
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = state;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
  event.xclient.data.l[1] = static_cast<long>(above);
  event.xclient.data.l[3] = 1;  // from a normal application
  XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void ActivateWindow(Fl_Window* window) {
  if (!window->shown() || !window->visible()) return;
  XSetInputFocus(fl_display, fl_xid(window), RevertToParent, CurrentTime);
}

void SetTransientFor(Fl_Window* window, Fl_Window* owner) {
  if (!window->shown() || !owner || !owner->shown()) return;
  XSetTransientForHint(fl_display, fl_xid(window), fl_xid(owner));
}

void PublishControlTexts(Fl_Window* window, const std::string& lines) {
  if (!window->shown()) return;
  XChangeProperty(fl_display, fl_xid(window), Intern("_QEL_CONTROL_TEXTS"), Intern("UTF8_STRING"),
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(lines.data()),
                  static_cast<int>(lines.size()));
}

// Read from the server each time, not from the copy Xlib took when the
// display was opened, so a dialog opened later follows a changed desktop.
float XftDpi() {
  Atom type;
  int format;
  unsigned long count, remaining;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(fl_display, RootWindow(fl_display, fl_screen), XA_RESOURCE_MANAGER, 0,
                         1 << 20, False, XA_STRING, &type, &format, &count, &remaining,
                         &data) != Success || !data)
    return 0;
  XrmInitialize();
  XrmDatabase resources = XrmGetStringDatabase(reinterpret_cast<char*>(data));
  XFree(data);
  char* valueType = nullptr;
  XrmValue value = {0, nullptr};
  float dpi = 0;
  if (XrmGetResource(resources, "Xft.dpi", "Xft.Dpi", &valueType, &value) && value.addr)
    dpi = std::strtof(value.addr, nullptr);
  XrmDestroyDatabase(resources);
  return dpi;
}

bool ClipboardMayHoldText() {
  return XGetSelectionOwner(fl_display, Intern("CLIPBOARD")) != None;
}
