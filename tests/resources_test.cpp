// The compiled resource script read back: both dialog templates, the icon and
// the version block, as the dialog manager and Windows will find them. Also
// the icon decoder against images that are not what they claim to be.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "icon_pixels.h"
#include "program_resources.h"
#include "resources.h"
#include "win32.h"

namespace {

// ---- the compiled resources --------------------------------------------

TEST(ResourceFile, IsThere) { ASSERT_FALSE(ResourceFile().empty()) << QEL_RES_FILE; }

// ---- dialog templates ----------------------------------------------------

struct ExpectedControl {
  int id;
  const char* className;
  const char* text;
  int x, y, cx, cy;
  uint32_t style;
};

struct ExpectedDialog {
  int id;
  const char* caption;
  const char* typeface;
  int pointSize, weight;
  bool italic;
  int charset;
  int x, y, cx, cy;
  uint32_t style, exStyle;
  std::vector<ExpectedControl> controls;
};

const ExpectedDialog kDialogs[] = {
    {100, "QEL ", "MS Sans Serif", 8, 0, false, 1, 0, 1, 101, 49, 0x90CA20CC, 0x00000008,
     {
         {101, "EDIT", "0", 13, 2, 69, 12, 0x50810000},
         {102, "EDIT", "0", 13, 18, 69, 12, 0x50810008},
         {103, "EDIT", "0", 13, 35, 69, 12, 0x50810008},
         {-1, "STATIC", "D", 3, 3, 7, 8, 0x50000000},
         {-1, "STATIC", "O", 3, 35, 7, 8, 0x50000000},
         {-1, "STATIC", "H", 3, 19, 7, 8, 0x50000000},
         {104, "BUTTON", "ABOUT", 86, 2, 13, 44, 0x50002300},
     }},
    {101, "About ...", "System", 8, 400, false, 1, 0, 0, 135, 120, 0x90C800C4, 0x00000000,
     {
         {2, "BUTTON", "Uscita", 3, 104, 128, 12, 0x50010300},
         {-1, "STATIC", "QEL   versione  1.0", 37, 10, 88, 11, 0x50800001},
         {101, "BUTTON", "Qel", 3, 62, 128, 36, 0x50020007},
         {-1, "STATIC", "Traduttore istantaneo formati numerici", 6, 74, 122, 8, 0x50000001},
         {-1, "STATIC", "Decimale - Esadecimale - Ottale", 7, 84, 121, 8, 0x50000001},
         {-1, "STATIC", "Programma freeware", 36, 31, 88, 8, 0x50000000},
         {-1, "STATIC", "IDI_ICONBG", 7, 15, 17, 17, 0x50001003},
     }},
};

void ExpectControl(const DialogItemTemplate& item, const ExpectedControl& want) {
  EXPECT_EQ(item.id, want.id);
  EXPECT_EQ(ControlClassName(item.windowClass), want.className);
  EXPECT_FALSE(item.title.isOrdinal);
  EXPECT_EQ(item.title.name, want.text);
  EXPECT_EQ(item.x, want.x);
  EXPECT_EQ(item.y, want.y);
  EXPECT_EQ(item.cx, want.cx);
  EXPECT_EQ(item.cy, want.cy);
  EXPECT_EQ(item.style, want.style) << std::hex << item.style;
  EXPECT_EQ(item.exStyle, 0u);
  EXPECT_EQ(item.helpId, 0u);
  EXPECT_TRUE(item.creationData.empty());
}

TEST(DialogTemplates, MatchTheResourceScript) {
  for (const ExpectedDialog& want : kDialogs) {
    SCOPED_TRACE("template " + std::to_string(want.id));
    const ResourceBytes bytes = FindResourceBytes(Program(), RT_DIALOG, MAKEINTRESOURCE(want.id));
    ASSERT_TRUE(bytes);
    DialogTemplate t;
    ASSERT_TRUE(ParseDialogTemplate(bytes.data, bytes.size, &t));

    EXPECT_EQ(t.title, want.caption);
    EXPECT_EQ(t.typeface, want.typeface);
    EXPECT_EQ(t.pointSize, want.pointSize);
    EXPECT_EQ(t.weight, want.weight);
    EXPECT_EQ(t.italic, want.italic);
    EXPECT_EQ(t.charset, want.charset);
    EXPECT_EQ(t.x, want.x);
    EXPECT_EQ(t.y, want.y);
    EXPECT_EQ(t.cx, want.cx);
    EXPECT_EQ(t.cy, want.cy);
    EXPECT_EQ(t.style, want.style) << std::hex << t.style;
    EXPECT_EQ(t.exStyle, want.exStyle) << std::hex << t.exStyle;
    // Default class, no menu.
    EXPECT_TRUE(!t.menu.isOrdinal && t.menu.name.empty());
    EXPECT_TRUE(!t.windowClass.isOrdinal && t.windowClass.name.empty());

    ASSERT_EQ(t.items.size(), want.controls.size());
    for (size_t i = 0; i < t.items.size(); i++) {
      SCOPED_TRACE("control " + std::to_string(i));
      ExpectControl(t.items[i], want.controls[i]);
    }
  }
}

// ---- the icon -----------------------------------------------------------

struct Colour {
  unsigned char red, green, blue;
  const char* name;
};

// Where a colour's pixels lie, as fractions of the icon's size.
struct Spread {
  int count = 0;
  double meanX = 0, meanY = 0;
};

Spread SpreadOf(const IconPixels& icon, const Colour& c) {
  Spread s;
  for (int y = 0; y < icon.height; y++) {
    for (int x = 0; x < icon.width; x++) {
      const unsigned char* p = &icon.rgba[(y * icon.width + x) * 4];
      if (p[3] == 0 || p[0] != c.red || p[1] != c.green || p[2] != c.blue) continue;
      s.count++;
      s.meanX += x;
      s.meanY += y;
    }
  }
  if (s.count) {
    s.meanX /= s.count * static_cast<double>(icon.width);
    s.meanY /= s.count * static_cast<double>(icon.height);
  }
  return s;
}

TEST(Icon, GroupHoldsOne32x32ImageIn16Colours) {
  const ResourceBytes group = FindResourceBytes(Program(), RT_GROUP_ICON, "IDI_ICONBG");
  ASSERT_TRUE(group);
  std::vector<IconGroupEntry> entries;
  ASSERT_TRUE(ParseIconGroup(group.data, group.size, &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].width, 32);
  EXPECT_EQ(entries[0].height, 32);
  EXPECT_EQ(entries[0].colorCount, 16);
  EXPECT_EQ(entries[0].bitCount, 4);

  const ResourceBytes image = FindResourceBytes(Program(), RT_ICON, MAKEINTRESOURCE(entries[0].iconId));
  ASSERT_TRUE(image);
  EXPECT_EQ(image.size, entries[0].bytesInRes);
  ASSERT_GE(image.size, 16u);
  EXPECT_EQ(image.data[14] | image.data[15] << 8, 4) << "bits per pixel in the image itself";
}

TEST(Icon, IsTheModulesFirstIconGroup) {
  const ResourceBytes named = FindResourceBytes(Program(), RT_GROUP_ICON, "idi_iconbg");
  const ResourceBytes first = FindFirstResourceBytes(Program(), RT_GROUP_ICON);
  EXPECT_EQ(named.data, first.data);
}

TEST(Icon, ShowsTheNumberInThreeBasesWithATransparentLeftEdge) {
  IconPixels icon;
  ASSERT_TRUE(LoadIconPixels(Program(), "IDI_ICONBG", 32, &icon));
  ASSERT_EQ(icon.width, 32);
  ASSERT_EQ(icon.height, 32);

  int transparentOnLeftEdge = 0;
  for (int y = 0; y < icon.height; y++) transparentOnLeftEdge += icon.rgba[y * icon.width * 4 + 3] == 0;
  EXPECT_GT(transparentOnLeftEdge, 0);
  EXPECT_LT(transparentOnLeftEdge, icon.height);

  // 255 cyan across the top, FF magenta at the left, 377 green across the
  // bottom, yellow arrows, light grey ground.
  struct Expected {
    Colour colour;
    double minX, maxX, minY, maxY;  // bounds of the colour's mean position
  };
  const Expected expected[] = {
      {{0x00, 0xFF, 0xFF, "cyan"}, 0.0, 1.0, 0.0, 0.34},
      {{0xFF, 0x00, 0xFF, "magenta"}, 0.0, 0.4, 0.3, 0.7},
      {{0x00, 0xFF, 0x00, "green"}, 0.0, 1.0, 0.66, 1.0},
      {{0xFF, 0xFF, 0x00, "yellow"}, 0.0, 1.0, 0.3, 0.7},
      {{0xC0, 0xC0, 0xC0, "light grey"}, 0.0, 1.0, 0.0, 1.0},
  };
  for (const Expected& e : expected) {
    const Spread s = SpreadOf(icon, e.colour);
    EXPECT_GT(s.count, 0) << e.colour.name;
    EXPECT_TRUE(s.meanX >= e.minX && s.meanX <= e.maxX && s.meanY >= e.minY && s.meanY <= e.maxY)
        << e.colour.name << " centred at " << s.meanX << ", " << s.meanY;
  }

  IconPixels programIcon;
  ASSERT_TRUE(LoadProgramIconPixels(Program(), 32, &programIcon));
  EXPECT_EQ(programIcon.rgba, icon.rgba);

  // On a scaled desktop every pixel becomes a whole block, never a blend;
  // a size between two factors takes the smaller.
  for (const int wanted : {64, 96, 100}) {
    IconPixels large;
    ASSERT_TRUE(LoadIconPixels(Program(), "IDI_ICONBG", wanted, &large));
    const int factor = wanted / 32;
    ASSERT_EQ(large.width, 32 * factor);
    ASSERT_EQ(large.height, 32 * factor);
    int differing = 0;
    for (int y = 0; y < large.height; y++)
      for (int x = 0; x < large.width; x++)
        differing += std::memcmp(&large.rgba[(y * large.width + x) * 4],
                                 &icon.rgba[((y / factor) * 32 + x / factor) * 4], 4) != 0;
    EXPECT_EQ(differing, 0) << wanted;
  }
}

// ---- the version block --------------------------------------------------

// One node of VS_VERSIONINFO: length, value length, type, key, value,
// children, each part aligned to 4 bytes from the start of the block.
struct VersionNode {
  std::string key;
  uint16_t type = 0;
  std::vector<unsigned char> binary;
  std::string text;
  std::vector<VersionNode> children;

