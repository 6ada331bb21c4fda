// A private X server (Xvfb) and a connection to it that types like a user
// (XTest), counts beeps (XKB bell events) and finds windows by name.
#ifndef QEL_TESTS_X_SESSION_H
#define QEL_TESTS_X_SESSION_H

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

#include "process.h"

class XSession {
 public:
  XSession() = default;
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;
  ~XSession();

  bool Start();  // a new Xvfb on a free display
  const std::string& display() const { return display_; }
  Display* connection() const { return dpy_; }

  // Keys as real key events. Type() turns characters into key presses
  // (with Shift where the keymap needs it); Key() takes xdotool-style
  // combinations such as "ctrl+v", "shift+Tab", "Escape".
  void Type(const std::string& text, int delayMs);
  void Key(const std::string& combination);
  void Hold(const std::string& key, bool down);  // a key kept down across steps
  void Click(Window window, double fx, double fy);  // at a fraction of the window
  void SetClipboard(const std::string& text);

  // Runs `launch`, then gives the window named `name` the keyboard and
  // presses the keys the moment it maps, as a user who types at once.
  bool PressAsItMaps(const std::string& name, const std::function<bool()>& launch,
                     const std::vector<std::string>& combinations, int timeoutMs);
  Window FindWindow(const std::string& name, int timeoutMs);  // mapped, by exact WM_NAME
  bool WaitUntilGone(const std::string& name, int timeoutMs);
  void Focus(Window window);
  void Close(Window window);  // what a window manager does for the close box
  std::string Property(Window window, const char* name);
  int Bells();  // X bells rung so far

 private:
  unsigned FindKeycode(unsigned long keysym, bool* shifted);
  unsigned KeycodeNamed(std::string name);  // keysym names, and ctrl, shift, alt
  void Press(unsigned keycode, bool down);
  Window SearchTree(Window root, const std::string& name);
  bool Named(Window window, const std::string& name);
  void CountBell(const XEvent& event);

  ChildProcess server_;
  ChildProcess clipboardOwner_;
  std::string display_;
  Display* dpy_ = nullptr;
  int xkbEventBase_ = 0;
  int bells_ = 0;
  unsigned spareKeycode_ = 0;
};

void SleepMs(int ms);

#endif
