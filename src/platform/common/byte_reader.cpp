#include "byte_reader.h"

bool ByteReader::Need(size_t count) {
  if (failed_ || size_ - pos_ < count) failed_ = true;
  return !failed_;
}

uint8_t ByteReader::U8() {
  if (!Need(1)) return 0;
  return base_[pos_++];
}

uint16_t ByteReader::U16() {
  if (!Need(2)) return 0;
  uint16_t v = static_cast<uint16_t>(base_[pos_] | (base_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint32_t ByteReader::U32() {
  uint32_t low = U16();
  uint32_t high = U16();
  return low | (high << 16);
}

void ByteReader::Skip(size_t count) {
  if (Need(count)) pos_ += count;
}

void ByteReader::AlignTo4() {
  size_t padding = (4 - pos_ % 4) % 4;
  if (padding > size_ - pos_) padding = size_ - pos_;  // the last item needs no padding
  pos_ += padding;
}

static void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string ByteReader::Utf16String() {
  std::string out;
  for (;;) {
    uint32_t unit = U16();
    if (unit == 0 || failed_) break;
    if (unit >= 0xD800 && unit < 0xDC00) {
      uint32_t low = U16();
      if (low >= 0xDC00 && low < 0xE000) unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      else unit = 0xFFFD;
    } else if (unit >= 0xDC00 && unit < 0xE000) {
      unit = 0xFFFD;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

ResourceId ByteReader::NameOrOrdinal() {
  ResourceId id;
  if (remaining() >= 2 && base_[pos_] == 0xFF && base_[pos_ + 1] == 0xFF) {
    Skip(2);
    id.isOrdinal = true;
    id.ordinal = U16();
  } else {
    id.name = Utf16String();
  }
  return id;
}