  const VersionNode* Child(const std::string& name) const {
    for (const VersionNode& c : children)
      if (c.key == name) return &c;
    return nullptr;
  }
};

// `data` starts at a node, 4-aligned within the block.
bool ReadVersionNode(const unsigned char* data, size_t size, VersionNode* node) {
  ByteReader r(data, size);
  const uint16_t length = r.U16();
  const uint16_t valueLength = r.U16();
  node->type = r.U16();
  if (!r.ok() || length < 6 || length > size) return false;
  ByteReader in(data, length);
  in.Skip(6);
  node->key = in.Utf16String();
  in.AlignTo4();
  if (valueLength > 0) {
    if (node->type == 1) {
      node->text = in.Utf16String();
    } else if (in.remaining() >= valueLength) {
      node->binary.assign(in.here(), in.here() + valueLength);
      in.Skip(valueLength);
    } else {
      return false;
    }
  }
  in.AlignTo4();
  while (in.ok() && in.remaining() >= 6) {
    VersionNode child;
    const size_t at = in.offset();
    if (!ReadVersionNode(data + at, length - at, &child)) return false;
    const uint16_t childLength = data[at] | data[at + 1] << 8;
    node->children.push_back(std::move(child));
    in.Skip(childLength);
    in.AlignTo4();
  }
  return in.ok();
}

uint32_t U32At(const std::vector<unsigned char>& bytes, size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

TEST(VersionBlock, FixedPart) {
  const ResourceBytes bytes = FindResourceBytes(Program(), RT_VERSION, MAKEINTRESOURCE(VS_VERSION_INFO));
  ASSERT_TRUE(bytes);
  VersionNode root;
  ASSERT_TRUE(ReadVersionNode(bytes.data, bytes.size, &root));
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  ASSERT_EQ(root.binary.size(), 52u);  // VS_FIXEDFILEINFO

  struct Field {
    const char* name;
    size_t offset;
    uint32_t value;
  };
  const Field fields[] = {
      {"signature", 0, 0xFEEF04BD},     {"file version, high", 8, 0x00010000},
      {"file version, low", 12, 0},      {"product version, high", 16, 0x00010000},
      {"product version, low", 20, 0},   {"file OS", 32, 0x00010001},
      {"file type", 36, 1},
  };
  for (const Field& f : fields) EXPECT_EQ(U32At(root.binary, f.offset), f.value) << f.name;
}

TEST(VersionBlock, ItalianStringsAndTranslation) {
  const ResourceBytes bytes = FindResourceBytes(Program(), RT_VERSION, MAKEINTRESOURCE(VS_VERSION_INFO));
  ASSERT_TRUE(bytes);
  VersionNode root;
  ASSERT_TRUE(ReadVersionNode(bytes.data, bytes.size, &root));

  const VersionNode* stringInfo = root.Child("StringFileInfo");
  ASSERT_NE(stringInfo, nullptr);
  const VersionNode* table = stringInfo->Child("041004B0");
  ASSERT_NE(table, nullptr);
  struct Entry {
    const char* key;
    const char* value;  // null: any text but the empty one
  };
  const Entry entries[] = {
      {"CompanyName", nullptr},        {"FileDescription", "QEL"}, {"FileVersion", "1.0"},
      {"InternalName", "QEL"},         {"LegalCopyright", nullptr}, {"OriginalFilename", "QEL.EXE"},
      {"ProductName", nullptr},        {"ProductVersion", "1.0"},
  };
  for (const Entry& e : entries) {
    const VersionNode* node = table->Child(e.key);
    ASSERT_NE(node, nullptr) << e.key;
    EXPECT_EQ(node->type, 1) << e.key;
    if (e.value) EXPECT_EQ(node->text, e.value) << e.key;
    else EXPECT_FALSE(node->text.empty()) << e.key;
  }

  const VersionNode* varInfo = root.Child("VarFileInfo");
  ASSERT_NE(varInfo, nullptr);
  const VersionNode* translation = varInfo->Child("Translation");
  ASSERT_NE(translation, nullptr);
  EXPECT_EQ(translation->binary, (std::vector<unsigned char>{0x10, 0x04, 0xB0, 0x04}));
}

// ---- the icon decoder against what it may be given -------------------------

std::vector<unsigned char> RealIconImage() {
  std::vector<IconGroupEntry> entries;
  const ResourceBytes group = FindResourceBytes(Program(), RT_GROUP_ICON, "IDI_ICONBG");
  if (!group || !ParseIconGroup(group.data, group.size, &entries)) return {};
  const ResourceBytes image = FindResourceBytes(Program(), RT_ICON, MAKEINTRESOURCE(entries[0].iconId));
  return std::vector<unsigned char>(image.data, image.data + image.size);
}

void PutU16(std::vector<unsigned char>& b, size_t at, uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}

void PutU32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// BITMAPINFOHEADER field offsets.
const size_t kHeaderSize = 0, kWidth = 4, kHeight = 8, kPlanes = 12, kBitCount = 14,
             kCompression = 16, kColorsUsed = 32;

TEST(IconDecoder, RefusesEveryShortenedImage) {
  const std::vector<unsigned char> image = RealIconImage();
  ASSERT_FALSE(image.empty());
  IconPixels pixels;
  ASSERT_TRUE(DecodeIconImage(image.data(), image.size(), &pixels));
  for (size_t length = 0; length < image.size(); length++) {
    std::vector<unsigned char> cut(image.begin(), image.begin() + length);  // own buffer, for ASan
    EXPECT_FALSE(DecodeIconImage(cut.data(), cut.size(), &pixels)) << length << " bytes";
  }
}

TEST(IconDecoder, RefusesHeadersThatDoNotFit) {
  struct Damage {
    const char* what;
    size_t offset;
    uint32_t value;
    bool wide;  // 32-bit field, else 16-bit
  };
  const Damage damages[] = {
      {"header size below 40", kHeaderSize, 12, true},
      {"header size past the data", kHeaderSize, 0xFFFFFFFF, true},
      {"width 0", kWidth, 0, true},
      {"negative width", kWidth, 0xFFFFFFE0, true},
      {"width 257", kWidth, 257, true},
      {"width larger than the rows", kWidth, 64, true},
      {"height 0", kHeight, 0, true},
      {"odd height", kHeight, 63, true},
      {"negative height", kHeight, 0xFFFFFFC0, true},
      {"height larger than the rows", kHeight, 128, true},
      {"height past the largest icon", kHeight, 1024, true},
      {"no planes", kPlanes, 0, false},
      {"two planes", kPlanes, 2, false},
      {"0 bits per pixel", kBitCount, 0, false},
      {"2 bits per pixel", kBitCount, 2, false},
      {"16 bits per pixel", kBitCount, 16, false},
      {"32 bits per pixel over a 4-bit image", kBitCount, 32, false},
      {"run-length compressed", kCompression, 2, true},
      {"bit fields", kCompression, 3, true},
      {"more colours than 4 bits hold", kColorsUsed, 17, true},
      {"colour count past the data", kColorsUsed, 0xFFFFFFFF, true},
  };
  const std::vector<unsigned char> image = RealIconImage();
  ASSERT_FALSE(image.empty());
  for (const Damage& d : damages) {
    std::vector<unsigned char> bad = image;
    if (d.wide) PutU32(bad, d.offset, d.value);
    else PutU16(bad, d.offset, static_cast<uint16_t>(d.value));
    IconPixels pixels;
    EXPECT_FALSE(DecodeIconImage(bad.data(), bad.size(), &pixels)) << d.what;
  }
}

// A 2x2 image: header, optional palette, colour rows, mask rows.
std::vector<unsigned char> TinyImage(int bitCount, const std::vector<unsigned char>& palette,
                                     const std::vector<unsigned char>& rows,
                                     const std::vector<unsigned char>& maskRows) {
  std::vector<unsigned char> b(40, 0);
  PutU32(b, kHeaderSize, 40);
  PutU32(b, kWidth, 2);
  PutU32(b, kHeight, 4);
  PutU16(b, kPlanes, 1);
  PutU16(b, kBitCount, static_cast<uint16_t>(bitCount));
  PutU32(b, kColorsUsed, static_cast<uint32_t>(palette.size() / 4));
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), rows.begin(), rows.end());
  b.insert(b.end(), maskRows.begin(), maskRows.end());
  return b;
}

