#include "x_session.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

void SleepMs(int ms) {
  timespec t = {ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&t, nullptr);
}

namespace {

// Windows come and go while we look at them (Wine destroys its own all at
// once when a program is killed): a stale id is no failure, but Xlib's
// default handler would end the test for it.
int IgnoreVanishedWindows(Display*, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  char text[128];
  XGetErrorText(error->display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "X error: %s\n", text);
  return 0;
}

}  // namespace

XSession::~XSession() {
  if (dpy_) XCloseDisplay(dpy_);
  clipboardOwner_.Kill(SIGTERM);
  server_.Kill(SIGTERM);  // lets Xvfb remove its lock file and socket
}

bool XSession::Start() {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  // -noreset: Xvfb resets when its last client leaves, and the reset drops
  // any client whose connection it has not yet answered.
  const bool started = server_.Start({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen",
                                      "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
                                     {});
  close(pipeFds[1]);
  if (!started) return false;
  std::string number;
  char c;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipeFds[0]);
  if (number.empty()) return false;
  display_ = ":" + number;

  dpy_ = XOpenDisplay(display_.c_str());
  if (!dpy_) return false;
  XSetErrorHandler(IgnoreVanishedWindows);
  int opcode, error, major = XkbMajorVersion, minor = XkbMinorVersion;
  int xtestEvent, xtestError, xtestMajor, xtestMinor;
  if (!XkbQueryExtension(dpy_, &opcode, &xkbEventBase_, &error, &major, &minor)) return false;
  if (!XTestQueryExtension(dpy_, &xtestEvent, &xtestError, &xtestMajor, &xtestMinor)) return false;
  XkbSelectEvents(dpy_, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
  XSync(dpy_, False);
  // Right Alt as the compose key, as desktops offer it.
  ChildProcess keymap;
  return keymap.Start({"setxkbmap", "-display", display_, "-option", "compose:ralt"}, {}) &&
         keymap.WaitForExit(10000) == 0;
}

unsigned XSession::FindKeycode(unsigned long keysym, bool* shifted) {
  *shifted = false;
  KeyCode code = XKeysymToKeycode(dpy_, keysym);
  if (code == 0) {
    // Not on the keyboard: borrow an unused keycode for it, as xdotool does.
    int low, high;
    XDisplayKeycodes(dpy_, &low, &high);
    if (!spareKeycode_) spareKeycode_ = static_cast<unsigned>(high - 1);
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(dpy_, static_cast<int>(spareKeycode_), 2, syms, 1);
    XSync(dpy_, False);
    SleepMs(20);
    return spareKeycode_;
  }
  *shifted = XkbKeycodeToKeysym(dpy_, code, 0, 0) != keysym &&
             XkbKeycodeToKeysym(dpy_, code, 0, 1) == keysym;
  return code;
}

void XSession::Press(unsigned keycode, bool down) {
  XTestFakeKeyEvent(dpy_, keycode, down, CurrentTime);
  XFlush(dpy_);
}

void XSession::Type(const std::string& text, int delayMs) {
  const unsigned shift = XKeysymToKeycode(dpy_, XK_Shift_L);
  for (unsigned char c : text) {
    unsigned long keysym = c;  // Latin-1 keysyms are the characters' codes
    if (c == '\n') keysym = XK_Return;
    if (c == '\t') keysym = XK_Tab;
    if (c == '\b') keysym = XK_BackSpace;
    bool shifted;
    const unsigned code = FindKeycode(keysym, &shifted);
    if (shifted) Press(shift, true);
    Press(code, true);
    Press(code, false);
    if (shifted) Press(shift, false);
    if (delayMs) SleepMs(delayMs);
  }
  XSync(dpy_, False);
}

unsigned XSession::KeycodeNamed(std::string name) {
  if (name == "ctrl") name = "Control_L";
  if (name == "shift") name = "Shift_L";
  if (name == "alt") name = "Alt_L";
  bool shifted;
  return FindKeycode(XStringToKeysym(name.c_str()), &shifted);
}

void XSession::Key(const std::string& combination) {
  std::vector<unsigned> codes;
  size_t start = 0;
  for (;;) {
    const size_t plus = combination.find('+', start);
    codes.push_back(KeycodeNamed(combination.substr(start, plus == std::string::npos ? plus : plus - start)));
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  for (unsigned code : codes) Press(code, true);
  for (auto it = codes.rbegin(); it != codes.rend(); ++it) Press(*it, false);
  XSync(dpy_, False);
}

void XSession::Hold(const std::string& key, bool down) {
  Press(KeycodeNamed(key), down);
  XSync(dpy_, False);
}

void XSession::Click(Window window, double fx, double fy) {
  XWindowAttributes attributes;
  XGetWindowAttributes(dpy_, window, &attributes);
  int x, y;
  Window child;
  XTranslateCoordinates(dpy_, window, DefaultRootWindow(dpy_), static_cast<int>(attributes.width * fx),
                        static_cast<int>(attributes.height * fy), &x, &y, &child);
  XTestFakeMotionEvent(dpy_, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(dpy_, 1, True, CurrentTime);
  XTestFakeButtonEvent(dpy_, 1, False, CurrentTime);
  XSync(dpy_, False);
}

// xclip keeps serving the text until another client takes the clipboard.
void XSession::SetClipboard(const std::string& text) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return;  // xclip must see the end of its input
  clipboardOwner_.Kill(SIGTERM);
  Redirections io;
  io.in = pipeFds[0];
  clipboardOwner_.Start({"xclip", "-selection", "clipboard", "-quiet", "-i"}, {"DISPLAY=" + display_}, io);
  close(pipeFds[0]);
  if (write(pipeFds[1], text.data(), text.size()) < 0) perror("xclip");
  close(pipeFds[1]);
  SleepMs(100);  // until xclip owns the selection
}

bool XSession::PressAsItMaps(const std::string& name, const std::function<bool()>& launch,
                             const std::vector<std::string>& combinations, int timeoutMs) {
  const Window root = DefaultRootWindow(dpy_);
  XSelectInput(dpy_, root, SubstructureNotifyMask);
  XSync(dpy_, False);
  Window mapped = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  if (launch()) {
    while (!mapped && std::chrono::steady_clock::now() < deadline) {
      while (!mapped && XPending(dpy_)) {
        XEvent event;
        XNextEvent(dpy_, &event);
        CountBell(event);
        if (event.type == MapNotify && event.xmap.event == root && Named(event.xmap.window, name))
          mapped = event.xmap.window;
      }
      pollfd connection = {ConnectionNumber(dpy_), POLLIN, 0};
      if (!mapped) poll(&connection, 1, 10);
    }
  }
  XSelectInput(dpy_, root, NoEventMask);
  if (!mapped) return false;
  XSetInputFocus(dpy_, mapped, RevertToParent, CurrentTime);
  for (const std::string& combination : combinations) Key(combination);
  return true;
}

bool XSession::Named(Window window, const std::string& name) {
  char* windowName = nullptr;
  const bool named = XFetchName(dpy_, window, &windowName) && windowName && name == windowName;
  if (windowName) XFree(windowName);
  return named;
}

Window XSession::SearchTree(Window root, const std::string& name) {
  Window parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(dpy_, root, &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; i++) {
    XWindowAttributes attributes;
    if (Named(children[i], name) && XGetWindowAttributes(dpy_, children[i], &attributes) &&
        attributes.map_state == IsViewable)
      found = children[i];
    if (!found) found = SearchTree(children[i], name);
  }
  if (children) XFree(children);
  return found;
}

Window XSession::FindWindow(const std::string& name, int timeoutMs) {
  for (int waited = 0;; waited += 20) {
    Window window = SearchTree(DefaultRootWindow(dpy_), name);
    if (window || waited >= timeoutMs) return window;
    SleepMs(20);
  }
}

bool XSession::WaitUntilGone(const std::string& name, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (!SearchTree(DefaultRootWindow(dpy_), name)) return true;
    SleepMs(20);
  }
  return false;
}

void XSession::Focus(Window window) {
  XRaiseWindow(dpy_, window);
  XSetInputFocus(dpy_, window, RevertToParent, CurrentTime);
  XSync(dpy_, False);
  SleepMs(50);
}

void XSession::Close(Window window) {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(dpy_, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy_, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy_, window, False, NoEventMask, &event);
  XSync(dpy_, False);
}

std::string XSession::Property(Window window, const char* name) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string value;
  if (XGetWindowProperty(dpy_, window, XInternAtom(dpy_, name, False), 0, 1 << 16, False,
                         AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
      data && format == 8)
    value.assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  return value;
}

void XSession::CountBell(const XEvent& event) {
  if (event.type == xkbEventBase_ && reinterpret_cast<const XkbEvent*>(&event)->any.xkb_type == XkbBellNotify)
    bells_++;
}

int XSession::Bells() {
  XSync(dpy_, False);
  while (XPending(dpy_)) {
    XEvent event;
    XNextEvent(dpy_, &event);
    CountBell(event);
  }
  return bells_;
}
