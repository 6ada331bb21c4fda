#include "icon_pixels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "byte_reader.h"
#include "resources.h"

namespace {

const int kLargestIcon = 256;  // what the one-byte sizes of an icon group can say
const uint16_t kIconGroupType = 1;  // 2 is a cursor group
const uint32_t kBiRgb = 0;          // uncompressed

struct DibHeader {
  uint32_t headerSize = 0;
  int32_t width = 0, height = 0;  // height: colour rows and mask rows together
  uint16_t planes = 0, bitCount = 0;
  uint32_t compression = 0, colorsUsed = 0;
};

struct Rgb {
  unsigned char red = 0, green = 0, blue = 0;
};

bool ReadDibHeader(ByteReader& reader, DibHeader* h) {
  h->headerSize = reader.U32();
  h->width = static_cast<int32_t>(reader.U32());
  h->height = static_cast<int32_t>(reader.U32());
  h->planes = reader.U16();
  h->bitCount = reader.U16();
  h->compression = reader.U32();
  reader.Skip(12);  // image size, resolution
  h->colorsUsed = reader.U32();
  reader.Skip(4);  // important colours
  if (!reader.ok() || h->headerSize < 40) return false;
  reader.Skip(h->headerSize - 40);  // the later header versions' extra fields
  return reader.ok();
}

bool IsSupported(const DibHeader& h) {
  const bool depthKnown = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 ||
                          h.bitCount == 24 || h.bitCount == 32;
  return depthKnown && h.planes == 1 && h.compression == kBiRgb && h.width > 0 &&
         h.width <= kLargestIcon && h.height > 0 && h.height % 2 == 0 &&
         h.height / 2 <= kLargestIcon;
}

bool ReadPalette(ByteReader& reader, const DibHeader& h, std::vector<Rgb>* palette) {
  if (h.bitCount > 8) return true;
  const uint32_t most = 1u << h.bitCount;
  const uint32_t count = h.colorsUsed ? h.colorsUsed : most;
  if (count > most) return false;
  for (uint32_t i = 0; i < count; i++) {
    Rgb c;
    c.blue = reader.U8();
    c.green = reader.U8();
    c.red = reader.U8();
    reader.U8();
    palette->push_back(c);
  }
  return reader.ok();
}

// DIB rows are padded to whole 32-bit words.
size_t RowBytes(int width, int bitCount) {
  return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
}

unsigned PaletteIndex(const unsigned char* row, int x, int bitCount) {
  switch (bitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    default: return row[x];
  }
}

// Colour and alpha of one pixel; an index past a short palette is black.
void ReadPixel(const unsigned char* row, int x, const DibHeader& h, const std::vector<Rgb>& palette,
               unsigned char* rgba) {
  if (h.bitCount >= 24) {
    const unsigned char* p = row + x * (h.bitCount / 8);
    rgba[0] = p[2];
    rgba[1] = p[1];
    rgba[2] = p[0];
    rgba[3] = h.bitCount == 32 ? p[3] : 0xFF;
    return;
  }
  const unsigned index = PaletteIndex(row, x, h.bitCount);
  const Rgb c = index < palette.size() ? palette[index] : Rgb();
  rgba[0] = c.red;
  rgba[1] = c.green;
  rgba[2] = c.blue;
  rgba[3] = 0xFF;
}

// A 32-bit image whose alpha bytes are all zero is an old one that relies on
// its mask, as Windows treats it.
bool HasAlphaChannel(const DibHeader& h, const IconPixels& pixels) {
  if (h.bitCount != 32) return false;
  for (size_t i = 3; i < pixels.rgba.size(); i += 4)
    if (pixels.rgba[i]) return true;
  return false;
}

void ApplyMask(const unsigned char* maskRows, size_t maskRowBytes, IconPixels* pixels) {
  for (int y = 0; y < pixels->height; y++) {
    const unsigned char* row = maskRows + (pixels->height - 1 - y) * maskRowBytes;
    for (int x = 0; x < pixels->width; x++) {
      const bool transparent = PaletteIndex(row, x, 1) != 0;
      pixels->rgba[(static_cast<size_t>(y) * pixels->width + x) * 4 + 3] = transparent ? 0 : 0xFF;
    }
  }
}

// Each pixel becomes a `factor` x `factor` block: icons are pixel art, and
// smoothing would blur their edges and small digits.
IconPixels Enlarged(const IconPixels& in, int factor) {
  IconPixels out;
  out.width = in.width * factor;
  out.height = in.height * factor;
  out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
  for (int y = 0; y < out.height; y++) {
    for (int x = 0; x < out.width; x++) {
      const size_t from = (static_cast<size_t>(y / factor) * in.width + x / factor) * 4;
      std::memcpy(&out.rgba[(static_cast<size_t>(y) * out.width + x) * 4], &in.rgba[from], 4);
    }
  }
  return out;
}

bool LoadFromGroup(HINSTANCE module, const ResourceBytes& group, int size, IconPixels* out) {
  std::vector<IconGroupEntry> entries;
  if (!group || !ParseIconGroup(group.data, group.size, &entries)) return false;
  const IconGroupEntry* entry = ChooseIconEntry(entries, size);
  const ResourceBytes image = FindResourceBytes(module, RT_ICON, MAKEINTRESOURCE(entry->iconId));
  if (!image || !DecodeIconImage(image.data, image.size, out)) return false;
  const int factor = std::min(size / out->width, size / out->height);
  if (factor > 1) *out = Enlarged(*out, factor);
  return true;
}

}  // namespace