TEST(IconDecoder, ReadsRowsBottomUpWithTheirPaddingAndTheMask) {
  // Mask rows, bottom first: the bottom-right pixel is transparent.
  const std::vector<unsigned char> mask = {0x40, 0, 0, 0, 0x00, 0, 0, 0};
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  const Case cases[] = {
      {"1 bit, two colours: black, white",
       TinyImage(1, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}, mask)},
      {"8 bits, a palette of 2 of 256",
       TinyImage(8, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}, {0, 1, 0, 0, 1, 0, 0, 0}, mask)},
      {"24 bits", TinyImage(24, {}, {0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0},
                            mask)},
  };
  // Top row: white, black; bottom row: black, white but masked out.
  const unsigned char want[] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  for (const Case& c : cases) {
    IconPixels pixels;
    ASSERT_TRUE(DecodeIconImage(c.bytes.data(), c.bytes.size(), &pixels)) << c.what;
    EXPECT_EQ(pixels.width, 2);
    EXPECT_EQ(pixels.height, 2);
    EXPECT_EQ(pixels.rgba, std::vector<unsigned char>(std::begin(want), std::end(want))) << c.what;
  }
}

TEST(IconDecoder, TakesAlphaFrom32BitImagesThatHaveIt) {
  const std::vector<unsigned char> mask(8, 0);  // nothing masked: alpha must win
  const std::vector<unsigned char> image =
      TinyImage(32, {}, {1, 2, 3, 0x80, 4, 5, 6, 0, 7, 8, 9, 0xFF, 10, 11, 12, 0x10}, mask);
  IconPixels pixels;
  ASSERT_TRUE(DecodeIconImage(image.data(), image.size(), &pixels));
  const unsigned char want[] = {9, 8, 7, 0xFF, 12, 11, 10, 0x10, 3, 2, 1, 0x80, 6, 5, 4, 0};
  EXPECT_EQ(pixels.rgba, std::vector<unsigned char>(std::begin(want), std::end(want)));
}

