// Icons as FLTK images. Finding and decoding them is platform-free
// (icon_pixels.h); this unit only hands the pixels to FLTK.
#ifndef QEL_PLATFORM_ICON_H
#define QEL_PLATFORM_ICON_H

#include "icon_pixels.h"

class Fl_RGB_Image;

// An RGBA image for FLTK, owning a copy of the pixels; null if empty.
Fl_RGB_Image* NewIconImage(const IconPixels& pixels);

#endif
