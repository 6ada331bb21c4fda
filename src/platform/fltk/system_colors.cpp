#include "system_colors.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <array>
#include <initializer_list>
#include <utility>

namespace {

// The system colours live in FLTK's free colour slots, in this order.
const SysColorIndex kSlotted[] = {
    COLOR_MENU,      COLOR_WINDOW,   COLOR_WINDOWFRAME, COLOR_MENUTEXT, COLOR_WINDOWTEXT,
    COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_3DFACE, COLOR_3DSHADOW, COLOR_GRAYTEXT,
    COLOR_BTNTEXT,   COLOR_3DHILIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT};
static_assert(sizeof kSlotted / sizeof *kSlotted <= FL_NUM_FREE_COLOR, "one free slot each");

// FLTK draws every frame from a ramp of 24 greys, 'A' (black) to 'X'
// (white), with the face at 'R'. Its frames use these letters, which stand
// for USER32's edge colours: an edit's FL_DOWN_BOX is "WWMMPPAA" (bottom,
// right, top, left; outer then inner), a push button's FL_UP_BOX
// "AAWWMMTT", a group box's engraved frame "HHWWWWHH", an icon's thin sunken
// frame "WWHH".
const std::pair<char, SysColorIndex> kBevelLetters[] = {
    {'A', COLOR_3DDKSHADOW}, {'H', COLOR_3DSHADOW}, {'M', COLOR_3DSHADOW}, {'P', COLOR_3DLIGHT},
    {'R', COLOR_3DFACE},     {'T', COLOR_3DLIGHT},  {'W', COLOR_3DHILIGHT}};

// Where an edge colour is read back from a ramp that FLTK made.
const std::pair<char, SysColorIndex> kEdgeLetters[] = {
    {'A', COLOR_3DDKSHADOW}, {'H', COLOR_3DSHADOW}, {'T', COLOR_3DLIGHT}, {'W', COLOR_3DHILIGHT}};

Fl_Color Ramp(char letter) { return static_cast<Fl_Color>(FL_GRAY_RAMP + (letter - 'A')); }

struct Palette {
  // How the ramp of greys is made: FLTK's own, derived by FLTK from the
  // face (as for its programs' X resources), or from the palette's edges.
  enum class Bevels { kFltk, kFromFace, kFromEdges };

  Bevels bevels = Bevels::kFltk;
  std::array<uint32_t, kSysColorCount> rgb = {};  // 0xRRGGBB

