// Where a program's start-up time goes, seen from outside it: preloaded
// (LD_PRELOAD) into the program, this library notes the moment each phase
// ends, on CLOCK_MONOTONIC as the bench's own clock, and writes one line per
// phase ("name nanoseconds") to the file named by STARTUP_TRACE. It wraps the
// Xlib and Xft calls that end each phase, so it needs nothing from the
// program and serves an older build, the floor and QEL alike:
//   libraries    main() is entered: libraries loaded and initialised
//   display      XOpenDisplay returned
//   input-method the first input context was created (XCreateIC returned)
//   fonts        the first text was measured (XftTextExtents*)
//   dialog       the first window is created, its contents built
//   map          the first window's map was asked for (the bench sees the map)
//   drawn        the first flush after drawing into a mapped window
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xdbe.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int traceFile = -1;
bool mapAsked = false;
bool drawnSinceMap = false;

void Note(const char* phase) {
  static unsigned noted = 0;  // one bit per phase name below, each noted once
  static const char* const kPhases[] = {"libraries", "display", "input-method", "fonts",
                                        "dialog", "map", "drawn"};
  unsigned bit = 0;
  while (bit < sizeof kPhases / sizeof *kPhases && kPhases[bit] != phase) bit++;
  if (traceFile < 0 || noted & (1u << bit)) return;
  noted |= 1u << bit;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[64];
  const int length = std::snprintf(line, sizeof line, "%s %lld\n", phase,
                                   static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  [[maybe_unused]] const ssize_t written = write(traceFile, line, static_cast<size_t>(length));
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int (*realMain)(int, char**, char**);

int TracedMain(int argc, char** argv, char** envp) {
  Note("libraries");
  return realMain(argc, argv, envp);
}

}  // namespace

extern "C" {

__attribute__((constructor)) static void OpenTrace() {
  const char* path = std::getenv("STARTUP_TRACE");
  if (path) traceFile = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  unsetenv("LD_PRELOAD");  // not into the program's own children
}

int __libc_start_main(int (*main)(int, char**, char**), int argc, char** argv, void (*init)(),
                      void (*fini)(), void (*rtldFini)(), void* stackEnd) {
  realMain = main;
  using Start = int (*)(int (*)(int, char**, char**), int, char**, void (*)(), void (*)(), void (*)(),
                        void*);
  return Next<Start>("__libc_start_main")(TracedMain, argc, argv, init, fini, rtldFini, stackEnd);
}

Display* XOpenDisplay(const char* name) {
  Display* display = Next<Display* (*)(const char*)>("XOpenDisplay")(name);
  Note("display");
  return display;
}

// XCreateIC takes name-value pairs up to a NULL name; all are pointer-sized
// on this ABI, so they are passed on as they came.
XIC XCreateIC(XIM im, ...) {
  void* args[32] = {};
  va_list list;
  va_start(list, im);
  for (int i = 0; i + 1 < 32; i += 2) {
    args[i] = va_arg(list, void*);
    if (!args[i]) break;
    args[i + 1] = va_arg(list, void*);
  }
  va_end(list);
  using Create = XIC (*)(XIM, ...);
  XIC ic = Next<Create>("XCreateIC")(im, args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                                     args[7], args[8], args[9], args[10], args[11], args[12], args[13],
                                     args[14], args[15], nullptr);
  if (ic) Note("input-method");
  return ic;
}

void XftTextExtents32(Display* display, XftFont* font, const FcChar32* text, int length, XGlyphInfo* extents) {
  using Measure = void (*)(Display*, XftFont*, const FcChar32*, int, XGlyphInfo*);
  Next<Measure>("XftTextExtents32")(display, font, text, length, extents);
  Note("fonts");
}

void XftTextExtentsUtf8(Display* display, XftFont* font, const FcChar8* text, int length, XGlyphInfo* extents) {
  using Measure = void (*)(Display*, XftFont*, const FcChar8*, int, XGlyphInfo*);
  Next<Measure>("XftTextExtentsUtf8")(display, font, text, length, extents);
  Note("fonts");
}

Window XCreateWindow(Display* display, Window parent, int x, int y, unsigned width, unsigned height,
                     unsigned border, int depth, unsigned windowClass, Visual* visual, unsigned long mask,
                     XSetWindowAttributes* attributes) {
  Note("dialog");
  using Create = Window (*)(Display*, Window, int, int, unsigned, unsigned, unsigned, int, unsigned, Visual*,
                            unsigned long, XSetWindowAttributes*);
  return Next<Create>("XCreateWindow")(display, parent, x, y, width, height, border, depth, windowClass,
                                       visual, mask, attributes);
}

int XMapWindow(Display* display, Window window) {
  Note("map");
  mapAsked = true;
  return Next<int (*)(Display*, Window)>("XMapWindow")(display, window);
}

int XMapRaised(Display* display, Window window) {
  Note("map");
  mapAsked = true;
  return Next<int (*)(Display*, Window)>("XMapRaised")(display, window);
}

// A double-buffered window shows its frame by swapping its buffers (where
// the server has the extension) or copying it in; a bare one draws its text
// into the window.
Status XdbeSwapBuffers(Display* display, XdbeSwapInfo* windows, int count) {
  drawnSinceMap = mapAsked;
  return Next<Status (*)(Display*, XdbeSwapInfo*, int)>("XdbeSwapBuffers")(display, windows, count);
}

int XCopyArea(Display* display, Drawable from, Drawable to, GC gc, int x, int y, unsigned width,
              unsigned height, int toX, int toY) {
  drawnSinceMap = mapAsked;
  using Copy = int (*)(Display*, Drawable, Drawable, GC, int, int, unsigned, unsigned, int, int);
  return Next<Copy>("XCopyArea")(display, from, to, gc, x, y, width, height, toX, toY);
}

void XftDrawStringUtf8(XftDraw* draw, const XftColor* color, XftFont* font, int x, int y, const FcChar8* text,
                       int length) {
  drawnSinceMap = mapAsked;
  using DrawString = void (*)(XftDraw*, const XftColor*, XftFont*, int, int, const FcChar8*, int);
  Next<DrawString>("XftDrawStringUtf8")(draw, color, font, x, y, text, length);
}

int XFlush(Display* display) {
  const int result = Next<int (*)(Display*)>("XFlush")(display);
  if (drawnSinceMap) Note("drawn");
  return result;
}

}  // extern "C"