TEST(IconDecoder, PaletteIndexPastAShortPaletteIsBlack) {
  const std::vector<unsigned char> image =
      TinyImage(4, {0xFF, 0xFF, 0xFF, 0}, {0x0F, 0, 0, 0, 0x00, 0, 0, 0}, std::vector<unsigned char>(8, 0));
  IconPixels pixels;
  ASSERT_TRUE(DecodeIconImage(image.data(), image.size(), &pixels));
  EXPECT_EQ(pixels.rgba[8 + 0], 0xFF);  // bottom row, left: index 0, white
  EXPECT_EQ(pixels.rgba[12 + 0], 0);    // bottom row, right: index 15, none
}

TEST(IconGroup, RefusesWhatIsNotAWholeIconGroup) {
  const ResourceBytes group = FindResourceBytes(Program(), RT_GROUP_ICON, "IDI_ICONBG");
  ASSERT_TRUE(group);
  const std::vector<unsigned char> real(group.data, group.data + group.size);
  std::vector<IconGroupEntry> entries;
  for (size_t length = 0; length < real.size(); length++) {
    std::vector<unsigned char> cut(real.begin(), real.begin() + length);
    EXPECT_FALSE(ParseIconGroup(cut.data(), cut.size(), &entries)) << length << " bytes";
  }
  struct Damage {
    const char* what;
    size_t offset;
    uint16_t value;
  };
  const Damage damages[] = {
      {"reserved word set", 0, 1}, {"a cursor group", 2, 2}, {"no images", 4, 0}, {"more images than bytes", 4, 2},
  };
  for (const Damage& d : damages) {
    std::vector<unsigned char> bad = real;
    PutU16(bad, d.offset, d.value);
    EXPECT_FALSE(ParseIconGroup(bad.data(), bad.size(), &entries)) << d.what;
  }
}

