#include "edit_rule.h"

#include "win32.h"

namespace {

// CP1252's 0x80 to 0x9F; its five holes stand for themselves, as the
// Latin-1 controls.
const uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Utf8Of(unsigned codePoint) {
  std::string out;
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

// The character at `text` as the field will hold it, and how many bytes of
// the input it took.
std::string CharacterAt(const char* text, const char* end, uint32_t style, int* taken) {
  const int length = Utf8SequenceLength(text, end);
  const unsigned char lead = static_cast<unsigned char>(*text);
  *taken = length > 0 ? length : 1;
  if (length == 0) return Utf8Of(lead >= 0x80 && lead < 0xA0 ? kCp1252High[lead - 0x80] : lead);
  if ((style & ES_UPPERCASE) && lead >= 'a' && lead <= 'z') return std::string(1, static_cast<char>(lead - 'a' + 'A'));
  return std::string(text, static_cast<size_t>(length));
}

// What an insertion may still add: pixels of the text area without
// ES_AUTOHSCROLL, characters with it.
class Room {
 public:
  explicit Room(const EditField& field)
      : field_(field),
        byWidth_(!(field.style & ES_AUTOHSCROLL) && field.measure.width),
        left_(byWidth_ ? field.textArea : static_cast<double>(kScrollingTextLimit)) {}

  bool Take(const char* character, size_t size) {
    const double needed = byWidth_ ? field_.measure.width(field_.measure.context, character, size) : 1;
    if (needed > left_) return false;
    left_ -= needed;
    return true;
  }

  // Walks [text, end) a character at a time while each fits.
  bool TakeAll(const char* text, const char* end) {
    while (text < end) {
      const int length = Utf8SequenceLength(text, end);
      const size_t size = length > 0 ? static_cast<size_t>(length) : 1;
      if (!Take(text, size)) return false;
      text += size;
    }
    return true;
  }

  void Exhaust() { left_ = 0; }

 private:
  const EditField& field_;
  bool byWidth_;
  double left_;
};

// A lone CR is a character, as in USER32's single-line edit (Wine pastes
// one): only LF and CRLF break a line.
bool EndsInsertion(const char* next, const char* last) {
  return *next == '\0' || *next == '\n' || (*next == '\r' && next + 1 < last && next[1] == '\n');
}

}  // namespace

int Utf8SequenceLength(const char* text, const char* end) {
  const unsigned char lead = static_cast<unsigned char>(*text);
  if (lead < 0x80) return 1;
  int length;
  unsigned codePoint;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, codePoint = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, codePoint = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, codePoint = lead & 0x07;
  else return 0;
  if (end - text < length) return 0;
  for (int i = 1; i < length; i++) {
    const unsigned char next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = codePoint << 6 | (next & 0x3F);
  }
  static const unsigned kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF) return 0;  // overlong, or past Unicode
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;             // a surrogate
  return length;
}

EditInsertion FitEditInsertion(const EditField& field, const char* inserted, size_t size) {
  const char* const text = field.text.c_str();
  const size_t start = field.selectionStart < field.selectionEnd ? field.selectionStart : field.selectionEnd;
  const size_t end = field.selectionStart < field.selectionEnd ? field.selectionEnd : field.selectionStart;
  Room room(field);
  if (end > field.text.size() || !room.TakeAll(text, text + start) ||
      !room.TakeAll(text + end, text + field.text.size()))
    room.Exhaust();

  EditInsertion insertion;
  const char* next = inserted;
  const char* const last = inserted + size;
  while (next < last && !EndsInsertion(next, last)) {
    int taken;
    const std::string character = CharacterAt(next, last, field.style, &taken);
    if (!room.Take(character.data(), character.size())) {
      insertion.cut = true;
      break;
    }
    insertion.text += character;
    next += taken;
  }
  return insertion;
}
