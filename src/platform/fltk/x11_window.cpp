#include "x11_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <poll.h>

#include <cctype>
#include <chrono>
#include <cstdlib>

namespace {

Atom Intern(const char* name) { return XInternAtom(fl_display, name, False); }

// The root window's RESOURCE_MANAGER from the server, not the copy Xlib took
// when the display was opened.
XrmDatabase RootResources() {
  Atom type;
  int format;
  unsigned long count, remaining;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(fl_display, RootWindow(fl_display, fl_screen), XA_RESOURCE_MANAGER, 0,
                         1 << 20, False, XA_STRING, &type, &format, &count, &remaining,
                         &data) != Success || !data)
    return nullptr;
  XrmInitialize();
  XrmDatabase resources = XrmGetStringDatabase(reinterpret_cast<char*>(data));
  XFree(data);
  return resources;
}

std::string Resource(XrmDatabase resources, const std::string& name, const std::string& className) {
  char* valueType = nullptr;
  XrmValue value = {0, nullptr};
  if (!XrmGetResource(resources, name.c_str(), className.c_str(), &valueType, &value) || !value.addr)
    return {};
  std::string text(value.addr);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// Any colour Xlib understands: "#rrggbb", "rgb:r/g/b", a name.
bool ParseColor(const std::string& text, uint32_t* rgb) {
  XColor color;
  if (text.empty() || !XParseColor(fl_display, DefaultColormap(fl_display, fl_screen), text.c_str(), &color))
    return false;
  *rgb = static_cast<uint32_t>((color.red >> 8) << 16 | (color.green >> 8) << 8 | (color.blue >> 8));
  return true;
}

// The keys FLTK programs read; KDE writes them for programs that are not Qt's.
UserColors ReadUserColors(XrmDatabase resources, const std::string& program) {
  std::string programClass = program;
  if (!programClass.empty()) programClass[0] = static_cast<char>(std::toupper(programClass[0]));
  const struct {
    UserColors::Key key;
    std::string name, className;
  } keys[] = {
      {UserColors::kBackground, program + ".background", programClass + ".Background"},
      {UserColors::kForeground, program + ".foreground", programClass + ".Foreground"},
      {UserColors::kTextBackground, "Text.background", "Text.Background"},
      {UserColors::kSelectBackground, program + ".selectBackground", programClass + ".SelectBackground"},
  };
  UserColors colors;
  for (const auto& k : keys)
    colors.set[k.key] = ParseColor(Resource(resources, k.name, k.className), &colors.rgb[k.key]);
  return colors;
}

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

bool DrawOnFirstExpose(Fl_Window* window, int waitMs) {
  const Window xid = fl_xid(window);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  XEvent event;
  while (!XCheckWindowEvent(fl_display, xid, ExposureMask, &event)) {  // reads what came, flushes
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd connection = {ConnectionNumber(fl_display), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left.count()) + 1);
  }
  do fl_handle(event);
  while (XCheckWindowEvent(fl_display, xid, ExposureMask, &event));
  Fl::flush();
  return true;
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

DesktopResources ReadDesktopResources(const char* programClass) {
  DesktopResources desktop;
  XrmDatabase resources = RootResources();
  if (!resources) return desktop;
  const std::string dpi = Resource(resources, "Xft.dpi", "Xft.Dpi");
  desktop.xftDpi = dpi.empty() ? 0 : std::strtof(dpi.c_str(), nullptr);
  desktop.colors = ReadUserColors(resources, programClass);
  XrmDestroyDatabase(resources);
  return desktop;
}

bool ClipboardMayHoldText() {
  return XGetSelectionOwner(fl_display, Intern("CLIPBOARD")) != None;
}
