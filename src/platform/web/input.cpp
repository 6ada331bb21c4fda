// keybd_event and MessageBeep.
#include "dialog.h"
#include "page.h"

// The key joins the page's queue of events, behind whatever the dialog
// manager has yet to handle, and is delivered once the event being handled
// is done, before the browser draws.
void WINAPI keybd_event(BYTE virtualKey, BYTE, DWORD flags, ULONG_PTR) {
  if (flags & KEYEVENTF_KEYUP) return;
  page_post_event(kPageInjected, 0, virtualKey);
}

// Only Backspace can be injected, to the focused edit: it deletes as the
// key does, and the edit's input event notifies the dialog again.
void DeliverInjectedKey(int virtualKey) {
  Control* focused = FocusedControl();
  if (virtualKey == VK_BACK && focused && focused->kind == &kEditKind) page_edit_backspace(focused->element);
}

BOOL WINAPI MessageBeep(UINT) {
  page_beep();
  return TRUE;
}
