#include "input_method.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdlib>
#include <string>

// FLTK's own, which its headers show only to itself: the input context it
// filters and looks up every key through, and the window it asks the
// clipboard's owners to answer.
extern XIC fl_xim_ic;
extern Window fl_message_window;

namespace {

// An input method that no server offers: Xlib fails to open it at once,
// where the local one ("", "none") would read the Compose table first.
const char kNoInputMethod[] = "@im=qel-after-the-first-frame";

bool pending = false;

void IgnoreWarning(const char*, ...) {}

}  // namespace

void OpenDisplayWithoutInputMethod() {
  if (fl_display) return;
  // fl_open_display() takes the modifiers from XMODIFIERS as it opens the
  // input method; the user's setting is back in place as soon as it has.
  const char* user = std::getenv("XMODIFIERS");
  const std::string userModifiers = user ? user : "";
  setenv("XMODIFIERS", kNoInputMethod, 1);
  void (*warning)(const char*, ...) = Fl::warning;
  Fl::warning = IgnoreWarning;  // "XOpenIM() failed": as it should
  fl_open_display();
  Fl::warning = warning;
  if (user) setenv("XMODIFIERS", userModifiers.c_str(), 1);
  else unsetenv("XMODIFIERS");
  pending = true;
}

bool InputMethodPending() { return pending; }

void OpenInputMethod() {
  if (!pending) return;
  pending = false;
  XSetLocaleModifiers("");  // the user's XMODIFIERS again
  // FLTK opens an input method only with the display, so the open display
  // is opened again. The rest of what that does is done already; of the
  // two things it makes anew, the first ones are kept.
  const Window messageWindow = fl_message_window;
  XVisualInfo* visual = fl_visual;
  fl_open_display(fl_display);
  XDestroyWindow(fl_display, fl_message_window);
  fl_message_window = messageWindow;
  XFree(fl_visual);
  fl_visual = visual;
  // Its input context is for no window yet; this one binds it to the
  // window shown last, as focusing it would.
  if (fl_xim_ic) Fl::enable_im();
}
