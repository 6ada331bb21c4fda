// The start-up code: what the C run-time does before WinMain on Windows,
// and what the page shows once the program has ended.
#include "module.h"
#include "page.h"
#include "win32.h"

// The program's compiled resource file, linked in by the build.
extern const unsigned char kProgramResources[];
extern const size_t kProgramResourcesSize;

int main() {
  static HINSTANCE__ module = {kProgramResources, kProgramResourcesSize};
  static char commandLine[] = "";
  const int result = WinMain(&module, nullptr, commandLine, SW_SHOWNORMAL);
  // An installed window closes; a page in a tab says that QEL has ended.
  page_program_ended();
  return result;
}
