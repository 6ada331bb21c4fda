// Icons from a module's compiled resources, found as LoadIcon finds them: an
// icon group (RT_GROUP_ICON) lists its images, and each image is an RT_ICON
// resource holding a device-independent bitmap followed by its AND mask.
// Decoded to plain pixels here; each platform unit makes its own image.
#ifndef QEL_PLATFORM_ICON_PIXELS_H
#define QEL_PLATFORM_ICON_PIXELS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "win32.h"

// One image as an icon group lists it (GRPICONDIRENTRY).
struct IconGroupEntry {
  int width = 0, height = 0;  // 0 in the resource means 256
  int colorCount = 0;
  int planes = 0;
  int bitCount = 0;
  uint32_t bytesInRes = 0;
  uint16_t iconId = 0;  // the RT_ICON resource's number
};

// False unless the bytes are a whole icon group of at least one image.
bool ParseIconGroup(const unsigned char* data, size_t size, std::vector<IconGroupEntry>* entries);

// The image closest to `size` pixels square, of the most colours among those.
const IconGroupEntry* ChooseIconEntry(const std::vector<IconGroupEntry>& entries, int size);

// Decoded pixels: rows from the top, red, green, blue, alpha per pixel.
struct IconPixels {
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
};

// An RT_ICON image: BITMAPINFOHEADER (its height counts the mask too),
// palette, colour rows and AND mask rows, both bottom-up and padded to
// 4 bytes. 1, 4, 8, 24 and 32 bits per pixel, uncompressed; where the mask
// is set the pixel is transparent, and a 32-bit image with an alpha channel
// uses that instead. False for anything else, or anything cut short.
bool DecodeIconImage(const unsigned char* data, size_t size, IconPixels* out);

// LoadIcon: the icon group `name` (a string or MAKEINTRESOURCE), its image
// closest to `size` pixels square, enlarged by the largest whole factor
// that keeps it within `size` (a 32-pixel image becomes 64 for a size of 64).
bool LoadIconPixels(HINSTANCE module, LPCSTR name, int size, IconPixels* out);

// The same for the module's first icon group: the program's own icon.
bool LoadProgramIconPixels(HINSTANCE module, int size, IconPixels* out);

#endif