bool ParseIconGroup(const unsigned char* data, size_t size, std::vector<IconGroupEntry>* entries) {
  ByteReader reader(data, size);
  const uint16_t reserved = reader.U16();
  const uint16_t type = reader.U16();
  const uint16_t count = reader.U16();
  if (!reader.ok() || reserved != 0 || type != kIconGroupType || count == 0) return false;

  entries->clear();
  for (uint16_t i = 0; i < count; i++) {
    IconGroupEntry e;
    e.width = reader.U8();
    e.height = reader.U8();
    e.colorCount = reader.U8();
    reader.U8();  // reserved
    e.planes = reader.U16();
    e.bitCount = reader.U16();
    e.bytesInRes = reader.U32();
    e.iconId = reader.U16();
    if (e.width == 0) e.width = kLargestIcon;
    if (e.height == 0) e.height = kLargestIcon;
    entries->push_back(e);
  }
  return reader.ok();
}

const IconGroupEntry* ChooseIconEntry(const std::vector<IconGroupEntry>& entries, int size) {
  const IconGroupEntry* best = nullptr;
  int bestDistance = 0;
  for (const IconGroupEntry& e : entries) {
    const int distance = std::abs(e.width - size) + std::abs(e.height - size);
    if (!best || distance < bestDistance || (distance == bestDistance && e.bitCount > best->bitCount)) {
      best = &e;
      bestDistance = distance;
    }
  }
  return best;
}

bool DecodeIconImage(const unsigned char* data, size_t size, IconPixels* out) {
  ByteReader reader(data, size);
  DibHeader h;
  std::vector<Rgb> palette;
  if (!ReadDibHeader(reader, &h) || !IsSupported(h) || !ReadPalette(reader, h, &palette)) return false;

  const int width = h.width, height = h.height / 2;
  const size_t colourRowBytes = RowBytes(width, h.bitCount);
  const size_t maskRowBytes = RowBytes(width, 1);
  const unsigned char* colourRows = reader.here();
  reader.Skip(colourRowBytes * height);
  const unsigned char* maskRows = reader.here();
  reader.Skip(maskRowBytes * height);
  if (!reader.ok()) return false;

  IconPixels pixels;
  pixels.width = width;
  pixels.height = height;
  pixels.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; y++) {
    const unsigned char* row = colourRows + (height - 1 - y) * colourRowBytes;
    for (int x = 0; x < width; x++)
      ReadPixel(row, x, h, palette, &pixels.rgba[(static_cast<size_t>(y) * width + x) * 4]);
  }
  if (!HasAlphaChannel(h, pixels)) ApplyMask(maskRows, maskRowBytes, &pixels);
  *out = std::move(pixels);
  return true;
}

bool LoadIconPixels(HINSTANCE module, LPCSTR name, int size, IconPixels* out) {
  return LoadFromGroup(module, FindResourceBytes(module, RT_GROUP_ICON, name), size, out);
}

bool LoadProgramIconPixels(HINSTANCE module, int size, IconPixels* out) {
  return LoadFromGroup(module, FindFirstResourceBytes(module, RT_GROUP_ICON), size, out);
}
