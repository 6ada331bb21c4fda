// The dialog manager's small values, apart from the manager itself: the
// accessibility plug-in reads them and must see nothing else of it.
#ifndef QEL_PLATFORM_DIALOG_GEOMETRY_H
#define QEL_PLATFORM_DIALOG_GEOMETRY_H

#include <cstddef>

struct PixelRect {
  int x, y, w, h;
};

// An edit's caret and the other end of its selection, in UTF-8 bytes.
struct EditCaret {
  size_t caret, anchor;
};

#endif
