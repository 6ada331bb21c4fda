// The floor of the start-up bench: the least an X program that shows text
// must do. One window, one line in one Xft font, drawn on every expose,
// until the program is ended. No toolkit, no input method, no session bus.
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

#include <clocale>
#include <cstring>

int main() {
  std::setlocale(LC_ALL, "");
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const int screen = DefaultScreen(display);
  Visual* visual = DefaultVisual(display, screen);
  const Colormap colormap = DefaultColormap(display, screen);

  XftFont* font = XftFontOpenName(display, screen, "sans-11");
  if (!font) return 1;
  const char text[] = "1073741823 = 3FFFFFFF = 7777777777";
  const auto* utf8 = reinterpret_cast<const FcChar8*>(text);
  const int length = static_cast<int>(std::strlen(text));
  XGlyphInfo extents;
  XftTextExtentsUtf8(display, font, utf8, length, &extents);

  XSetWindowAttributes attributes = {};
  attributes.background_pixel = WhitePixel(display, screen);
  attributes.event_mask = ExposureMask;
  const unsigned width = extents.xOff + 20, height = static_cast<unsigned>(font->height) + 20;
  const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, width, height, 0,
                                      CopyFromParent, InputOutput, visual, CWBackPixel | CWEventMask,
                                      &attributes);
  XStoreName(display, window, "floor");
  XMapWindow(display, window);

  XftDraw* draw = XftDrawCreate(display, window, visual, colormap);
  XftColor black;
  XftColorAllocName(display, visual, colormap, "black", &black);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != Expose || event.xexpose.count != 0) continue;
    XftDrawStringUtf8(draw, &black, font, 10, 10 + font->ascent, utf8, length);
    XFlush(display);
  }
}
