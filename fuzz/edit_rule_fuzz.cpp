// The edit control's insertion rule under libFuzzer: any field, any
// selection, any bytes typed or pasted. Whatever goes in holds no NUL and
// no LF (a lone CR is a character), is whole UTF-8, fits the field, and
// goes in unchanged a second time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "edit_rule.h"
#include "win32.h"

namespace {

// Widths that differ by character, as a proportional font's do.
double Width(const void*, const char* text, size_t size) {
  double width = 0;
  for (size_t i = 0; i < size; i++) width += 1 + (static_cast<unsigned char>(text[i]) % 7);
  return width;
}

void Require(bool holds) {
  if (!holds) std::abort();
}

bool IsWholeUtf8(const std::string& text) {
  for (const char* p = text.c_str(); p < text.c_str() + text.size();) {
    const int length = Utf8SequenceLength(p, text.c_str() + text.size());
    if (length <= 0) return false;
    p += length;
  }
  return true;
}

}  // namespace

// The first four bytes set the field up; the rest is the field's text and,
// after the first 0xFF, the inserted bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 4, size - 4);
  const size_t split = rest.find('\xFF');
  EditField field;
  field.text = rest.substr(0, split);
  const std::string inserted = split == std::string::npos ? std::string() : rest.substr(split + 1);
  field.selectionStart = data[0] % (field.text.size() + 1);
  field.selectionEnd = data[1] % (field.text.size() + 1);
  field.style = (data[2] & 1 ? ES_UPPERCASE : 0) | (data[2] & 2 ? ES_AUTOHSCROLL : 0);
  field.textArea = data[3] * 2;
  field.measure = {Width, nullptr};

  const EditInsertion fitted = FitEditInsertion(field, inserted.data(), inserted.size());
  Require(fitted.text.find_first_of(std::string("\0\n", 2)) == std::string::npos);
  Require(IsWholeUtf8(fitted.text));
  if (!(field.style & ES_AUTOHSCROLL)) Require(Width(nullptr, fitted.text.data(), fitted.text.size()) <= field.textArea);

  const EditInsertion again = FitEditInsertion(field, fitted.text.data(), fitted.text.size());
  Require(again.text == fitted.text && !again.cut);
  return 0;
}