  bool operator==(const Palette& other) const { return bevels == other.bevels && rgb == other.rgb; }
  bool operator!=(const Palette& other) const { return !(*this == other); }
};

// A colour to draw or compute with. Black must be FL_BLACK: 0 is the index
// of FL_FOREGROUND_COLOR.
Fl_Color ToFl(uint32_t rgb) { return fl_rgb_color(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }
// A colour map entry.
unsigned ToEntry(uint32_t rgb) { return rgb << 8; }
uint32_t ToRgb(Fl_Color color) { return Fl::get_color(color) >> 8; }

// FLTK's colour map before we changed anything: the look QEL always had.
struct FltkColors {
  std::array<unsigned, FL_NUM_GRAY> ramp;
  Palette palette;
};

const FltkColors& OriginalFltkColors() {
  static const FltkColors original = [] {
    FltkColors c;
    for (int i = 0; i < FL_NUM_GRAY; i++) c.ramp[i] = Fl::get_color(static_cast<Fl_Color>(FL_GRAY_RAMP + i));
    Palette& p = c.palette;
    p.bevels = Palette::Bevels::kFltk;
    const uint32_t text = ToRgb(FL_FOREGROUND_COLOR);
    const uint32_t face = ToRgb(FL_BACKGROUND_COLOR);
    p.rgb[COLOR_3DFACE] = p.rgb[COLOR_MENU] = face;
    p.rgb[COLOR_WINDOW] = ToRgb(FL_BACKGROUND2_COLOR);
    p.rgb[COLOR_WINDOWTEXT] = p.rgb[COLOR_BTNTEXT] = p.rgb[COLOR_MENUTEXT] = text;
    p.rgb[COLOR_WINDOWFRAME] = ToRgb(FL_BLACK);
    p.rgb[COLOR_HIGHLIGHT] = ToRgb(FL_SELECTION_COLOR);
    p.rgb[COLOR_HIGHLIGHTTEXT] = ToRgb(fl_contrast(ToFl(text), FL_SELECTION_COLOR));
    p.rgb[COLOR_GRAYTEXT] = ToRgb(fl_color_average(ToFl(text), ToFl(face), 0.33f));  // fl_inactive()
    for (const auto& [letter, edge] : kEdgeLetters) p.rgb[edge] = ToRgb(Ramp(letter));
    return c;
  }();
  return original;
}

// As FLTK derives its look from the X resources (Fl::get_system_colors):
// FLTK's defaults where a key is missing, the text made to contrast with the
// fields (Fl::background2), greyed text as fl_inactive() greys it.
Palette FromUserColors(const UserColors& user) {
  const uint32_t defaults[UserColors::kKeyCount] = {0xC0C0C0, 0x000000, 0xFFFFFF, 0x000080};
  auto value = [&](UserColors::Key key) { return user.set[key] ? user.rgb[key] : defaults[key]; };
  Palette p;
  p.bevels = Palette::Bevels::kFromFace;
  const uint32_t face = value(UserColors::kBackground);
  const uint32_t window = value(UserColors::kTextBackground);
  const uint32_t text = ToRgb(fl_contrast(ToFl(value(UserColors::kForeground)), ToFl(window)));
  const uint32_t highlight = value(UserColors::kSelectBackground);
  p.rgb[COLOR_3DFACE] = p.rgb[COLOR_MENU] = face;
  p.rgb[COLOR_WINDOW] = window;
  p.rgb[COLOR_WINDOWTEXT] = p.rgb[COLOR_BTNTEXT] = p.rgb[COLOR_MENUTEXT] = text;
  p.rgb[COLOR_WINDOWFRAME] = text;
  p.rgb[COLOR_HIGHLIGHT] = highlight;
  p.rgb[COLOR_HIGHLIGHTTEXT] = ToRgb(fl_contrast(ToFl(text), ToFl(highlight)));
  p.rgb[COLOR_GRAYTEXT] = ToRgb(fl_color_average(ToFl(text), ToFl(face), 0.33f));
  return p;  // the edges come from the ramp FLTK derives
}

Palette Explicit(std::initializer_list<std::pair<SysColorIndex, uint32_t>> colors) {
  Palette p;
  p.bevels = Palette::Bevels::kFromEdges;
  for (const auto& [index, rgb] : colors) p.rgb[index] = rgb;
  return p;
}

// Every text at least 4.5:1 against what it stands on (WCAG AA): 9.6:1 on
// the face, 14:1 in the fields, 8.6:1 selected; greyed text 4.9:1. The
// fields are darker than the face, inside a sunken edge. The highlight is
// light, with dark text: FLTK picks the selected text's colour in a field,
// and it keeps light text only on a highlight far darker than this.
Palette Dark() {
  return Explicit({{COLOR_3DFACE, 0x383838},        {COLOR_MENU, 0x383838},
                   {COLOR_WINDOW, 0x1A1A1A},        {COLOR_WINDOWFRAME, 0xA8A8A8},
                   {COLOR_WINDOWTEXT, 0xE8E8E8},    {COLOR_BTNTEXT, 0xE8E8E8},
                   {COLOR_MENUTEXT, 0xE8E8E8},      {COLOR_GRAYTEXT, 0xA8A8A8},
                   {COLOR_HIGHLIGHT, 0x6AAAF0},     {COLOR_HIGHLIGHTTEXT, 0x000000},
                   {COLOR_3DHILIGHT, 0x6A6A6A},     {COLOR_3DLIGHT, 0x4C4C4C},
                   {COLOR_3DSHADOW, 0x202020},      {COLOR_3DDKSHADOW, 0x101010}});
}

// Windows' High Contrast Black and White: every text at least 14:1 against
// what it stands on (WCAG AAA asks 7:1), every edge in the text's colour.
Palette HighContrast(uint32_t background, uint32_t text, uint32_t grayText, uint32_t highlight,
                     uint32_t highlightText) {
  return Explicit({{COLOR_3DFACE, background},      {COLOR_MENU, background},
                   {COLOR_WINDOW, background},      {COLOR_WINDOWFRAME, text},
                   {COLOR_WINDOWTEXT, text},        {COLOR_BTNTEXT, text},
                   {COLOR_MENUTEXT, text},          {COLOR_GRAYTEXT, grayText},
                   {COLOR_HIGHLIGHT, highlight},    {COLOR_HIGHLIGHTTEXT, highlightText},
                   {COLOR_3DHILIGHT, text},         {COLOR_3DLIGHT, text},
                   {COLOR_3DSHADOW, text},          {COLOR_3DDKSHADOW, text}});
}

Palette HighContrastBlack() { return HighContrast(0x000000, 0xFFFFFF, 0x3FF23F, 0x1AEBFF, 0x000000); }
Palette HighContrastWhite() { return HighContrast(0xFFFFFF, 0x000000, 0x600000, 0x37006E, 0xFFFFFF); }

bool AnySet(const UserColors& user) {
  for (bool set : user.set)
    if (set) return true;
  return false;
}

Palette ChoosePalette(const UserColors& user, const DesktopAppearance& desktop) {
  if (desktop.highContrast)
    return desktop.colorScheme == DesktopAppearance::kPreferLight ? HighContrastWhite() : HighContrastBlack();
  if (AnySet(user)) return FromUserColors(user);
  if (desktop.colorScheme == DesktopAppearance::kPreferDark) return Dark();
  return OriginalFltkColors().palette;
}

void SetRamp(const Palette& p) {
  const uint32_t face = p.rgb[COLOR_3DFACE];
  switch (p.bevels) {
    case Palette::Bevels::kFltk:
      for (int i = 0; i < FL_NUM_GRAY; i++)
        Fl::set_color(static_cast<Fl_Color>(FL_GRAY_RAMP + i), OriginalFltkColors().ramp[i]);
      break;
    case Palette::Bevels::kFromFace:
      Fl::background(face >> 16, (face >> 8) & 0xFF, face & 0xFF);
      break;
    case Palette::Bevels::kFromEdges:
      Fl::background(face >> 16, (face >> 8) & 0xFF, face & 0xFF);
      for (const auto& [letter, edge] : kBevelLetters) Fl::set_color(Ramp(letter), ToEntry(p.rgb[edge]));
      break;
  }
}

// The palette's colours into their slots; edges that FLTK derived are read
// back from its ramp. What FLTK draws itself (a push button's focus box,
// inactive shading, an edit's default colours) takes them from the same map.
void PutInPlace(const Palette& p) {
  SetRamp(p);
  for (SysColorIndex index : kSlotted) Fl::set_color(SysColor(index), ToEntry(p.rgb[index]));
  if (p.bevels == Palette::Bevels::kFromFace)
    for (const auto& [letter, edge] : kEdgeLetters) Fl::set_color(SysColor(edge), Fl::get_color(Ramp(letter)));
  Fl::set_color(FL_FOREGROUND_COLOR, ToEntry(p.rgb[COLOR_WINDOWTEXT]));
  Fl::set_color(FL_BACKGROUND2_COLOR, ToEntry(p.rgb[COLOR_WINDOW]));
  Fl::set_color(FL_SELECTION_COLOR, ToEntry(p.rgb[COLOR_HIGHLIGHT]));
}

void RedrawAllWindows() {
  for (Fl_Window* window = Fl::first_window(); window; window = Fl::next_window(window)) window->redraw();
}

UserColors userColors;
DesktopAppearance desktopAppearance;

void Refresh() {
  static bool placed = false;
  static Palette inUse;
  OriginalFltkColors();  // before the first change
  const Palette chosen = ChoosePalette(userColors, desktopAppearance);
  if (placed && chosen == inUse) return;
  PutInPlace(chosen);
  inUse = chosen;
  placed = true;
  RedrawAllWindows();
}

}  // namespace

Fl_Color SysColor(SysColorIndex index) {
  int slot = 0;
  while (kSlotted[slot] != index) slot++;  // every index in the enum has one
  return static_cast<Fl_Color>(FL_FREE_COLOR + slot);
}

uint32_t GetSysColor(SysColorIndex index) { return ToRgb(SysColor(index)); }

void SetUserColors(const UserColors& user) {
  userColors = user;
  Refresh();
}

void SetDesktopAppearance(const DesktopAppearance& desktop) {
  desktopAppearance = desktop;
  Refresh();
}
