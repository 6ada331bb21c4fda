// A loaded program module: without USER32, just the compiled resource file
// that the build links into the program (or that a test loads).
#ifndef QEL_PLATFORM_MODULE_H
#define QEL_PLATFORM_MODULE_H

#include <cstddef>

struct HINSTANCE__ {
  const unsigned char* resources;
  size_t size;
};

#endif
