// IsDialogMessage: the keys that no control used, as USER32's dialog.c
// takes them. Tab and Shift+Tab walk the tab stops; the arrows walk the
// focused control's group, if it takes no arrows itself; Enter and Esc are
// commands; a character is matched against the controls' mnemonics. The
// moves go through WM_NEXTDLGCTL, which also makes a push button that gets
// the keyboard the default one. No toolkit's own navigation has a say.
#include <algorithm>

#include "backend.h"
#include "dialog_manager.h"

namespace {

using Controls = std::vector<std::unique_ptr<Control>>;

// The control with the keyboard, if it is in this dialog.
Control* FocusedIn(HWND dialog) {
  Control* focused = BackendFocusedControl();
  return focused && focused->dialog == dialog ? focused : nullptr;
}

int IndexOf(const Controls& controls, const Control* control) {
  for (size_t i = 0; i < controls.size(); i++)
    if (controls[i].get() == control) return static_cast<int>(i);
  return -1;
}

bool IsPushButton(const Control& control) {
  return DialogCodeOf(control) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
}

// BM_SETSTYLE, which redraws the button: the default one has a dark frame.
void SetPushButtonStyle(Control& button, uint32_t type) {
  button.style = (button.style & ~BS_TYPEMASK) | type;
  BackendShowText(button);
}

// DEFDLG_SetDefButton: the push button the keyboard moved to is the default
// one; elsewhere the dialog's own default is, and no other button.
void SetDefaultButton(HWND dialog, Control& focused) {
  Control* wanted = IsPushButton(focused) ? &focused : FindControl(dialog, dialog->defaultId);
  for (auto& control : dialog->controls)
    if (control.get() != wanted && (DialogCodeOf(*control) & DLGC_DEFPUSHBUTTON))
      SetPushButtonStyle(*control, BS_PUSHBUTTON);
  if (wanted && (DialogCodeOf(*wanted) & DLGC_UNDEFPUSHBUTTON)) SetPushButtonStyle(*wanted, BS_DEFPUSHBUTTON);
}

// WM_NEXTDLGCTL to a control.
void NextDialogControl(Control& control) {
  FocusControlFromKeyboard(control);
  SetDefaultButton(control.dialog, control);
}

// GetNextDlgTabItem: the next tab stop after `from` (none: from the start),
// round the dialog.
Control* NextTabStop(HWND dialog, const Control* from, bool forward) {
  const Controls& controls = dialog->controls;
  const int count = static_cast<int>(controls.size());
  int at = IndexOf(controls, from);
  if (at < 0) at = forward ? count - 1 : 0;
  for (int step = 1; step <= count; step++) {
    Control& candidate = *controls[((at + (forward ? step : -step)) % count + count) % count];
    if ((candidate.style & WS_TABSTOP) && IsVisibleAndEnabled(candidate)) return &candidate;
  }
  return nullptr;
}

void MoveToNextTabStop(HWND dialog, const Control* from, bool forward) {
  if (Control* next = NextTabStop(dialog, from, forward)) NextDialogControl(*next);
}

// GetNextDlgGroupItem: the next or previous control of `from`'s group,
// round the group's ends, passing over hidden and disabled ones; `from`
// itself if there is none. A group runs from a control with WS_GROUP to
// the next one, and the dialog's controls are a ring, as USER32 walks
// them: the controls before the first WS_GROUP end the last group, and a
// dialog without one is a single group.
Control* NextGroupMember(HWND dialog, Control& from, bool previous) {
  const Controls& controls = dialog->controls;
  const int count = static_cast<int>(controls.size());
  const int at = IndexOf(controls, &from);
  const auto ring = [&](int i) -> Control& { return *controls[((i % count) + count) % count]; };
  int start = at + 1;  // without WS_GROUP, the ring starts after `from`
  for (int back = 0; back < count; back++)
    if (ring(at - back).style & WS_GROUP) {
      start = at - back;
      break;
    }
  std::vector<Control*> group = {&ring(start)};
  for (int i = start + 1; i < start + count && !(ring(i).style & WS_GROUP); i++) group.push_back(&ring(i));
  const int size = static_cast<int>(group.size());
  const int position = static_cast<int>(std::find(group.begin(), group.end(), &from) - group.begin());
  for (int step = 1; step < size; step++) {
    Control* candidate = group[((position + (previous ? -step : step)) % size + size) % size];
    if (IsVisibleAndEnabled(*candidate)) return candidate;
  }
  return &from;
}

// The character after the first '&' that does not double it, in capitals
// (ASCII and Latin-1 letters): what a control's text names as its mnemonic.
std::string Capital(const std::string& character) {
  std::string capital = character;
  const unsigned char first = static_cast<unsigned char>(capital[0]);
  if (first >= 'a' && first <= 'z') capital[0] = static_cast<char>(first - 'a' + 'A');
  const unsigned char second = capital.size() == 2 ? static_cast<unsigned char>(capital[1]) : 0;
  if (first == 0xC3 && second >= 0xA0 && second <= 0xBE && second != 0xB7) capital[1] = static_cast<char>(second - 0x20);
  return capital;
}

std::string FirstCharacter(const std::string& text, size_t at) {
  size_t end = at + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) end++;
  return text.substr(at, end - at);
}

