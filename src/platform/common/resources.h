// Finding resources in a module's compiled resource file (the .res format
// that resource compilers write: a header per resource, then its data).
#ifndef QEL_PLATFORM_RESOURCES_H
#define QEL_PLATFORM_RESOURCES_H

#include <cstddef>

#include "win32.h"

struct ResourceBytes {
  const unsigned char* data = nullptr;
  size_t size = 0;
  explicit operator bool() const { return data != nullptr; }
};

// `name` is a MAKEINTRESOURCE number or a string, compared without regard to
// case as Windows does. Any language matches.
ResourceBytes FindResourceBytes(HINSTANCE module, WORD type, LPCSTR name);

// The first resource of `type`, whatever its name: the program's icon is
// its first icon group, as Explorer and the task bar take it.
ResourceBytes FindFirstResourceBytes(HINSTANCE module, WORD type);

#endif
