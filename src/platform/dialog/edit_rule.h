// What a single-line edit control lets in, as USER32's edit.c decides it
// for typed and pasted text alike. Pure: the toolkit's text measure is
// passed in, and nothing is drawn or notified.
#ifndef QEL_PLATFORM_EDIT_RULE_H
#define QEL_PLATFORM_EDIT_RULE_H

#include <cstddef>
#include <cstdint>
#include <string>

// USER32's text limit for a single-line edit that scrolls (EM_LIMITTEXT's
// default), in characters.
constexpr size_t kScrollingTextLimit = 32767;

// The width of [text, text + size) in pixels, in the field's font.
struct TextMeasure {
  double (*width)(const void* context, const char* text, size_t size);
  const void* context;
};

struct EditField {
  std::string text;           // UTF-8, as the field holds it now
  size_t selectionStart = 0;  // bytes; the insertion replaces [start, end)
  size_t selectionEnd = 0;
  uint32_t style = 0;         // ES_UPPERCASE, ES_AUTOHSCROLL
  // Without ES_AUTOHSCROLL: how wide the text may grow, and its measure.
  double textArea = 0;
  TextMeasure measure = {nullptr, nullptr};
};

struct EditInsertion {
  std::string text;  // what goes in: whole UTF-8, no NUL, no LF
  bool cut = false;  // more was brought than fitted: EN_MAXTEXT
};

// The inserted text as it may go in:
//  - it ends at its first NUL (as clipboard text does) or line break, LF
//    or CRLF (the first line of a paste);
//  - whole UTF-8 sequences; a byte that starts none is its CP1252 character;
//  - ES_UPPERCASE turns small letters into capitals;
//  - no more than fits: the text area's width without ES_AUTOHSCROLL,
//    USER32's default limit with it. The rest of the field is measured
//    only as far as the limit, so a longer text costs no more.
EditInsertion FitEditInsertion(const EditField& field, const char* inserted, size_t size);

// The length of the well-formed UTF-8 sequence at [text, end), 0 if none
// starts there.
int Utf8SequenceLength(const char* text, const char* end);

#endif
