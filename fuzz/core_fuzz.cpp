// Fuzzes the conversion core the way the main dialog drives it. The input
// is a run of keystroke results: a byte choosing the field, then the field's
// new text up to a NUL (the dialog measures texts with strlen, so a text
// never holds one). Each text is checked against the base's rules as
// written out here, independently of the validators; an accepted one is
// copied and converted as the dialog's field table says, and the three
// buffers must then denote one value and convert back to what was typed.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core.h"
#include "fake_feedback.h"

namespace {

struct Field {
  const char* name;
  int base;
  int (*validate)(const char* stringa, int num_car);
  char* buffer;
  void (*conversions[2])();
};

// The main dialog's field table.
const Field kFields[] = {
    {"decimal", 10, EditDecimale, StrD, {DecToEsa, DecToOct}},
    {"hexadecimal", 16, EditEsadecimale, StrH, {EsaToDec, DecToOct}},
    {"octal", 8, EditOttale, StrO, {OctToDec, DecToEsa}},
};

std::string current;  // the step being checked, for the report

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "core_fuzz: %s\n  %s\n  StrD=\"%s\" StrH=\"%s\" StrO=\"%s\"\n", what,
               current.c_str(), StrD, StrH, StrO);
  std::abort();
}

void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    char hex[8];
    if (c >= 0x20 && c < 0x7F && c != '\\') out += static_cast<char>(c);
    else std::snprintf(hex, sizeof hex, "\\x%02X", c), out += hex;
  }
  return out;
}

bool OnlyDigitsOf(const std::string& text, const char* digits) {
  return text.find_first_not_of(digits) == std::string::npos;
}

// The rules of each base, stated as a user would read them.
bool Acceptable(int base, const std::string& text) {
  switch (base) {
    case 10:
      return OnlyDigitsOf(text, "0123456789") && text.size() <= 9;
    case 16:
      return OnlyDigitsOf(text, "0123456789ABCDEFabcdef") && text.size() <= 8 &&
             (text.size() < 8 || (text[0] >= '0' && text[0] <= '3'));
    default:
      return OnlyDigitsOf(text, "01234567") && text.size() <= 10;
  }
}

const char* DigitsOf(int base) {
  return base == 10 ? "0123456789" : base == 16 ? "0123456789ABCDEF" : "01234567";
}

// A buffer's value: only digits of its base (capitals for hexadecimal, as the
// conversions write them), no more than ten, read by strtoul.
unsigned long ValueOf(const char* buffer, int base, bool smallLetters = false) {
  std::string text(buffer);
  Check(text.size() <= 10, "a buffer holds more than ten characters");
  const std::string digits = std::string(DigitsOf(base)) + (smallLetters ? "abcdef" : "");
  Check(OnlyDigitsOf(text, digits.c_str()), "a buffer holds a character outside its base");
  return std::strtoul(buffer, nullptr, base);
}

// The typed text as the conversions write the same value: capitals, no
// leading zeros, "0" for zero.
std::string Canonical(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const size_t first = text.find_first_not_of('0');
  return first == std::string::npos ? "0" : text.substr(first);
}

struct Buffers {
  char d[LungBuffer], h[LungBuffer], o[LungBuffer];
  static Buffers Now() {
    Buffers b;
    std::memcpy(b.d, StrD, LungBuffer), std::memcpy(b.h, StrH, LungBuffer), std::memcpy(b.o, StrO, LungBuffer);
    return b;
  }
  void Restore() const {
    std::memcpy(StrD, d, LungBuffer), std::memcpy(StrH, h, LungBuffer), std::memcpy(StrO, o, LungBuffer);
  }
  bool operator==(const Buffers& b) const {
    return !std::memcmp(d, b.d, LungBuffer) && !std::memcmp(h, b.h, LungBuffer) &&
           !std::memcmp(o, b.o, LungBuffer);
  }
};

// Converts the other buffers back into the typed field's base; the result
// must be what was typed, in the conversions' own form.
void CheckRoundTrip(const Field& field, const std::string& text) {
  const Buffers after = Buffers::Now();
  const std::string typed = Canonical(text);
  switch (field.base) {
    case 10:
      EsaToDec();
      Check(Canonical(StrD) == typed, "hexadecimal back to decimal differs from the typed text");
      after.Restore();
      OctToDec();
      Check(Canonical(StrD) == typed, "octal back to decimal differs from the typed text");
      break;
    case 16:
      DecToEsa();
      Check(StrH == typed, "decimal back to hexadecimal differs from the typed text");
      break;
    default:
      DecToOct();
      Check(StrO == typed, "decimal back to octal differs from the typed text");
      break;
  }
  after.Restore();
}

// An empty hexadecimal or octal text converts nothing into StrD; the third
// buffer follows StrD as it was.
void CheckEmptyChange(const Field& field, const Buffers& before) {
  Check(field.buffer[0] == '\0', "the empty text was not kept");
  Check(!std::strcmp(StrD, before.d), "an empty text changed StrD");
  const unsigned long d = ValueOf(StrD, 10);
  const unsigned long other = field.base == 16 ? ValueOf(StrO, 8) : ValueOf(StrH, 16);
  Check(d == other, "the buffer converted from StrD denotes another value");
}

void CheckAcceptedChange(const Field& field, const std::string& text, const Buffers& before) {
  std::strcpy(field.buffer, text.c_str());
  for (auto conversion : field.conversions) conversion();
  if (text.empty() && field.base != 10) return CheckEmptyChange(field, before);

  const unsigned long d = ValueOf(StrD, 10), o = ValueOf(StrO, 8);
  const unsigned long h = ValueOf(StrH, 16, field.base == 16);  // typed small letters stay
  Check(d == h && d == o, "the three buffers denote different values");
  Check(d <= 0x3FFFFFFF, "a value beyond 3FFFFFFF");
  Check(text == field.buffer, "the accepted text is not in its buffer");
  Check(d == std::strtoul(text.c_str(), nullptr, field.base), "the buffers do not hold the typed value");
  CheckRoundTrip(field, text);
}

void CheckKeystroke(const Field& field, const std::string& text) {
  current = std::string(field.name) + " \"" + Printable(text) + "\"";
  const Buffers before = Buffers::Now();
  const bool expected = Acceptable(field.base, text);

  feedback = {};
  const int answer = field.validate(text.c_str(), static_cast<int>(text.size()));
  Check(answer == 0 || answer == 1, "a validator answered neither 0 nor 1");
  Check((answer == 1) == expected, expected ? "a valid text was refused" : "an invalid text was accepted");
  const int due = expected ? 0 : 1;
  Check(feedback.backspaces == due && feedback.beeps == due && feedback.otherKeys == 0,
        "not one Backspace and one beep per refused text, none per accepted one");
  Check(Buffers::Now() == before, "a validator changed a buffer");

  if (answer == 1) CheckAcceptedChange(field, text, before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::strcpy(StrD, "0"), std::strcpy(StrH, "0"), std::strcpy(StrO, "0");  // the dialog's start
  size_t i = 0;
  while (i < size) {
    const Field& field = kFields[data[i++] % 3];
    std::string text;
    while (i < size && data[i] != 0) text += static_cast<char>(data[i++]);
    i++;  // the NUL that ends the text
    CheckKeystroke(field, text);
  }
  return 0;
}