std::string MnemonicOf(const std::string& text) {
  for (size_t amp = text.find('&'); amp != std::string::npos && amp + 1 < text.size(); amp = text.find('&', amp + 2))
    if (text[amp + 1] != '&') return Capital(FirstCharacter(text, amp + 1));
  return "";
}

// DIALOG_IsAccelerator: the first button, group box or static whose
// mnemonic is the character, from the focused control on, round the
// dialog. A button is pressed as by BM_CLICK; a static or a group box gives
// the keyboard to the next tab stop after it.
bool PressMnemonic(HWND dialog, Control* focused, const std::string& typed) {
  const Controls& controls = dialog->controls;
  const int count = static_cast<int>(controls.size());
  const int from = std::max(IndexOf(controls, focused), 0);
  const std::string wanted = Capital(typed);
  for (int step = 0; step < count; step++) {
    Control& control = *controls[(from + step) % count];
    const unsigned code = DialogCodeOf(control);
    if (!IsVisibleAndEnabled(control) || !(code & (DLGC_BUTTON | DLGC_STATIC))) continue;
    if (MnemonicOf(control.text) != wanted) continue;
    if (code & DLGC_STATIC) {
      NextDialogControl(control);
      MoveToNextTabStop(dialog, &control, true);
    } else {
      BackendFocus(control);
      SendCommand(control, BN_CLICKED);
    }
    return true;
  }
  return false;
}

// Enter presses the focused push button if it is the default one, else
// sends the dialog's default command, unless that button is disabled.
void PressEnter(HWND dialog, const Control* focused) {
  if (focused && (DialogCodeOf(*focused) & DLGC_DEFPUSHBUTTON)) return SendCommand(*focused, BN_CLICKED);
  const Control* dialogDefault = FindControl(dialog, dialog->defaultId);
  if (dialogDefault && (dialogDefault->style & WS_DISABLED)) return;
  SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(dialog->defaultId, BN_CLICKED), 0);
}

bool IsArrowKey(int virtualKey) { return virtualKey >= kVkLeft && virtualKey <= kVkDown; }

// WM_KEYDOWN: the keys the dialog takes before any control.
bool DialogKeyDown(HWND dialog, Control* focused, int virtualKey, int modifiers) {
  if (virtualKey == kVkTab) {
    MoveToNextTabStop(dialog, focused, !(modifiers & kEditShift));
  } else if (IsArrowKey(virtualKey)) {
    if (!focused || (DialogCodeOf(*focused) & DLGC_WANTARROWS)) return false;
    NextDialogControl(*NextGroupMember(dialog, *focused, virtualKey == kVkLeft || virtualKey == kVkUp));
  } else if (virtualKey == kVkEscape) {
    SendDialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  } else if (virtualKey == kVkReturn) {
    PressEnter(dialog, focused);
  } else {
    return false;
  }
  return true;
}

// What WM_CHAR and WM_SYSCHAR would carry: one character, which Tab, Esc,
// Space and Delete are not to the mnemonics (Backspace and Enter are).
bool IsMnemonicCharacter(const std::string& typed) {
  if (typed.empty() || typed.size() != FirstCharacter(typed, 0).size()) return false;
  const unsigned char c = static_cast<unsigned char>(typed[0]);
  return c != '\t' && c != 0x1B && c != ' ' && c != 0x7F;
}

}  // namespace

// Ctrl with Alt is AltGr, which types characters; Alt alone makes the
// key a system key, which the dialog's key table does not take.
bool HandleDialogKey(HWND dialog, int virtualKey, int modifiers, const std::string& typed) {
  Control* focused = FocusedIn(dialog);
  const bool alt = (modifiers & kEditAlt) && !(modifiers & kEditCtrl);
  if (!alt) {
    if (DialogKeyDown(dialog, focused, virtualKey, modifiers)) return true;
    if ((modifiers & kEditCtrl) || !IsMnemonicCharacter(typed)) return false;
    if (focused && (DialogCodeOf(*focused) & DLGC_WANTCHARS)) return false;
    return PressMnemonic(dialog, focused, typed);
  }
  if (!IsMnemonicCharacter(typed)) return false;
  if (PressMnemonic(dialog, focused, typed)) return true;
  BackendBeep();  // DefWindowProc's, for a WM_SYSCHAR that no menu takes
  return false;
}
