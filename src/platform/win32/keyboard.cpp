// keybd_event as the program needs it: a Backspace that reaches the field
// being edited before any later input, whatever modifiers are held.
#include "win32.h"

#undef keybd_event  // from here on, USER32's own

namespace {

const UINT WM_BACKSPACE = WM_APP;
const char kWindowClass[] = "QelBackspace";

bool IsEditControl(HWND window) {
  char className[8];
  return window && GetClassNameA(window, className, sizeof className) &&
         lstrcmpiA(className, "Edit") == 0;
}

// What Backspace does in an edit control: remove the selection or, with
// none, the character before the caret. EM_REPLACESEL makes the control
// notify its dialog again, so the shortened text is validated afresh.
void DeleteBeforeCaret(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start == end) {
    if (start == 0) return;  // nothing before the caret: Backspace changes nothing
    SendMessageA(edit, EM_SETSEL, start - 1, end);
  }
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(""));
}

LRESULT CALLBACK BackspaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_BACKSPACE) return DefWindowProcA(window, message, wParam, lParam);
  HWND edit = reinterpret_cast<HWND>(lParam);
  if (IsWindow(edit)) DeleteBeforeCaret(edit);
  return 0;
}

// A message-only window on the dialog's thread: the modal loop dispatches
// its posted messages, and GetMessage hands out posted messages before
// keyboard input, so the Backspace lands before any type-ahead.
HWND BackspaceWindow() {
  static HWND window;
  if (window) return window;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = BackspaceProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
  return window;
}

}  // namespace

void WINAPI QelKeybdEvent(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo) {
  if (virtualKey == VK_BACK && !(flags & KEYEVENTF_KEYUP)) {
    HWND focus = GetFocus();
    if (IsEditControl(focus)) {
      PostMessageA(BackspaceWindow(), WM_BACKSPACE, 0, reinterpret_cast<LPARAM>(focus));
      return;
    }
  }
  keybd_event(virtualKey, scanCode, flags, extraInfo);
}
