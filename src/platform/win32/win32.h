// On Windows the program talks to USER32 itself.
#ifndef QEL_WIN32_H
#define QEL_WIN32_H
#include <windows.h>
#endif
