// keybd_event and MessageBeep.
#include "backend.h"
#include "dialog_manager.h"

namespace {

// Each refused keystroke injects one key, delivered right after: a few at
// most are ever waiting. Keys past the room are dropped, as a full input
// queue drops them.
BYTE pendingKeys[64];
unsigned pendingCount = 0;
bool delivering = false;

// Our controls act on key presses only: to the focused edit, as the key
// with no modifier held. A Ctrl left down from Ctrl+V must not make a
// taken-back keystroke Ctrl+Backspace, which deletes nothing.
void Deliver(BYTE virtualKey) {
  Control* focused = BackendFocusedControl();
  if (focused && focused->kind->controlClass == ControlClass::Edit) EditKeyDown(*focused, virtualKey, 0, "");
}

}  // namespace

void DeliverInjectedKeys() {
  if (delivering) return;  // the outer call picks up keys queued meanwhile
  delivering = true;
  for (unsigned next = 0; next < pendingCount; next++) Deliver(pendingKeys[next]);
  pendingCount = 0;
  delivering = false;
}

// The key joins a queue, behind keys injected before it, and is delivered
// as soon as the event being handled is done, before any input that comes
// after it.
void WINAPI keybd_event(BYTE virtualKey, BYTE, DWORD flags, ULONG_PTR) {
  if (flags & KEYEVENTF_KEYUP) return;
  if (pendingCount == sizeof pendingKeys) return;
  pendingKeys[pendingCount++] = virtualKey;
  BackendDeliverSoon();
}

BOOL WINAPI MessageBeep(UINT) {
  BackendBeep();
  return TRUE;
}
