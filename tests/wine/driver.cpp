// Runs under Wine beside QEL.EXE and reads its controls for the native test
// runner, which keeps one driver per program run instead of starting Wine
// for every read. One command a line on stdin, one answer a line on stdout:
//   text ID CAPTION   "=" and the text of control ID in the top-level window
//                     titled CAPTION (the rest of the line, blanks included),
//                     in UTF-8: what the control shows, not what the
//                     program's ANSI calls make of it
//   awareness CAPTION "=" and the DPI awareness Wine gives that window:
//                     0 unaware, 1 system, 2 per monitor, -1 not known
//   accessible CAPTION "=" and, for each control of that window in z-order,
//                     what a screen reader gets through MSAA: name, role
//                     number and value, "|" between them, ";" after each
//   ping              "=" once the driver is up
// An answer that starts with "!" says what was missing.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// Our own: the IID_IAccessible of 64-bit MinGW's libraries reads as garbage.
const GUID kIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string Utf8(BSTR text) {
  char utf8[512] = "";
  if (text) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  SysFreeString(text);
  return utf8;
}

// As a screen reader asks each control of a window: the program answers
// WM_GETOBJECT, or oleacc's proxy for the control's class stands in.
void AccessibleControls(const char* caption) {
  HWND window = FindWindowA(nullptr, caption);
  if (!window) return Answer("!no window ", caption);
  std::string answer;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(child, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&accessible))))
      return Answer("!no accessible object in ", caption);
    VARIANT self, role;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VariantInit(&role);
    BSTR name = nullptr, value = nullptr;
    accessible->get_accName(self, &name);
    accessible->get_accRole(self, &role);
    accessible->get_accValue(self, &value);
    accessible->Release();
    answer += Utf8(name) + "|" + std::to_string(role.vt == VT_I4 ? role.lVal : -1) + "|" + Utf8(value) + ";";
  }
  Answer("=", answer.c_str());
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
  CoInitialize(nullptr);
  char line[512];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (std::strncmp(line, "text ", 5) == 0) ControlText(line + 5);
    else if (std::strncmp(line, "awareness ", 10) == 0) WindowDpiAwareness(line + 10);
    else if (std::strncmp(line, "accessible ", 11) == 0) AccessibleControls(line + 11);
    else if (std::strcmp(line, "ping") == 0) Answer("=", "");
    else Answer("!unknown command ", line);
  }
  return 0;
}
