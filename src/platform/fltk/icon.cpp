#include "icon.h"

#include <FL/Fl_Image.H>

#include <cstring>

Fl_RGB_Image* NewIconImage(const IconPixels& pixels) {
  if (pixels.width <= 0 || pixels.height <= 0 || pixels.rgba.empty()) return nullptr;
  auto* bits = new unsigned char[pixels.rgba.size()];
  std::memcpy(bits, pixels.rgba.data(), pixels.rgba.size());
  auto* image = new Fl_RGB_Image(bits, pixels.width, pixels.height, 4);
  image->alloc_array = 1;  // the image frees the copy
  return image;
}
