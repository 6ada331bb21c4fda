// The system colours: one palette, indexed as USER32's GetSysColor is, that
// every control and the edit menu draw with. Where it comes from, the first
// that applies: the desktop's high contrast, the user's X resources, the
// desktop's dark preference, FLTK's own look.
#ifndef QEL_PLATFORM_SYSTEM_COLORS_H
#define QEL_PLATFORM_SYSTEM_COLORS_H

#include <FL/Enumerations.H>

#include <cstdint>

// USER32's indices of the colours our controls draw with.
enum SysColorIndex {
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_3DFACE = 15,
  COLOR_3DSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_3DHILIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  kSysColorCount
};

// The FLTK colour that stands for a system colour. Controls keep this, never
// a colour value, so that a change of palette is a redraw, as
// WM_SYSCOLORCHANGE is on Windows.
Fl_Color SysColor(SysColorIndex index);

// 0xRRGGBB of a system colour in the palette now in use.
uint32_t GetSysColor(SysColorIndex index);

// What the user set in the X resources, in the keys FLTK programs read.
struct UserColors {
  enum Key { kBackground, kForeground, kTextBackground, kSelectBackground, kKeyCount };
  bool set[kKeyCount] = {};
  uint32_t rgb[kKeyCount] = {};  // 0xRRGGBB
};

// What the desktop's settings portal says (org.freedesktop.appearance).
struct DesktopAppearance {
  enum ColorScheme : uint32_t { kNoPreference = 0, kPreferDark = 1, kPreferLight = 2 };
  uint32_t colorScheme = kNoPreference;
  bool highContrast = false;
};

// Each chooses the palette anew from both and, if it differs from the one
// in use, puts it in place and redraws every window, dialogs and menus
// alike. The X resources are read as each dialog is created; the portal's
// changes come as they happen.
void SetUserColors(const UserColors& user);
void SetDesktopAppearance(const DesktopAppearance& desktop);

#endif
