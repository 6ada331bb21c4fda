// The BUTTON control: push buttons and group boxes.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/fl_draw.H>

#include <string>

#include "dialog.h"
#include "system_colors.h"

namespace {

class PushButton : public Fl_Button {
 public:
  PushButton(const PixelRect& r, Control& control) : Fl_Button(r.x, r.y, r.w, r.h), control_(control) {
    callback(Clicked, &control);
    color(SysColor(COLOR_3DFACE));
    selection_color(SysColor(COLOR_3DFACE));  // its face while pressed
    labelcolor(SysColor(COLOR_BTNTEXT));
  }

  int handle(int event) override {
    if (event == FL_FOCUS && RefusesKeyboardFocus(control_)) return 0;
    return Fl_Button::handle(event);
  }

  // Enter presses the default push button, framed in the window frame's colour.
  void draw() override {
    Fl_Button::draw();
    if ((control_.style & BS_TYPEMASK) != BS_DEFPUSHBUTTON) return;
    fl_color(SysColor(COLOR_WINDOWFRAME));
    fl_rect(x(), y(), w(), h());
  }

 private:
  static void Clicked(Fl_Widget*, void* control) {
    SendCommand(*static_cast<Control*>(control), BN_CLICKED);
  }

  Control& control_;
};

// A frame with its title set into the top line. It paints no background,
// so the controls inside it stay visible whichever is drawn last.
class GroupBox : public Fl_Widget {
 public:
  explicit GroupBox(const PixelRect& r) : Fl_Widget(r.x, r.y, r.w, r.h) {
    align(FL_ALIGN_INSIDE | FL_ALIGN_TOP_LEFT);
    color(SysColor(COLOR_3DFACE));
    labelcolor(SysColor(COLOR_WINDOWTEXT));  // as a dialog colours its statics
  }

  void draw() override {
    fl_font(labelfont(), labelsize());
    const int half = fl_height() / 2;
    draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
    if (!label() || !*label()) return;
    const int textWidth = static_cast<int>(fl_width(label()));
    fl_color(color());
    fl_rectf(x() + 6, y(), textWidth + 4, fl_height());
    fl_color(active_r() ? labelcolor() : SysColor(COLOR_GRAYTEXT));
    fl_draw(label(), x() + 8, y() + fl_height() - fl_descent());
  }
};

// BS_MULTILINE: break the text into lines that fit. USER32's word break
// keeps a word wider than the button whole and clips it (under Wine the tall
// ABOUT button reads "BOU"); we break inside such a word, so it reads whole.
std::string WrapToWidth(const std::string& text, double width) {
  std::string wrapped, line;
  for (char c : text) {
    std::string candidate = line + c;
    if (!line.empty() && fl_width(candidate.c_str()) > width) {
      const size_t space = line.rfind(' ');
      if (c != ' ' && space != std::string::npos && space > 0) {
        wrapped += line.substr(0, space) + '\n';
        line = line.substr(space + 1) + c;
      } else {
        wrapped += line + '\n';
        line = (c == ' ') ? std::string() : std::string(1, c);
      }
    } else {
      line = candidate;
    }
  }
  return wrapped + line;
}

std::string ButtonLabel(const Control& control, const std::string& text, const Fl_Widget* button) {
  if (!(control.style & BS_MULTILINE)) return text;
  fl_font(button->labelfont(), button->labelsize());
  return WrapToWidth(text, button->w() - Fl::box_dw(button->box()) - 2);
}

}  // namespace

Fl_Widget* CreateButtonWidget(Control& control, const PixelRect& rect) {
  Fl_Widget* button;
  if ((control.style & BS_TYPEMASK) == BS_GROUPBOX) button = new GroupBox(rect);
  else button = new PushButton(rect, control);
  ApplyDialogFont(button, control.dialog->native->font);
  button->copy_label(ButtonLabel(control, control.text, button).c_str());
  return button;
}

void ShowButtonText(Control& control) {
  Fl_Widget* button = WidgetOf(control);
  button->copy_label(ButtonLabel(control, control.text, button).c_str());
  button->redraw();
}
