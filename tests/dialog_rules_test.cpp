// The dialog manager over a fake backend, with the program's own templates:
// the keys, the nested modal loop and its wake-up, and what a dialog
// procedure hears, in order. The fake draws nothing; its events are a
// script that the modal loop plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "backend.h"
#include "program_resources.h"
#include "resource.h"

struct NativeDialog {};
struct NativeControl {
  std::string text;
  EditSelection selection{0, 0};
};

namespace {

std::deque<std::function<void()>> script;
std::vector<std::string> heard;  // what the dialog procedures were told, and by whom
Control* focused = nullptr;
int wakes = 0, beeps = 0;

Control* ControlOf(HWND dialog, int id) {
  for (auto& control : dialog->controls)
    if (control->id == id) return control.get();
  return nullptr;
}

void Hear(const std::string& what) { heard.push_back(what); }

std::string Notification(WPARAM wParam) {
  switch (HIWORD(wParam)) {
    case EN_UPDATE: return "update";
    case EN_CHANGE: return "change";
    case EN_MAXTEXT: return "maxtext";
    default: return "command";
  }
}

// Records every command; ends on IDCANCEL; ABOUT opens the About box.
INT_PTR CALLBACK Recorder(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return 0;
  Hear(std::to_string(LOWORD(wParam)) + " " + Notification(wParam));
  if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, dialog->owner ? 7 : 9);
  if (LOWORD(wParam) == ID_ABOUT)
    Hear("about " + std::to_string(DialogBoxParamA(Program(), MAKEINTRESOURCE(IDD_ABOUT), dialog, Recorder, 0)));
  return 0;
}

INT_PTR Play(std::vector<std::function<void()>> steps, DLGPROC proc = Recorder) {
  script.assign(steps.begin(), steps.end());
  heard.clear();
  focused = nullptr;
  wakes = beeps = 0;
  return DialogBoxParamA(Program(), MAKEINTRESOURCE(IDD_QEL), nullptr, proc, 0);
}

std::function<void()> Key(int key, bool shift = false) {
  return [=] { HandleDialogKey(OpenDialogs().back(), key, shift); };
}

std::function<void()> Click(int id) {
  return [=] { SendCommand(*ControlOf(OpenDialogs().back(), id), BN_CLICKED); };
}

std::function<void()> NoteFocus() {
  return [] {
    Hear(focused ? "focus " + std::to_string(focused->id) + " " + std::to_string(focused->native->selection.end) : "none");
  };
}

std::function<void()> Paste(int id, const std::string& text) {
  return [=] { InsertIntoEdit(*ControlOf(OpenDialogs().back(), id), text, true); };
}

using Heard = std::vector<std::string>;

TEST(DialogRules, TabGoesRoundTheTabStopsSelectingEachField) {
  Play({NoteFocus(), Key(kDialogTab), NoteFocus(), Key(kDialogTab), NoteFocus(), Key(kDialogTab), NoteFocus(),
       Key(kDialogTab, true), NoteFocus(), Key(kDialogEscape)});
  EXPECT_EQ(heard, (Heard{"focus 101 1", "focus 102 1", "focus 103 1", "focus 101 1", "focus 103 1", "2 command"}));
}

// Enter is IDOK without a default push button; Esc and the close box are
// IDCANCEL; the About box opens modally, ends with its own result, and
// gives the keyboard back where it was.
TEST(DialogRules, KeysAndTheNestedModalLoop) {
  EXPECT_EQ(Play({Key(kDialogTab), Key(kDialogEnter), Click(ID_ABOUT), NoteFocus(), Key(kDialogEnter),
                 Key(kDialogEscape), NoteFocus(), [] { CloseBoxPressed(OpenDialogs().back()); }}),
            9);
  EXPECT_EQ(heard, (Heard{"1 command", "104 command", "focus 2 0", "1 command", "2 command", "about 7",
                          "focus 102 1", "2 command"}));
  EXPECT_EQ(wakes, 2);  // each EndDialog wakes the loop it ends
  EXPECT_TRUE(OpenDialogs().empty());
}

