#include "input_method.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <clocale>
#include <cstdio>

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

// What FLTK's own handlers do.
int ReportIoError(Display*) {
  Fl::fatal("X I/O error");
  return 0;
}

int ReportError(Display* display, XErrorEvent* error) {
  char number[32], request[128], text[128];
  std::snprintf(number, sizeof number, "XRequest.%d", error->request_code);
  XGetErrorDatabaseText(display, "", number, number, request, sizeof request);
  XGetErrorText(display, error->error_code, text, sizeof text);
  Fl::warning("%s: %s 0x%lx", request, text, error->resourceid);
  return 0;
}

// fl_open_display() asks for these atoms one at a time, a round trip each;
// asked for together, Xlib has them in its cache when FLTK asks.
void InternFltksAtoms(Display* display) {
  static const char* const kNames[] = {
      "WM_DELETE_WINDOW", "WM_PROTOCOLS", "_MOTIF_WM_HINTS", "TARGETS", "CLIPBOARD", "TIMESTAMP",
      "PRIMARY_TIMESTAMP", "CLIPBOARD_TIMESTAMP", "XdndAware", "XdndSelection", "XdndEnter", "XdndTypeList",
      "XdndPosition", "XdndLeave", "XdndDrop", "XdndStatus", "XdndActionCopy", "XdndFinished",
      "text/uri-list", "text/plain;charset=UTF-8", "text/plain;charset=utf-8", "text/plain", "TEXT",
      "COMPOUND_TEXT", "UTF8_STRING", "image/bmp", "image/png", "INCR", "_NET_WM_PID", "_NET_WM_NAME",
      "_NET_WM_ICON_NAME", "_NET_SUPPORTING_WM_CHECK", "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN",
      "_NET_WM_FULLSCREEN_MONITORS", "_NET_WORKAREA", "_NET_WM_ICON", "_NET_ACTIVE_WINDOW"};
  constexpr int kCount = sizeof kNames / sizeof *kNames;
  Atom atoms[kCount];
  XInternAtoms(display, const_cast<char**>(kNames), kCount, False, atoms);
}

}  // namespace

// fl_open_display() as FLTK does it, with other modifiers: FLTK opens its
// input method with the display, and this one fails.
void OpenDisplayWithoutInputMethod() {
  if (fl_display) return;
  std::setlocale(LC_CTYPE, "");
  XSetLocaleModifiers(kNoInputMethod);
  XSetIOErrorHandler(ReportIoError);
  XSetErrorHandler(ReportError);
  Display* display = XOpenDisplay(nullptr);
  if (!display) Fl::fatal("Can't open display: %s", XDisplayName(nullptr));
  InternFltksAtoms(display);
  void (*warning)(const char*, ...) = Fl::warning;
  Fl::warning = IgnoreWarning;  // "XOpenIM() failed": as it should
  fl_open_display(display);
  Fl::warning = warning;
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
  // window shown last, as focusing it would. FLTK warns of a failure only
  // the first time, which was ours.
  if (fl_xim_ic) Fl::enable_im();
  else Fl::warning("XOpenIM() failed");
}
