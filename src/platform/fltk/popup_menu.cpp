#include "popup_menu.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Window.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "accessibility.h"
#include "backend.h"
#include "dialog.h"
#include "system_colors.h"

namespace {

// The mnemonic's letter, small; 0 for none.
char Mnemonic(const MenuItem& item) {
  const MenuLabel label = ParseMenuLabel(item.label);
  if (label.mnemonic < 0) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(label.text[static_cast<size_t>(label.mnemonic)])));
}

class MenuWindow : public Fl_Menu_Window {
 public:
  MenuWindow(PopupMenu& menu, const FltkFont& font, float scale)
      : Fl_Menu_Window(0, 0, 1, 1), menu_(menu), font_(font) {
    end();
    box(FL_UP_BOX);
    color(SysColor(COLOR_MENU));
    const auto scaled = [scale](int pixels) { return static_cast<int>(std::lround(pixels * scale)); };
    padding_ = scaled(kPadding);
    separator_ = scaled(kSeparator);
    fl_font(font_.face, font_.size);
    itemHeight_ = fl_height() + scaled(kLeading);
    int width = 0, top = Fl::box_dy(box());
    for (const MenuItem& item : menu_.items) {
      menu_.itemTops.push_back(top);
      width = std::max(width, static_cast<int>(fl_width(ParseMenuLabel(item.label).text.c_str())));
      top += itemHeight_ + (item.separatorAfter ? separator_ : 0);
    }
    size(width + 2 * padding_ + Fl::box_dw(box()), top + Fl::box_dh(box()) - Fl::box_dy(box()));
    menu_.itemHeight = itemHeight_;
  }

  void draw() override {
    draw_box(box(), 0, 0, w(), h(), color());  // a window's x() and y() are on the screen
    fl_font(font_.face, font_.size);
    for (size_t i = 0; i < menu_.items.size(); i++) DrawItem(static_cast<int>(i));
  }

  int handle(int event) override {
    switch (event) {
      case FL_KEYBOARD: return HandleKey();
      case FL_ENTER:
      case FL_MOVE:
      case FL_DRAG: Highlight(EnabledItemAtPointer()); return 1;
      case FL_PUSH:
        // A click elsewhere dismisses the menu; one on it acts on release.
        if (!Fl::event_inside(0, 0, w(), h())) End(-1);
        return 1;
      case FL_RELEASE:
        if (EnabledItemAtPointer() >= 0) End(EnabledItemAtPointer());
        return 1;
      case FL_LEAVE: Highlight(-1); return 1;
    }
    return Fl_Menu_Window::handle(event);
  }

  void End(int chosen) {
    menu_.chosen = chosen;
    menu_.ended = true;
  }

 private:
  // FLTK's own menus: a few pixels between items and around the labels.
  static const int kPadding = 6;
  static const int kLeading = 4;
  static const int kSeparator = 6;

  int ItemTop(int index) const { return menu_.itemTops[static_cast<size_t>(index)]; }

