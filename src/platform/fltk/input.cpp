// keybd_event and MessageBeep.
#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_ask.H>

#include <deque>

#include "dialog.h"

namespace {

struct InjectedKey {
  BYTE virtualKey;
  int keysym;
  const char* text;
};

// The keys that can be injected; our controls act on key presses only.
const InjectedKey kInjectableKeys[] = {
    {VK_BACK, FL_BackSpace, "\b"},
};

std::deque<const InjectedKey*> pendingKeys;
bool delivering = false;

// Delivers one key press to the focused control as if typed, but without
// the modifiers the user may still hold: a Ctrl left down from Ctrl+V must
// not turn a taken-back keystroke into Ctrl+Backspace.
void Deliver(const InjectedKey& key) {
  Fl_Widget* target = Fl::focus();
  if (!target) return;

  const int savedEvent = Fl::e_number, savedKeysym = Fl::e_keysym;
  const int savedOriginal = Fl::e_original_keysym, savedState = Fl::e_state;
  char* const savedText = Fl::e_text;
  const int savedLength = Fl::e_length;

  Fl::e_number = FL_KEYBOARD;
  Fl::e_keysym = Fl::e_original_keysym = key.keysym;
  Fl::e_state &= ~(FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
  Fl::e_text = const_cast<char*>(key.text);
  Fl::e_length = 1;
  target->handle(FL_KEYBOARD);

  Fl::e_number = savedEvent;
  Fl::e_keysym = savedKeysym;
  Fl::e_original_keysym = savedOriginal;
  Fl::e_state = savedState;
  Fl::e_text = savedText;
  Fl::e_length = savedLength;
}

void DeliverLater(void*) { DeliverInjectedKeys(); }

}  // namespace

void DeliverInjectedKeys() {
  if (delivering) return;  // the outer loop picks up keys queued meanwhile
  delivering = true;
  while (!pendingKeys.empty()) {
    const InjectedKey* key = pendingKeys.front();
    pendingKeys.pop_front();
    Deliver(*key);
  }
  delivering = false;
}

// The key joins a queue that is emptied as soon as the event being handled
// is done: at the end of the edit control's handler, or failing that from
// the event loop, which runs due timeouts before it reads more X input.
void WINAPI keybd_event(BYTE virtualKey, BYTE, DWORD flags, ULONG_PTR) {
  if (flags & KEYEVENTF_KEYUP) return;
  for (const InjectedKey& key : kInjectableKeys) {
    if (key.virtualKey != virtualKey) continue;
    pendingKeys.push_back(&key);
    Fl::add_timeout(0.0, DeliverLater);
    return;
  }
}

BOOL WINAPI MessageBeep(UINT) {
  fl_beep(FL_BEEP_DEFAULT);
  return TRUE;
}
