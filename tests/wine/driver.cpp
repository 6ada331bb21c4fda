// Runs under Wine beside QEL.EXE and reads its controls for the native test
// runner, which keeps one driver per program run instead of starting Wine
// for every read. One command a line on stdin, one answer a line on stdout:
//   text ID CAPTION   "=" and the text of control ID in the top-level window
//                     titled CAPTION (the rest of the line, blanks included),
//                     in UTF-8: what the control shows, not what the
//                     program's ANSI calls make of it
//   awareness CAPTION "=" and the DPI awareness Wine gives that window:
//                     0 unaware, 1 system, 2 per monitor, -1 not known
//   ping              "=" once the driver is up
// An answer that starts with "!" says what was missing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Answer(const char* prefix, const char* text) {
  std::printf("%s%s\n", prefix, text);
  std::fflush(stdout);
}

void ControlText(const char* arguments) {
  char* caption = nullptr;
  const long id = std::strtol(arguments, &caption, 10);
  if (*caption == ' ') caption++;
  HWND window = FindWindowA(nullptr, caption);
  if (!window) return Answer("!no window ", caption);
  HWND control = GetDlgItem(window, static_cast<int>(id));
  if (!control) return Answer("!no control ", arguments);
  // WM_GETTEXT across processes: answered when QEL's thread next looks at
  // its queue, so a read never sees a half-handled keystroke.
  wchar_t text[256] = L"";
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                           5000, &copied))
    return Answer("!no answer from ", caption);
  char utf8[1024] = "";
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  Answer("=", utf8);
}

void WindowDpiAwareness(const char* caption) {
  HWND window = FindWindowA(nullptr, caption);
  if (!window) return Answer("!no window ", caption);
  const DPI_AWARENESS awareness = GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window));
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(awareness));
  Answer("=", text);
}

}  // namespace

int main() {
  char line[512];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (std::strncmp(line, "text ", 5) == 0) ControlText(line + 5);
    else if (std::strncmp(line, "awareness ", 10) == 0) WindowDpiAwareness(line + 10);
    else if (std::strcmp(line, "ping") == 0) Answer("=", "");
    else Answer("!unknown command ", line);
  }
  return 0;
}
