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
  std::string text;  // what the edit draws
  size_t caret = 0, anchor = 0;
};

namespace {

std::deque<std::function<void()>> script;
std::vector<std::string> heard;  // what the dialog procedures were told, and by whom
Control* focused = nullptr;
int wakes = 0;
std::string clipboard;

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

INT_PTR Play(std::vector<std::function<void()>> steps, DLGPROC proc = Recorder, int dialogId = IDD_QEL) {
  script.assign(steps.begin(), steps.end());
  heard.clear();
  focused = nullptr;
  wakes = 0;
  return DialogBoxParamA(Program(), MAKEINTRESOURCE(dialogId), nullptr, proc, 0);
}

std::function<void()> Key(int key, int modifiers = 0, const std::string& typed = "") {
  return [=] { HandleDialogKey(OpenDialogs().back(), key, modifiers, typed); };
}

std::function<void()> Click(int id) {
  return [=] { SendCommand(*ControlOf(OpenDialogs().back(), id), BN_CLICKED); };
}

std::function<void()> NoteFocus() {
  return [] {
    Hear(focused ? "focus " + std::to_string(focused->id) + " " + std::to_string(std::max(focused->native->caret, focused->native->anchor)) : "none");
  };
}

std::function<void()> Paste(int id, const std::string& text) {
  return [=] { InsertIntoEdit(*ControlOf(OpenDialogs().back(), id), text); };
}

using Heard = std::vector<std::string>;

// Enter is IDOK without a default push button; Esc and the close box are
// IDCANCEL; the About box opens modally, ends with its own result, and
// gives the keyboard back where it was.
TEST(DialogRules, KeysAndTheNestedModalLoop) {
  EXPECT_EQ(Play({Key(kVkTab), Key(kVkReturn), Click(ID_ABOUT), NoteFocus(), Key(kVkReturn),
                 Key(kVkEscape), NoteFocus(), [] { CloseBoxPressed(OpenDialogs().back()); }}),
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
  Play({Paste(ID_DECIMALE, "123456789"), readBack, Key(kVkEscape)}, Writer);
  EXPECT_EQ(heard, (Heard{"102 update FF", "102 change FF", "set returned", "101 maxtext 123456",
                          "101 update 123456", "101 change 123456", "101 update 12345", "101 change 12345",
                          "123 3"}));
}

// A control's handle is a window for SetInputScope, which only an edit
// takes, and for nothing that wants a dialog.
TEST(DialogRules, AnEditIsToldWhatItTakes) {
  Play({[] {
          HWND dialog = OpenDialogs().back(), decimal = GetDlgItem(dialog, ID_DECIMALE);
          EXPECT_EQ(decimal, GetDlgItem(dialog, ID_DECIMALE));
          EXPECT_EQ(SetInputScope(decimal, IS_DIGITS), S_OK);
          EXPECT_EQ(SetInputScope(GetDlgItem(dialog, ID_ABOUT), IS_DIGITS), E_INVALIDARG);
          EXPECT_EQ(SetInputScope(dialog, IS_DIGITS), E_INVALIDARG);
          EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
          EXPECT_EQ(GetDlgItem(decimal, ID_DECIMALE), nullptr);
          EXPECT_FALSE(EndDialog(decimal, 1));
        },
        Key(kVkEscape)});
  EXPECT_EQ(heard, (Heard{"keyboard 101 28", "2 command"}));
}

// The edit control's state machine, one row a start, what the user does,
// the end and what the dialog heard. In the texts '|' is the caret and '^'
// the selection's other end, where there is a selection.
struct EditStep {
  int key;  // a virtual key, or 0 to type `typed`
  int modifiers;
  const char* typed;
};
struct EditRow {
  const char* name;
  const char* start;
  std::vector<EditStep> steps;
  const char* end;
  Heard heard;
  const char* clipboard = "";
};

EditState Parse(const std::string& marked) {
  EditState state;
  for (char c : marked) {
    if (c == '|') state.caret = state.text.size();
    else if (c == '^') state.anchor = state.text.size() + 1;  // 0 is none
    else state.text += c;
  }
  state.anchor = state.anchor ? state.anchor - 1 : state.caret;
  return state;
}

std::string Marked(const NativeControl& drawn) {
  std::string text;
  for (size_t i = 0; i <= drawn.text.size(); i++) {
    if (i == drawn.anchor && drawn.anchor != drawn.caret) text += '^';
    if (i == drawn.caret) text += '|';
    if (i < drawn.text.size()) text += drawn.text[i];
  }
  return text;
}

const int kShift = kEditShift, kCtrl = kEditCtrl;
const Heard kChanged = {"101 update", "101 change"};
const Heard kUndone = {"101 update", "101 change", "101 change"};

const EditRow kEditRows[] = {
    {"typing replaces the selection", "1^23|4", {{0, 0, "x"}}, "1x|4", kChanged},
    {"backspace deletes before the caret", "12|3", {{kVkBack, 0, ""}}, "1|3", kChanged},
    {"shift+backspace is backspace", "12|3", {{kVkBack, kShift, ""}}, "1|3", kChanged},
    {"ctrl+backspace does nothing", "12|3", {{kVkBack, kCtrl, ""}}, "12|3", {}},
    {"backspace at the start does nothing", "|123", {{kVkBack, 0, ""}}, "|123", {}},
    {"delete deletes after the caret", "1|23", {{kVkDelete, 0, ""}}, "1|3", kChanged},
    {"delete takes a selection", "|12^3", {{kVkDelete, 0, ""}}, "|3", kChanged},
    {"shift+delete without a selection deletes before", "12|3", {{kVkDelete, kShift, ""}}, "1|3", kChanged},
    {"shift+delete cuts a selection", "1^23|", {{kVkDelete, kShift, ""}}, "1|", kChanged, "23"},
    {"ctrl+delete deletes to the end", "1|23", {{kVkDelete, kCtrl, ""}}, "1|", kChanged},
    {"ctrl+shift+delete does nothing", "1|23", {{kVkDelete, kCtrl | kShift, ""}}, "1|23", {}},
    {"a character takes whole UTF-8 sequences", "1\xE2\x82\xAC|", {{kVkBack, 0, ""}}, "1|", kChanged},
    {"left moves from the caret, not the selection", "^123|", {{kVkLeft, 0, ""}}, "12|3", {}},
    {"shift+left extends", "12|3", {{kVkLeft, kShift, ""}, {kVkUp, kShift, ""}}, "|12^3", {}},
    {"down is right, end the end", "|123", {{kVkDown, 0, ""}, {kVkEnd, kShift, ""}}, "1^23|", {}},
    {"ctrl+right goes to the next word", "|12 34", {{kVkRight, kCtrl, ""}}, "12 |34", {}},
    {"ctrl+a selects all and tells", "1|23", {{'A', kCtrl, ""}}, "^123|", kChanged},
    {"copy leaves the text", "^12|3", {{'C', kCtrl, ""}}, "^12|3", {}, "12"},
    {"ctrl+insert copies, shift+insert pastes", "^12|3", {{kVkInsert, kCtrl, ""}, {kVkEnd, 0, ""},
     {kVkInsert, kShift, ""}}, "12312|", kChanged, "12"},
    {"cut then paste", "^12|3", {{'X', kCtrl, ""}, {kVkEnd, 0, ""}, {'V', kCtrl, ""}}, "312|",
     {"101 update", "101 change", "101 update", "101 change"}, "12"},
    // The undo buffer holds what Backspace took: undo puts it back,
    // selected; again, and it is gone again.
    {"undo after backspace", "5x|", {{kVkBack, 0, ""}, {'Z', kCtrl, ""}}, "5^x|",
     {"101 update", "101 change", "101 update", "101 change", "101 change"}},
    {"undo twice redoes", "5x|", {{kVkBack, 0, ""}, {'Z', kCtrl, ""}, {'Z', kCtrl, ""}}, "5|",
     {"101 update", "101 change", "101 update", "101 change", "101 change", "101 update", "101 change",
      "101 change"}},
    {"undo of a replaced selection", "1^23|", {{0, 0, "9"}, {'Z', kCtrl, ""}}, "1^23|",
     {"101 update", "101 change", "101 update", "101 change", "101 change"}},
    {"undo of a run of typing", "1|", {{0, 0, "2"}, {0, 0, "3"}, {'Z', kCtrl, ""}}, "1|",
     {"101 update", "101 change", "101 update", "101 change", "101 update", "101 change", "101 change"}},
    // With nothing to undo, the caret goes where the last change began.
    {"nothing to undo", "1|", {{'Z', kCtrl, ""}}, "|1", {"101 change"}},
    // What fits: 6 characters of 10 pixels in 60; a cut one says EN_MAXTEXT.
    {"an insertion is cut to the width", "1234|", {{0, 0, "567"}}, "123456|",
     {"101 maxtext", "101 update", "101 change"}},
    {"alt+letter is no character", "1|", {{'B', kEditAlt, "b"}}, "1|", {}},
};

TEST(DialogRules, TheEditControlsStateMachine) {
  for (const EditRow& row : kEditRows) {
    Control* edit = nullptr;
    std::string drawn, clipboardAfter;
    Heard told;
    std::vector<std::function<void()>> steps = {[&] {
      edit = ControlOf(OpenDialogs().back(), ID_DECIMALE);
      edit->edit = Parse(row.start);
      BackendShowEdit(*edit);
      clipboard.clear();
      heard.clear();
    }};
    for (const EditStep& step : row.steps)
      steps.push_back([&, step] { EditKeyDown(*edit, step.key, step.modifiers, step.typed); });
    steps.push_back([&] {
      drawn = Marked(*edit->native);
      told = heard;
      clipboardAfter = clipboard;
    });
    steps.push_back(Key(kVkEscape));
    Play(steps);
    EXPECT_EQ(drawn, row.end) << row.name;
    EXPECT_EQ(told, row.heard) << row.name;
    EXPECT_EQ(clipboardAfter, row.clipboard) << row.name;
  }
}

// The dialog's own keys: from the control a click gave the keyboard to
// (its index in the template), in a template changed as the row says,
// each key, and the control that has the keyboard after it.
struct DialogKeyRow {
  const char* name;
  bool about;  // in the About box, else in the converter
  int focus;
  std::vector<EditStep> keys;
  Heard heard;
  std::function<void(HWND)> change = nullptr;
};

const int kAlt = kEditAlt, kDown = kVkDown, kUp = kVkUp;
const DialogKeyRow kDialogKeyRows[] = {
    {"tab goes round the tab stops, selecting each field", false, 0,
     {{kVkTab, 0, ""}, {kVkTab, 0, ""}, {kVkTab, 0, ""}, {kVkTab, kShift, ""}},
     {"1 selected", "2 selected", "0 selected", "2 selected"}},
    // The converter is one group: ABOUT (6) round to D, back through the labels.
    {"down from ABOUT goes round to D", false, 6, {{kDown, 0, ""}}, {"0 selected"}},
    {"up walks back through the labels", false, 6, {{kUp, 0, ""}, {kUp, 0, ""}, {kUp, 0, ""}, {kVkLeft, 0, ""}},
     {"5", "4", "3", "2 selected"}},
    {"an edit keeps its arrows", false, 0, {{kDown, 0, ""}}, {"0 selected"}},
    {"hidden and disabled controls are passed over", false, 6, {{kUp, 0, ""}, {kVkRight, 0, ""}}, {"3", "6"},
     [](HWND d) { d->controls[5]->style &= ~WS_VISIBLE, d->controls[4]->style |= WS_DISABLED; }},
    {"a group runs to the next WS_GROUP, round its ends", false, 6, {{kDown, 0, ""}, {kUp, 0, ""}}, {"3", "6"},
     [](HWND d) { d->controls[0]->style |= WS_GROUP, d->controls[3]->style |= WS_GROUP; }},
    // WM_NEXTDLGCTL makes a push button the default one; a click does not.
    {"a push button the keyboard moved to takes Enter", false, 6,
     {{kVkReturn, 0, ""}, {kUp, 0, ""}, {kDown, 0, ""}, {kVkReturn, 0, ""}, {kDown, 0, ""}, {kVkReturn, 0, ""}},
     {"1 command", "6", "5", "6", "104 command", "6", "0 selected", "1 command", "0 selected"}},
    {"tab makes Uscita the default", true, 0, {{kVkReturn, 0, ""}, {kVkTab, 0, ""}, {kVkReturn, 0, ""}},
     {"1 command", "0", "0", "2 command", "0"}},
    // The About box's group box starts the group that goes round to it.
    {"the about box's ring", true, 0, {{kDown, 0, ""}, {kDown, 0, ""}, {kUp, 0, ""}, {kUp, 0, ""}, {kUp, 0, ""}},
     {"1", "2", "1", "0", "6"}},
    // Alt and a character: a mnemonic, or a beep; Alt+Space and AltGr are not.
    {"alt+letter that nothing takes beeps", false, 0, {{'A', kAlt, "a"}, {' ', kAlt, " "}, {'Q', kAlt | kCtrl, "@"}},
     {"beep", "0 selected", "0 selected", "0 selected"}},
    {"a static's mnemonic gives the next tab stop", false, 1, {{'O', kAlt, "o"}}, {"0 selected"},
     [](HWND d) { d->controls[4]->text = "&O"; }},
    {"a button's mnemonic, alone where the focus takes no characters", true, 0, {{'U', 0, "u"}}, {"2 command", "0"},
     [](HWND d) { d->controls[0]->text = "&&a &uscita"; }},
    {"an edit takes the character", false, 1, {{'D', 0, "d"}, {'D', kAlt, "d"}}, {"1", "0 selected"},
     [](HWND d) { d->controls[3]->text = "&D"; }},
};

std::string FocusedItem() {
  const bool selected = focused && focused->kind->controlClass == ControlClass::Edit &&
                        focused->native->caret == focused->edit.text.size() && focused->native->anchor == 0;
  return focused ? std::to_string(focused->item) + (selected ? " selected" : "") : "none";
}

// Records the commands; Esc ends the dialog, ABOUT opens nothing.
INT_PTR CALLBACK Commands(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return 0;
  Hear(std::to_string(LOWORD(wParam)) + " command");
  if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
  return 0;
}

TEST(DialogRules, TheDialogsOwnKeys) {
  for (const DialogKeyRow& row : kDialogKeyRows) {
    std::vector<std::function<void()>> steps = {[&] {
      HWND dialog = OpenDialogs().back();
      if (row.change) row.change(dialog);
      BackendFocus(*dialog->controls[row.focus]);
    }};
    for (const EditStep& key : row.keys)
      steps.push_back([&, key] {
        HandleDialogKey(OpenDialogs().back(), key.key, key.modifiers, key.typed);
        Hear(FocusedItem());
      });
    steps.push_back([] { EndDialog(OpenDialogs().back(), 0); });
    Play(steps, Commands, row.about ? IDD_ABOUT : IDD_QEL);
    EXPECT_EQ(heard, row.heard) << row.name;
  }
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
void BackendShowEdit(Control& edit) {
  edit.native->text = edit.edit.text;
  edit.native->caret = edit.edit.caret;
  edit.native->anchor = edit.edit.anchor;
}
void BackendCopyText(const Control&, const std::string& text) { clipboard = text; }
void BackendPasteInto(Control& edit) { InsertIntoEdit(edit, clipboard); }
bool BackendClipboardMayHoldText() { return !clipboard.empty(); }
double BackendTextWidth(const Control&, const char*, size_t size) { return 10.0 * static_cast<double>(size); }
double BackendEditTextArea(const Control&) { return 60; }
void BackendFocus(Control& control) { focused = &control; }
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
void BackendBeep() { Hear("beep"); }
void BackendDialogCreated(HWND) {}
void BackendDialogDestroyed(HWND) {}
void BackendTextChanged(const Control&) {}
void BackendShowInputScope(const Control& edit) {
  Hear("keyboard " + std::to_string(edit.id) + " " + std::to_string(edit.inputScope));
}
