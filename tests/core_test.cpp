// The conversion core: validators with their feedback, and conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core.h"
#include "fake_feedback.h"

namespace {

using Validator = int (*)(const char*, int);

struct ValidationCase {
  const char* text;
  bool accepted;
};

void ExpectValidation(Validator validate, const ValidationCase& c) {
  feedback = {};
  const int answer = validate(c.text, static_cast<int>(std::strlen(c.text)));
  EXPECT_EQ(answer, c.accepted ? 1 : 0) << '"' << c.text << '"';
  // One Backspace and one beep per refused text, however many faults it has.
  EXPECT_EQ(feedback.backspaces, c.accepted ? 0 : 1) << '"' << c.text << '"';
  EXPECT_EQ(feedback.beeps, c.accepted ? 0 : 1) << '"' << c.text << '"';
  EXPECT_EQ(feedback.otherKeys, 0);
}

TEST(Validators, Decimal) {
  const ValidationCase cases[] = {
      {"", true},          {"0", true},           {"123456789", true}, {"000000001", true},
      {"999999999", true}, {"1234567890", false}, {"0000000000", false}, {"-1", false},
      {"1 2", false},      {" 1", false},         {"12a", false},      {"A", false},
      {"+5", false},       {"1.5", false},        {"x", false},        {"12x4", false},
  };
  for (const auto& c : cases) ExpectValidation(EditDecimale, c);
}

TEST(Validators, Hexadecimal) {
  const ValidationCase cases[] = {
      {"", true},           {"0", true},          {"3FFFFFFF", true},   {"0FFFFFFF", true},
      {"FFFFFFF", true},    {"ff", true},         {"abcdef", true},     {"00000000", true},
      {"40000000", false},  {"AFFFFFFF", false},  {"FFFFFFFF", false},  {"000000000", false},
      {"123456789", false}, {"G", false},         {"FG", false},        {"0x1F", false},
      {"-1", false},        {" F", false},        {"g", false},         {"3fffffff", true},
  };
  for (const auto& c : cases) ExpectValidation(EditEsadecimale, c);
}

TEST(Validators, Octal) {
  const ValidationCase cases[] = {
      {"", true},          {"7777777777", true},   {"0000000000", true}, {"0", true},
      {"8", false},        {"9", false},           {"178", false},       {"77777777777", false},
      {"00000000000", false}, {"7a", false},       {"-7", false},        {"1 ", false},
  };
  for (const auto& c : cases) ExpectValidation(EditOttale, c);
}

// Every byte outside the base's digits is refused, 0x80 to 0xFF included,
// whatever the signedness of char.
TEST(Validators, EveryByteOutsideTheDigitsIsRefused) {
  struct Base {
    Validator validate;
    const char* digits;
  };
  const Base bases[] = {{EditDecimale, "0123456789"},
                        {EditEsadecimale, "0123456789ABCDEFabcdef"},
                        {EditOttale, "01234567"}};
  for (const Base& base : bases) {
    for (int byte = 1; byte <= 0xFF; byte++) {
      const char text[] = {'1', static_cast<char>(byte), '\0'};
      const bool digit = std::strchr(base.digits, byte) != nullptr;
      ExpectValidation(base.validate, {text, digit});
    }
  }
}

TEST(Validators, AnEmbeddedNulEndsTheText) {
  // The caller passes strlen; bytes after a NUL are never looked at.
  const char text[] = {'1', '2', '\0', 'x'};
  feedback = {};
  EXPECT_EQ(EditDecimale(text, 2), 1);
  EXPECT_EQ(feedback.beeps, 0);
}

void SetBuffers(const char* d, const char* h, const char* o) {
  std::strcpy(StrD, d);
  std::strcpy(StrH, h);
  std::strcpy(StrO, o);
}

TEST(Conversions, FromDecimal) {
  struct Case {
    const char* decimal;
    const char* hex;
    const char* octal;
  };
  const Case cases[] = {
      {"0", "0", "0"},        {"", "0", "0"},         {"007", "7", "7"},
      {"255", "FF", "377"},   {"999999999", "3B9AC9FF", "7346544777"},
      {"1073741823", "3FFFFFFF", "7777777777"},        {"10", "A", "12"},
  };
  for (const Case& c : cases) {
    SetBuffers(c.decimal, "junk", "junk");
    DecToEsa();
    DecToOct();
    EXPECT_STREQ(StrH, c.hex) << c.decimal;
    EXPECT_STREQ(StrO, c.octal) << c.decimal;
    EXPECT_STREQ(StrD, c.decimal) << "the source is left alone";
  }
}

TEST(Conversions, ToDecimal) {
  struct Case {
    void (*convert)();
    char* source;
    const char* text;
    const char* decimal;
  };
  const Case cases[] = {
      {EsaToDec, StrH, "00FF", "255"},          {EsaToDec, StrH, "3FFFFFFF", "1073741823"},
      {EsaToDec, StrH, "0", "0"},               {EsaToDec, StrH, "A", "10"},
      {EsaToDec, StrH, "3B9AC9FF", "999999999"},
      // Small letters pass the hexadecimal validator, so they must convert too.
      {EsaToDec, StrH, "ff", "255"},            {EsaToDec, StrH, "3fffffff", "1073741823"},
      {EsaToDec, StrH, "aBcD", "43981"},
      {OctToDec, StrO, "0777", "511"},          {OctToDec, StrO, "7777777777", "1073741823"},
      {OctToDec, StrO, "12", "10"},             {OctToDec, StrO, "0", "0"},
  };
  for (const Case& c : cases) {
    SetBuffers("junk", "junk", "junk");
    std::strcpy(c.source, c.text);
    c.convert();
    EXPECT_STREQ(StrD, c.decimal) << c.text;
  }
}

TEST(Conversions, AnEmptySourceLeavesTheDecimalAlone) {
  for (auto convert : {EsaToDec, OctToDec}) {
    SetBuffers("0010", "", "");
    convert();
    EXPECT_STREQ(StrD, "0010");
  }
}

// Every value the fields can hold survives a trip through all three bases.
TEST(Conversions, RoundTripsAcrossTheRange) {
  for (unsigned long value = 0; value <= 0x3FFFFFFFul; value += 0x3FFFFFFFul / 4099 + 1) {
    for (unsigned long v : {value, 0x3FFFFFFFul - value}) {
      std::snprintf(StrD, LungBuffer, "%lu", v);
      const std::string decimal = StrD;
      DecToEsa();
      DecToOct();
      EsaToDec();
      EXPECT_EQ(decimal, StrD);
      std::strcpy(StrD, "junk");
      OctToDec();
      EXPECT_EQ(decimal, StrD);
      EXPECT_EQ(std::stoul(StrH, nullptr, 16), v);
      EXPECT_EQ(std::stoul(StrO, nullptr, 8), v);
    }
  }
}

}  // namespace
