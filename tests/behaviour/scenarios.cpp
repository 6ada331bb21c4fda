#include "scenarios.h"

namespace {

// The ABOUT button stands at the right of the main dialog, across its rows;
// "Uscita" spans the bottom of the About box.
const char* const kClickAbout = "click main 0.93 0.5";
const char* const kClickUscita = "click about 0.5 0.92";

std::vector<Scenario> MakeScenarios() {
  std::vector<Scenario> table = {
      {"starts_at_zero", {"expect 0 0 0", "beeps 0", "running"}},
      {"typing_over_the_selected_decimal_text",
       {"type 2", "expect 2 2 2", "type 5", "expect 25 19 31", "type 5", "expect 255 FF 377",
        "beeps 0"}},
      {"small_letters_in_the_emptied_hexadecimal_field",
       {"key Tab BackSpace", "expect 0 - 0", "type ff", "expect 255 FF 377", "beeps 0"}},
      {"a_refused_letter_is_taken_back",
       {"key Tab", "type F", "expect 15 F 17", "key End", "type G", "expect 15 F 17", "beeps 1"}},
      {"the_character_typed_in_the_middle_is_the_one_removed",
       {"type 123", "key Left", "type x", "expect 123 7B 173", "beeps 1", "type 4",
        "expect 1243 4DB 2333"}},
      // Up and Down move the caret as Left and Right do in a one-line field.
      {"up_and_down_home_and_end",
       {"type 123", "key Up Up", "type 4", "expect 1423 58F 2617", "key Down", "type 5",
        "expect 14253 37AD 33655", "key Home", "type 6", "key End", "type 7",
        "expect 6142537 5DBA49 27335111", "beeps 0"}},
      // Ctrl+BackSpace types DEL, which a field neither shows nor refuses.
      {"backspace_with_shift_and_ctrl",
       {"type 123", "key shift+BackSpace", "expect 12 C 14", "key ctrl+BackSpace", "expect 12 C 14",
        "key shift+Home ctrl+BackSpace", "expect 12 C 14", "key shift+BackSpace", "expect - 0 0",
        "beeps 0"}},
      // Without a selection Shift+Delete deletes the character before the
      // caret (and copies nothing), Ctrl+Delete all after it.
      {"delete_with_shift_and_ctrl",
       {"clipboard 7", "type 12345", "key Left Left ctrl+Delete", "expect 123 7B 173", "key shift+Delete",
        "expect 12 C 14", "key shift+ctrl+Delete", "expect 12 C 14", "key Home Delete", "expect 2 2 2",
        "key ctrl+v", "expect 72 48 110", "beeps 0"}},
      // On a selection Ctrl+Delete clears it, Shift+Delete cuts it,
      // Shift+Ctrl+Delete does nothing.
      {"delete_with_shift_and_ctrl_on_a_selection",
       {"clipboard 7", "type 12345", "key Left shift+Left shift+Left shift+ctrl+Delete",
        "expect 12345 3039 30071", "key ctrl+Delete", "expect 125 7D 175", "key shift+Left shift+Delete",
        "expect 15 F 17", "key End ctrl+v", "expect 152 98 230", "beeps 0"}},
      {"octal_refuses_eight",
       {"key Tab Tab", "type 78", "expect 7 7 7", "beeps 1"}},
      {"leading_zeros_stay_in_the_edited_field",
       {"type 0010", "expect 0010 A 12", "beeps 0"}},
      {"emptying_each_field_in_turn",
       {"type 0010", "expect 0010 A 12", "key Tab BackSpace", "expect 0010 - 12",
        "key Tab BackSpace", "expect 0010 A -", "key shift+Tab shift+Tab BackSpace",
        "expect - 0 0", "beeps 0"}},
      {"shift_tab_back_to_the_decimal_field",
       {"key Tab", "type F", "expect 15 F 17", "key shift+Tab", "type 9", "expect 9 9 11", "beeps 0"}},
      {"a_ten_digit_decimal_loses_its_extra_digits",
       {"key Tab", "type 3FFFFFFF", "expect 1073741823 3FFFFFFF 7777777777", "beeps 0",
        "key shift+Tab End", "type 5", "expect 107374182 6666666 631463146", "beeps 2"}},
      {"a_refused_digit_after_the_largest_hexadecimal",
       {"key Tab", "type 3FFFFFFF", "type 0", "expect 1073741823 3FFFFFFF 7777777777", "beeps 1"}},
      {"pasting_a_refused_text",
       {"key BackSpace", "expect - 0 0", "paste 12x4", "expect 12 C 14", "beeps 2"}},
      // A blank at the end is pasted, then refused. A single-line edit
      // takes a pasted text up to its first line break; with nothing
      // before it, the paste still deletes the selection.
      {"pasting_a_text_with_a_trailing_blank",
       {"key BackSpace", "paste 12 ", "expect 12 C 14", "beeps 1"}},
      {"pasting_lines",
       {"key BackSpace", "paste 12\n34\n", "expect 12 C 14", "beeps 0"}},
      {"pasting_an_empty_first_line",
       {"type 123", "key shift+Home", "paste \r\n5", "expect - 0 0", "beeps 0"}},
      // A paste may end inside a UTF-8 sequence; what is left is refused.
      {"pasting_a_text_cut_inside_a_character",
       {"only linux wine chromium firefox", "key BackSpace", "paste 12\xE2", "expect 12 C 14", "running"}},
      // WebKitGTK takes the X clipboard through GTK, which drops a text that
      // is not UTF-8 whole: nothing is pasted.
      {"pasting_a_text_cut_inside_a_character_in_webkit",
       {"only webkit", "type 5", "paste 12\xE2", "expect 5 5 5", "beeps 0", "running"}},
      // Clipboard text ends at its first NUL, as on Windows: what follows
      // is neither shown nor checked. Firefox drops the NUL as it writes
      // its clipboard: "12x" is pasted there, and the x refused.
      {"pasting_a_text_with_a_nul",
       {"key BackSpace", std::string("paste 12\0x", 10), "expect 12 C 14",
        "beeps linux=0 wine=0 chromium=0 firefox=1 webkit=0"}},
      // Ctrl is still down while the pasted text is taken back.
      {"pasting_a_refused_text_with_ctrl_held",
       {"key BackSpace", "clipboard 12x4", "hold ctrl", "key v", "expect 12 C 14", "beeps 2",
        "release ctrl", "type 3", "expect 123 7B 173"}},
      // Ctrl+Z puts the refused character back, selected; it is refused
      // again, and the next Ctrl+Z does the same.
      {"undoing_after_a_refused_character",
       {"key BackSpace", "type 5", "type x", "expect 5 5 5", "beeps 1", "key ctrl+z", "expect 5 5 5",
        "beeps 2", "key ctrl+z", "expect 5 5 5", "beeps 3"}},
      // The undo selects what it put back; undoing again redoes.
      {"undoing_a_replaced_selection",
       {"type 123", "key shift+Left shift+Left", "type 9", "expect 19 13 23", "key ctrl+z",
        "expect 123 7B 173", "key ctrl+z", "expect 19 13 23", "key ctrl+z", "type 4", "expect 14 E 16",
        "beeps 0"}},
      // Nothing to undo where QEL wrote the text, yet Ctrl+Z still drops
      // the selection, leaving the caret at the start.
      {"undoing_in_a_field_qel_rewrote",
       {"type 5", "key Tab ctrl+z", "expect 5 5 5", "type 6", "expect 101 65 145", "beeps 0"}},
      // That start is where the user's last edit in the field began, even
      // after QEL has rewritten it.
      {"undoing_in_a_field_qel_rewrote_after_an_edit",
       {"key Tab End", "type 1", "expect 1 01 1", "key shift+Tab", "type 7", "key Tab ctrl+z", "type 6",
        "expect 118 76 166", "beeps 0"}},
      {"cut_copy_and_paste_keys",
       {"type 456", "key shift+Left ctrl+x", "expect 45 2D 55", "key Home ctrl+v", "expect 645 285 1205",
        "key shift+End ctrl+c End ctrl+v", "expect 64545 FC21 176041", "key shift+Home ctrl+c",
        "key Tab BackSpace ctrl+v", "expect 410949 64545 1442505", "beeps 0"}},
      // WebKitGTK takes no Shift+Insert from WebDriver, even in a page
      // without script.
      {"copying_with_ctrl_insert_and_pasting_with_shift_insert",
       {"only linux wine chromium firefox", "type 123", "key shift+Home ctrl+Insert",
        "key Tab Tab BackSpace", "expect 123 7B -", "key shift+Insert", "expect 83 53 123", "beeps 0"}},
      {"fast_typing_with_a_refused_character",
       {"key Tab", "fast 1G2", "expect 18 12 22", "beeps 1"}},
      // A compose sequence (Right Alt as the compose key) and a dead key
      // typed the moment the window appears are composed all the same, and
      // the half and the e acute refused; QEL.EXE under Wine does the same.
      {"composed_characters_typed_as_the_window_appears",
       {"only linux wine", "restart Multi_key 1 2 dead_acute e", "expect - 0 0", "beeps 2", "type 5",
        "expect 5 5 5"}},
      // A field without ES_AUTOHSCROLL holds what fits its width: USER32
      // (under Wine) keeps 15 of these digits, our Linux build and the page
      // 16 in their fonts; the program then takes back all but nine, one
      // beep each.
      {"pasting_more_digits_than_the_field_holds",
       {"key BackSpace", "paste 1234567890123456789012345678901234567890",
        "expect 123456789 75BCD15 726746425", "beeps linux=7 wine=6 chromium=7 firefox=7 webkit=7"}},
      // The same with euro signs where the field fills up: whole characters
      // are kept (14 digits and 1 or 2 euro signs), never part of one.
      {"pasting_more_characters_than_the_field_holds",
       {"key BackSpace",
        "paste 12345678901234\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
        "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC",
        "expect 123456789 75BCD15 726746425", "beeps linux=7 wine=6 chromium=7 firefox=7 webkit=7", "running"}},
      // The context menu (Shift+F10), in Italian as the user's locale.
      // "Incolla" pastes as Ctrl+V does. In a browser the menu is the
      // browser's own, which no key reaches when it runs headless.
      {"incolla_from_the_context_menu",
       {"only linux wine", "key BackSpace", "clipboard 12x4", "key shift+F10", "key i",
        "expect 12 C 14", "beeps 2"}},
      // Up from no item picks the last, Select All; with every other item
      // able to act, the fifth Down is Delete (our menu skips greyed items,
      // USER32's stops on them; Wine calls Delete "Ca&ncella", whose
      // mnemonic is not ours).
      {"seleziona_tutto_then_elimina_from_the_context_menu",
       {"only linux wine", "clipboard 5", "type 123", "expect 123 7B 173", "key shift+F10",
        "key Up Return", "key shift+F10", "key Down Down Down Down Down Return", "expect - 0 0",
        "beeps 0"}},
      // Annulla (Undo) is greyed in a field QEL has just rewritten, which
      // leaves nothing to undo: its mnemonic closes the menu and changes
      // nothing, the selection included. Where the user typed, it undoes.
      {"annulla_is_greyed_in_a_field_qel_rewrote",
       {"only linux wine", "type 5", "key Tab", "key shift+F10", "key a", "expect 5 5 5", "type 6", "expect 6 6 6", "key shift+F10", "key a", "expect 5 5 5",
        "beeps 0", "running"}},
      // A browser's own context menu acts through the same checks (its
      // commands reached through Chromium's DevTools protocol). The two
      // taken-back characters and the deleted "12" are one undo, as in
      // USER32: undo brings back "12x4", selected, and the Backspace that
      // refuses it deletes it all.
      {"the_browsers_context_menu",
       {"only chromium", "clipboard 12x4", "menu paste", "expect 12 C 14", "beeps 2", "menu selectAll",
        "menu delete", "expect - 0 0", "menu undo", "expect - 0 0", "beeps 3"}},
      // An input method's text goes in once it is committed, as typed text:
      // each refused character beeps once, and H's capitals apply. Only
      // Chromium's input method can be driven (its DevTools protocol).
      {"an_input_methods_text",
       {"only chromium", "key BackSpace", "compose 1x", "expect 1 1 1", "beeps 1", "key Tab BackSpace",
        "compose ff", "expect 255 FF 377", "beeps 1"}},
      // Ctrl+A selects the whole field, as the version-6 edit control does.
      {"ctrl_a_selects_the_whole_field",
       {"type 123", "key ctrl+a", "type 5", "expect 5 5 5", "beeps 0"}},
      // A click or a tap in a field puts the caret where it lands: here
      // before the first digit.
      {"a_click_in_a_field_places_the_caret",
       {"type 123", "click main 0.15 0.17", "type 4", "expect 4123 101B 10033", "beeps 0"}},
      // On a phone too, text refused as it arrives is taken back, one tone
      // and one vibration each, and Backspace deletes.
      {"a_phones_keyboard",
       {"type 1x2y", "expect 12 C 14", "beeps 2", "key BackSpace", "expect 1 1 1", "type z", "beeps 3"}},
      {"enter_has_no_effect", {"type 7", "key Return", "expect 7 7 7", "beeps 0", "running"}},
      {"escape_ends_the_program", {"type 9", "key Escape", "exit 0"}},
      {"the_close_box_ends_the_program", {"close main", "exit 0"}},
      {"uscita_closes_the_about_box",
       {"type 0010", "expect 0010 A 12", kClickAbout, "shown about", kClickUscita, "gone about",
        "expect 0010 A 12", "beeps 0", "running"}},
      {"escape_closes_the_about_box",
       {"type 0010", kClickAbout, "shown about", "focus about", "key Escape", "gone about",
        "expect 0010 A 12", "running", "focus main", "key Escape", "exit 0"}},
      // "Uscita" is a plain push button, the About box has no default one
      // and ignores IDOK: Enter leaves it open, and Esc then closes it
      // rather than ending the program.
      {"enter_leaves_the_about_box_open",
       {"type 0010", kClickAbout, "shown about", "focus about", "key Return", "key Escape", "gone about",
        "expect 0010 A 12", "running"}},
      // Tab gives the keyboard to Uscita again, which makes it the default
      // button: Enter then presses it.
      {"tab_then_enter_presses_uscita",
       {"type 0010", kClickAbout, "shown about", "focus about", "key Tab Return", "gone about", "expect 0010 A 12",
        "running"}},
      {"space_on_uscita_closes_the_about_box",
       {"type 0010", kClickAbout, "shown about", "focus about", "key space", "gone about", "expect 0010 A 12",
        "running"}},
      {"the_close_box_closes_the_about_box",
       {"type 0010", kClickAbout, "shown about", "close about", "gone about", "expect 0010 A 12",
        "running"}},
      // ABOUT keeps the keyboard once its box has closed. A control that
      // takes no arrows gives them to the dialog, whose controls are one
      // group: Down from the last control goes round to D, its text
      // selected. An Alt+letter that no control takes beeps, there too.
      // Moved to by the keyboard, ABOUT is the default button, which Enter
      // presses.
      {"down_from_about_to_the_decimal_field",
       {"type 0010", kClickAbout, "shown about", "focus about", "key Escape", "gone about", "focus main",
        "key alt+a", "beeps 1", "key Up Down Return", "shown about", "focus about", "key Escape", "gone about",
        "focus main", "key Down", "type 5", "expect 5 5 5", "key Return", "beeps 1", "running"}},
      // Up walks back through the labels, which take the focus but no
      // characters, to O.
      {"up_from_about_through_the_labels_to_a_field",
       {"type 0010", kClickAbout, "shown about", "focus about", "key Escape", "gone about", "focus main",
        "key Up Up Up", "type 5", "expect 0010 A 12", "key Up", "type 7", "expect 7 7 7", "beeps 0"}},
      // Alt and a character that no control's mnemonic takes: a beep, and
      // nothing typed.
      {"alt_and_a_letter_beeps", {"key alt+a", "expect 0 0 0", "beeps 1", "type 5", "expect 5 5 5"}},
      {"alt_and_a_digit_types_nothing", {"key alt+5", "expect 0 0 0", "beeps 1", "type 5", "expect 5 5 5"}},
  };

  Scenario repeated{"the_about_box_opens_again_and_again", {"type 123"}};
  for (int visit = 0; visit < 5; visit++) {
    for (const char* step : {kClickAbout, "shown about", "focus about", "key Escape", "gone about"})
      repeated.steps.push_back(step);
  }
  repeated.steps.push_back("expect 123 7B 173");
  table.push_back(repeated);
  return table;
}

}  // namespace

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> table = MakeScenarios();
  return table;
}
