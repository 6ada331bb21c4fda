#include "core.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "win32.h"

char StrD[LungBuffer] = "0";
char StrH[LungBuffer] = "0";
char StrO[LungBuffer] = "0";

namespace {

// Field lengths: 999999999, 3FFFFFFF and 7777777777 are the largest entries.
const int MaxCifreDecimali = 9;
const int MaxCifreEsadecimali = 8;
const int MaxCifreOttali = 10;

// Classic-locale character classes, whatever the process locale, and safe
// for bytes 0x80 to 0xFF where plain isdigit() on a signed char is not.
bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
  return IsDecimalDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Small letters count like capitals: a text pasted where nothing turned it
// into capitals must not read "ff" as zero.
uint32_t HexDigitValue(char c) {
  if (IsDecimalDigit(c)) return static_cast<uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  return 0;
}

uint32_t OctDigitValue(char c) {
  return IsDecimalDigit(c) ? static_cast<uint32_t>(c - '0') : 0;
}

uint32_t DecimalValue(const char* testo) {
  return static_cast<uint32_t>(std::atol(testo));
}

// Reads the digits from the last to the first, the place value growing by
// the base each time. Unsigned: the place value after the eighth hexadecimal
// digit is 2^32, which wraps harmlessly instead of overflowing.
uint32_t ValueInBase(const char* testo, uint32_t base, uint32_t (*valore)(char)) {
  uint32_t dec = 0;
  uint32_t molt = 1;
  for (size_t i = std::strlen(testo); i-- > 0;) {
    dec += valore(testo[i]) * molt;
    molt *= base;
  }
  return dec;
}

// The value's digits in the base, capital letters, no prefix, no leading
// zeros, "0" for zero: what printf's %X, %o and %u write, at a fraction of
// the cost, which matters on every keystroke.
void WriteInBase(uint32_t valore, int base, char* destinazione) {
  char* fine = std::to_chars(destinazione, destinazione + LungBuffer - 1, valore, base).ptr;
  *fine = '\0';
  for (char* c = destinazione; c != fine; ++c)
    if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
}

int Rejected() {
  keybd_event(VK_BACK, 0, 0, 0);
  MessageBeep(0xFFFFFFFF);
  return 0;
}

}  // namespace

void DecToEsa() { WriteInBase(DecimalValue(StrD), 16, StrH); }

void DecToOct() { WriteInBase(DecimalValue(StrD), 8, StrO); }

void EsaToDec() {
  if (StrH[0] == '\0') return;
  WriteInBase(ValueInBase(StrH, 16, HexDigitValue), 10, StrD);
}

void OctToDec() {
  if (StrO[0] == '\0') return;
  WriteInBase(ValueInBase(StrO, 8, OctDigitValue), 10, StrD);
}

// Each validator looks at every position once; "resto" is the length of the
// text from that position on, so the length tests bite at the first position.
int EditDecimale(const char* stringa, int num_car) {
  for (int i = 0; i < num_car; i++) {
    int resto = num_car - i;
    if (!IsDecimalDigit(stringa[i])) return Rejected();
    if (resto > MaxCifreDecimali) return Rejected();
  }
  return 1;
}

int EditEsadecimale(const char* stringa, int num_car) {
  for (int i = 0; i < num_car; i++) {
    int resto = num_car - i;
    if (!IsHexDigit(stringa[i])) return Rejected();
    // An eight-digit text must stay within 3FFFFFFF.
    if (resto > MaxCifreEsadecimali - 1 && stringa[i] > '3') return Rejected();
    if (resto > MaxCifreEsadecimali) return Rejected();
  }
  return 1;
}

int EditOttale(const char* stringa, int num_car) {
  for (int i = 0; i < num_car; i++) {
    int resto = num_car - i;
    if (!IsDecimalDigit(stringa[i])) return Rejected();
    if (stringa[i] == '8' || stringa[i] == '9') return Rejected();
    if (resto > MaxCifreOttali) return Rejected();
  }
  return 1;
}
