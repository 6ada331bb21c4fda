#include "fake_feedback.h"

#include "win32.h"

FeedbackCount feedback;

void WINAPI keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo) {
  if (virtualKey == VK_BACK && scanCode == 0 && flags == 0 && extraInfo == 0) feedback.backspaces++;
  else feedback.otherKeys++;
}

BOOL WINAPI MessageBeep(UINT type) {
  if (type == 0xFFFFFFFF) feedback.beeps++;
  return TRUE;
}
