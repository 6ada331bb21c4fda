// The manifest gives the program's EDIT, BUTTON and STATIC controls from
// comctl32.dll version 6. Since Vista, USER32 loads that DLL when a dialog
// first asks for one of its classes; Windows XP does not, and without it
// there the dialogs cannot be created. Loaded before main, under the
// program's activation context, so version 6 is the one that comes in.
#include "win32.h"

namespace {

const HMODULE commonControls = LoadLibraryA("comctl32.dll");

}  // namespace
