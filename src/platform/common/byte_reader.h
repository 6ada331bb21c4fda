// Bounds-checked reading of the little-endian structures of compiled
// resources. A read past the end sets the failure flag and yields zeros, so
// parsers check ok() once at the end instead of after every field.
#ifndef QEL_PLATFORM_BYTE_READER_H
#define QEL_PLATFORM_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <string>

// A resource or class name as compiled: a number or a string.
struct ResourceId {
  bool isOrdinal = false;
  uint16_t ordinal = 0;
  std::string name;  // UTF-8
};

class ByteReader {
 public:
  ByteReader(const unsigned char* data, size_t size) : base_(data), size_(size) {}

  bool ok() const { return !failed_; }
  size_t offset() const { return pos_; }
  size_t remaining() const { return failed_ ? 0 : size_ - pos_; }
  const unsigned char* here() const { return base_ + pos_; }

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int16_t I16() { return static_cast<int16_t>(U16()); }
  void Skip(size_t count);
  void AlignTo4();  // relative to the start of the data
  std::string Utf16String();  // NUL-terminated UTF-16, returned as UTF-8
  ResourceId NameOrOrdinal();  // 0xFFFF then a number, or a string

 private:
  bool Need(size_t count);

  const unsigned char* base_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};

#endif