TEST(IconGroup, ChoosesTheNearestSizeThenTheMostColours) {
  auto entry = [](int size, int bits, uint16_t id) {
    IconGroupEntry e;
    e.width = e.height = size;
    e.bitCount = bits;
    e.iconId = id;
    return e;
  };
  const std::vector<IconGroupEntry> entries = {entry(16, 4, 1), entry(32, 4, 2), entry(32, 8, 3),
                                               entry(48, 32, 4)};
  struct Case {
    int size;
    uint16_t chosen;
  };
  const Case cases[] = {{16, 1}, {20, 1}, {32, 3}, {38, 3}, {64, 4}};
  for (const Case& c : cases) EXPECT_EQ(ChooseIconEntry(entries, c.size)->iconId, c.chosen) << c.size;
  EXPECT_EQ(ChooseIconEntry({}, 32), nullptr);
}

TEST(IconLoading, FailsForMissingIconsAndModules) {
  IconPixels pixels;
  EXPECT_FALSE(LoadIconPixels(Program(), "NO_SUCH_ICON", 32, &pixels));
  EXPECT_FALSE(LoadIconPixels(Program(), MAKEINTRESOURCE(1), 32, &pixels));
  EXPECT_FALSE(LoadIconPixels(nullptr, "IDI_ICONBG", 32, &pixels));
  HINSTANCE__ empty = {nullptr, 0};
  EXPECT_FALSE(LoadProgramIconPixels(&empty, 32, &pixels));
}

}  // namespace
