// What a single-line edit lets in, with no display: each row a field, an
// insertion and what goes in. Widths are 10 pixels a character.
#include <gtest/gtest.h>

#include <string>

#include "edit_rule.h"
#include "win32.h"

namespace {

double TenPerCharacter(const void*, const char* text, size_t size) {
  double width = 0;
  for (size_t i = 0; i < size; i++)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) width += 10;
  return width;
}

struct Row {
  const char* name;
  std::string text;
  size_t selectionStart, selectionEnd;
  uint32_t style;
  double textArea;  // without ES_AUTOHSCROLL
  std::string inserted;
  std::string kept;
  bool cut;
};

const uint32_t kScrolls = ES_AUTOHSCROLL;
const double kRoomy = 1000;

const Row kRows[] = {
    {"digits go in whole", "12", 2, 2, 0, kRoomy, "34", "34", false},
    {"a NUL ends the text", "", 0, 0, 0, kRoomy, std::string("12\0x", 4), "12", false},
    {"LF ends a paste", "", 0, 0, 0, kRoomy, "12\n34", "12", false},
    {"a lone CR is a character", "", 0, 0, 0, kRoomy, "12\r34", "12\r34", false},
    {"CRLF ends a paste", "", 0, 0, 0, kRoomy, "12\r\n34", "12", false},
    {"an empty first line inserts nothing", "123", 0, 3, 0, kRoomy, "\r\n5", "", false},
    {"a lone byte is its CP1252 character", "", 0, 0, 0, kRoomy, "1\x80" "2\xE9", "1\xE2\x82\xAC" "2\xC3\xA9", false},
    {"a sequence cut short is CP1252 bytes", "", 0, 0, 0, kRoomy, "12\xE2\x82", "12\xC3\xA2\xE2\x80\x9A", false},
    {"an overlong form is bytes, not a slash", "", 0, 0, 0, kRoomy, "\xC0\xAF", "\xC3\x80\xC2\xAF", false},
    {"a surrogate is bytes", "", 0, 0, 0, kRoomy, "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", false},
    {"whole sequences are kept", "", 0, 0, 0, kRoomy, "\xE2\x82\xAC\xF0\x9F\x98\x80", "\xE2\x82\xAC\xF0\x9F\x98\x80", false},
    {"small letters become capitals", "F", 1, 1, ES_UPPERCASE, kRoomy, "fa\xC3\xA9z", "FA\xC3\xA9Z", false},
    {"without the style they stay", "", 0, 0, 0, kRoomy, "ff", "ff", false},
    {"a full field takes nothing", "12345", 5, 5, 0, 50, "6", "", true},
    {"what fits of a paste goes in", "123", 3, 3, 0, 50, "4567", "45", true},
    {"a replaced selection makes room", "12345", 1, 4, 0, 50, "abcd", "abc", true},
    {"a selection backwards is the same", "12345", 4, 1, 0, 50, "abcd", "abc", true},
    {"a text longer than the field leaves no room", "1234567", 7, 7, 0, 50, "8", "", true},
    {"a character is never split to fit", "1234", 4, 4, 0, 50, "\xE2\x82\xAC\xE2\x82\xAC", "\xE2\x82\xAC", true},
    {"scrolling fields hold USER32's limit", std::string(kScrollingTextLimit - 2, '1'), 0, 0, kScrolls, 0, "2345",
     "23", true},
    {"scrolling fields ignore the width", "", 0, 0, kScrolls, 10, "123", "123", false},
    {"a selection past the text leaves no room", "12", 0, 9, 0, kRoomy, "3", "", true},
};

TEST(EditRule, InsertionsAreFittedAsUser32FitsThem) {
  for (const Row& row : kRows) {
    EditField field;
    field.text = row.text;
    field.selectionStart = row.selectionStart;
    field.selectionEnd = row.selectionEnd;
    field.style = row.style;
    field.textArea = row.textArea;
    field.measure = {TenPerCharacter, nullptr};
    const EditInsertion got = FitEditInsertion(field, row.inserted.data(), row.inserted.size());
    EXPECT_EQ(got.text, row.kept) << row.name;
    EXPECT_EQ(got.cut, row.cut) << row.name;
  }
}

}  // namespace