  void DrawItem(int index) {
    const MenuItem& item = menu_.items[static_cast<size_t>(index)];
    const int x = Fl::box_dx(box()), y = ItemTop(index), width = w() - Fl::box_dw(box());
    const bool lit = index == menu_.highlighted;
    if (lit) {
      fl_color(SysColor(COLOR_HIGHLIGHT));
      fl_rectf(x, y, width, itemHeight_);
    }
    fl_color(SysColor(lit ? COLOR_HIGHLIGHTTEXT : item.enabled ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
    const MenuLabel label = ParseMenuLabel(item.label);
    const int baseline = y + (itemHeight_ + fl_height()) / 2 - fl_descent();
    fl_draw(label.text.c_str(), x + padding_, baseline);
    if (label.mnemonic >= 0) {
      const char* at = label.text.c_str() + label.mnemonic;
      const int from = x + padding_ + static_cast<int>(fl_width(label.text.c_str(), label.mnemonic));
      const int length = static_cast<int>(fl_width(at, std::max(1, fl_utf8len1(*at))));
      fl_xyline(from, baseline + 1, from + length - 1);
    }
    if (item.separatorAfter) {  // an etched line, as USER32 draws one
      const int line = y + itemHeight_ + separator_ / 2 - 1;
      fl_color(SysColor(COLOR_3DSHADOW));
      fl_xyline(x + 1, line, x + width - 2);
      fl_color(SysColor(COLOR_3DHILIGHT));
      fl_xyline(x + 1, line + 1, x + width - 2);
    }
  }

  int EnabledItemAtPointer() const {
    if (!Fl::event_inside(0, 0, w(), h())) return -1;
    for (size_t i = 0; i < menu_.items.size(); i++) {
      const int top = ItemTop(static_cast<int>(i));
      if (Fl::event_y() >= top && Fl::event_y() < top + itemHeight_)
        return menu_.items[i].enabled ? static_cast<int>(i) : -1;
    }
    return -1;
  }

  void Highlight(int index) {
    if (index == menu_.highlighted) return;
    menu_.highlighted = index;
    redraw();
    AccessibleMenuHighlighted(menu_);
  }

  // Up and Down go round the enabled items, starting from either end.
  void MoveHighlight(int step) {
    const int count = static_cast<int>(menu_.items.size());
    int index = menu_.highlighted;
    for (int tries = 0; tries < count; tries++) {
      index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
      if (menu_.items[static_cast<size_t>(index)].enabled) return Highlight(index);
    }
  }

  // A mnemonic chooses the one item it marks, and a greyed one closes the
  // menu choosing nothing, as USER32's; with several, it moves to the next
  // enabled one of them.
  void PressMnemonic(char key) {
    std::vector<int> marked;
    int only = -1, count = 0;
    for (size_t i = 0; i < menu_.items.size(); i++) {
      if (Mnemonic(menu_.items[i]) != key) continue;
      count++;
      only = menu_.items[i].enabled ? static_cast<int>(i) : -1;
      if (menu_.items[i].enabled) marked.push_back(static_cast<int>(i));
    }
    if (count == 1) return End(only);
    for (int index : marked)
      if (index > menu_.highlighted) return Highlight(index);
    if (!marked.empty()) Highlight(marked.front());
  }

  int HandleKey() {
    switch (Fl::event_key()) {
      case FL_Escape: End(-1); break;
      case FL_Up: MoveHighlight(-1); break;
      case FL_Down: MoveHighlight(1); break;
      case FL_Home: Highlight(-1); MoveHighlight(1); break;
      case FL_End: Highlight(-1); MoveHighlight(-1); break;
      case FL_Enter:
      case FL_KP_Enter:
        if (menu_.highlighted >= 0) End(menu_.highlighted);
        break;
      default:
        if (Fl::event_length() == 1 && std::isalnum(static_cast<unsigned char>(Fl::event_text()[0])))
          PressMnemonic(static_cast<char>(std::tolower(static_cast<unsigned char>(Fl::event_text()[0]))));
    }
    return 1;
  }

  PopupMenu& menu_;
  FltkFont font_;
  int itemHeight_ = 0, padding_ = 0, separator_ = 0;
};

// Below and right of the point where there is room, as USER32 places it;
// otherwise above or to the left.
void PlaceOnScreen(Fl_Window& window, int x, int y) {
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, x, y);
  if (x + window.w() > sx + sw) x = std::max(sx, x - window.w());
  if (y + window.h() > sy + sh) y = std::max(sy, y - window.h());
  window.position(x, y);
}

}  // namespace

int TrackPopupMenu(PopupMenu& menu, int x, int y) {
  const HWND dialog = menu.owner->dialog;
  MenuWindow window(menu, dialog->native->font, dialog->font.scale);
  PlaceOnScreen(window, WindowOf(*dialog)->x() + x, WindowOf(*dialog)->y() + y);
  menu.window = &window;
  window.show();
  Fl::grab(&window);  // the keyboard and the pointer, wherever they are
  AccessibleMenuOpened(menu);
  while (!menu.ended && window.shown()) Fl::wait();
  Fl::grab(nullptr);
  AccessibleMenuClosed(menu);
  window.hide();
  menu.window = nullptr;
  return menu.chosen;
}

void ChooseMenuItem(PopupMenu& menu, int index) {
  if (menu.ended || index < 0 || index >= static_cast<int>(menu.items.size()) ||
      !menu.items[static_cast<size_t>(index)].enabled)
    return;
  menu.chosen = index;
  menu.ended = true;
  BackendWake();
}
