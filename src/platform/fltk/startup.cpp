// The start-up code: what the C run-time does before WinMain on Windows.
#include <FL/Fl.H>
#include <malloc.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "module.h"
#include "win32.h"

// The program's compiled resource file, linked in by the build.
extern const unsigned char kProgramResources[];
extern const size_t kProgramResourcesSize;

namespace {

// FLTK's fatal errors (no X display, above all) as one line, then exit.
void ReportFatal(const char* format, ...) {
  std::fputs("qel: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::exit(1);
}

std::string CommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; i++) line += (i > 1 ? " " : "") + std::string(argv[i]);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  Fl::fatal = ReportFatal;
  // FLTK reads a paste from another program into one growing buffer, kept
  // until the next paste. glibc would raise its mmap threshold past such a
  // buffer once it was freed, and leave the next ones in the heap for good:
  // a fixed threshold hands each back to the system whole.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  // One heap for every thread: the few that are not the event loop's (the
  // font configuration's reader, any the accessibility libraries start)
  // allocate little, and an arena of their own would stay for good.
  mallopt(M_ARENA_MAX, 1);
  static HINSTANCE__ module = {kProgramResources, kProgramResourcesSize};
  std::string commandLine = CommandLine(argc, argv);
  return WinMain(&module, nullptr, commandLine.data(), SW_SHOWNORMAL);
}