// SetDlgItemTextA notifies before it returns, in capitals for
// ES_UPPERCASE; a cut paste sends EN_MAXTEXT before the EN_UPDATE of what
// was kept; a key injected meanwhile is delivered once the event is done.
INT_PTR CALLBACK Writer(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, ID_ESADECIMALE, "ff");
    Hear("set returned");
  }
  if (message != WM_COMMAND) return 0;
  if (LOWORD(wParam) == IDCANCEL) return EndDialog(dialog, 0);
  const std::string text = ControlOf(dialog, LOWORD(wParam))->native->text;
  Hear(std::to_string(LOWORD(wParam)) + " " + Notification(wParam) + " " + text);
  if (HIWORD(wParam) == EN_UPDATE && text == "123456") keybd_event(VK_BACK, 0, 0, 0);
  return 0;
}

TEST(DialogRules, NotificationsInUser32sOrder) {
  const auto readBack = [] {
    char text[4];  // room for three
    const UINT count = GetDlgItemTextA(OpenDialogs().back(), ID_DECIMALE, text, sizeof text);
    Hear(std::string(text) + " " + std::to_string(count));
  };
  Play({Paste(ID_DECIMALE, "123456789"), readBack, Key(kDialogEscape)}, Writer);
  EXPECT_EQ(heard, (Heard{"102 update FF", "102 change FF", "set returned", "101 maxtext 123456",
                          "101 update 123456", "101 change 123456", "101 update 12345", "101 change 12345",
                          "123 3"}));
}

}  // namespace

// The fake backend: texts and selections in memory, 10 pixels a character
// in a field 60 pixels wide, events from the script.
NativeDialog* BackendCreateDialog(HWND) { return new NativeDialog; }
void BackendPlaceDialog(HWND, const PixelRect&) {}
void BackendShowDialog(HWND) {}
bool BackendDialogShown(HWND) { return true; }
PixelRect BackendDialogRect(HWND) { return {0, 0, 0, 0}; }
void BackendActivateDialog(HWND) {}
void BackendDestroyDialog(HWND dialog) {
  for (auto& control : dialog->controls) delete control->native;
  delete dialog->native;
  if (focused && focused->dialog == dialog) focused = nullptr;
}
NativeControl* BackendCreateControl(Control&, const DialogItemTemplate& item, const PixelRect&) {
  return new NativeControl{item.title.isOrdinal ? "" : item.title.name};
}
void BackendShowText(Control&) {}
std::string BackendEditText(const Control& edit) { return edit.native->text; }
void BackendSetEditText(Control& edit, const std::string& text) {
  edit.native->text = text;
  edit.native->selection = {0, 0};
}
EditSelection BackendEditSelection(const Control& edit) { return edit.native->selection; }
size_t BackendEditCaret(const Control& edit) { return edit.native->selection.end; }
void BackendSelectEdit(Control& edit, size_t anchor, size_t caret) {
  edit.native->selection = {std::min(anchor, caret), std::max(anchor, caret)};
}
void BackendReplaceSelection(Control& edit, const std::string& text, bool) {
  const EditSelection s = edit.native->selection;
  edit.native->text.replace(s.start, s.end - s.start, text);
  edit.native->selection.start = edit.native->selection.end = s.start + text.size();
  EditTextChanged(edit);
}
void BackendEditBackspace(Control& edit) {
  EditSelection& s = edit.native->selection;
  if (s.start == s.end && s.start > 0) s.start--;
  edit.native->text.erase(s.start, s.end - s.start);
  s.end = s.start;
  EditTextChanged(edit);
}
double BackendTextWidth(const Control&, const char*, size_t size) { return 10.0 * static_cast<double>(size); }
double BackendEditTextArea(const Control&) { return 60; }
void BackendFocus(Control& control, bool selectAll) {
  focused = &control;
  if (selectAll) control.native->selection = {0, control.native->text.size()};
}
Control* BackendFocusedControl() { return focused; }
void BackendWaitForEvent() {
  if (script.empty()) {
    ADD_FAILURE() << "the script ended with a dialog open";
    for (HWND dialog : OpenDialogs()) EndDialog(dialog, -1);
    return;
  }
  std::function<void()> next = script.front();
  script.pop_front();
  next();
  DeliverInjectedKeys();
}
void BackendWake() { wakes++; }
void BackendDeliverSoon() {}
void BackendBeep() { beeps++; }
void BackendDialogCreated(HWND) {}
void BackendDialogDestroyed(HWND) {}
void BackendTextChanged(const Control&) {}
