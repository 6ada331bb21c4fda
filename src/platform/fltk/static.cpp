// The STATIC control: text, frames and icons.
#include <FL/Fl.H>
#include <FL/Fl_Image.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>

#include <memory>

#include "dialog.h"
#include "icon.h"
#include "system_colors.h"

namespace {

const int kIconSize = 32;  // SM_CXICON, which LoadIcon loads

// Text drawn from the control's very edge: FLTK's own labels keep a margin
// of a few pixels, which a seven-unit-wide label does not have to spare.
class StaticText : public Fl_Widget {
 public:
  explicit StaticText(const PixelRect& r) : Fl_Widget(r.x, r.y, r.w, r.h) {
    labelcolor(SysColor(COLOR_WINDOWTEXT));  // as a dialog colours its statics
  }

  void draw() override {
    draw_box();
    if (!label()) return;
    const int inset = box() == FL_NO_BOX ? 0 : 1;
    fl_push_clip(x(), y(), w(), h());
    fl_font(labelfont(), labelsize());
    fl_color(active_r() ? labelcolor() : SysColor(COLOR_GRAYTEXT));
    fl_draw(label(), x() + inset, y() + inset, w() - 2 * inset, h() - 2 * inset, align(), nullptr, 0);
    fl_pop_clip();
  }
};

// SS_ICON: the icon that the control's title names, from the dialog's
// module. Like Windows, the control takes the icon's size, plus its edge.
class StaticIcon : public Fl_Widget {
 public:
  explicit StaticIcon(const PixelRect& r) : Fl_Widget(r.x, r.y, r.w, r.h) {}

  void Load(HWND dialog, LPCSTR name) {
    IconPixels pixels;
    const int wanted = kIconSize * dialog->native->iconScale;
    image_.reset(LoadIconPixels(dialog->module, name, wanted, &pixels) ? NewIconImage(pixels) : nullptr);
    if (image_) size(image_->w() + Fl::box_dw(box()), image_->h() + Fl::box_dh(box()));
    redraw();
  }

  void draw() override {
    draw_box();
    if (image_) image_->draw(x() + Fl::box_dx(box()), y() + Fl::box_dy(box()));
  }

 private:
  std::unique_ptr<Fl_RGB_Image> image_;
};

bool ShowsIcon(uint32_t style) { return (style & SS_TYPEMASK) == SS_ICON; }

Fl_Align TextAlignment(uint32_t style) {
  const Fl_Align inside = FL_ALIGN_INSIDE | FL_ALIGN_TOP | FL_ALIGN_WRAP | FL_ALIGN_CLIP;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: return inside;
    case 2 /* SS_RIGHT */: return inside | FL_ALIGN_RIGHT;
    default: return inside | FL_ALIGN_LEFT;
  }
}

// FLTK draws a border frame in the widget's colour; WS_BORDER is the
// window-frame line.
void ApplyFrame(Fl_Widget* widget, uint32_t style) {
  if (style & SS_SUNKEN) {
    widget->box(FL_THIN_DOWN_FRAME);
  } else if (style & WS_BORDER) {
    widget->box(FL_BORDER_FRAME);
    widget->color(SysColor(COLOR_WINDOWFRAME));
  } else {
    widget->box(FL_NO_BOX);
  }
}

Fl_Widget* CreateIcon(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  auto* icon = new StaticIcon(rect);
  ApplyFrame(icon, control.style);
  icon->Load(control.dialog,
             item.title.isOrdinal ? MAKEINTRESOURCE(item.title.ordinal) : control.text.c_str());
  return icon;
}

}  // namespace

Fl_Widget* CreateStaticWidget(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  if (ShowsIcon(control.style)) return CreateIcon(control, item, rect);
  auto* box = new StaticText(rect);
  ApplyDialogFont(box, control.dialog->native->font);
  ApplyFrame(box, control.style);
  box->align(TextAlignment(control.style));
  box->label(control.text.c_str());
  return box;
}

// An icon control's new text names its new icon, as with WM_SETTEXT.
void ShowStaticText(Control& control) {
  Fl_Widget* widget = WidgetOf(control);
  if (ShowsIcon(control.style)) {
    static_cast<StaticIcon*>(widget)->Load(control.dialog, control.text.c_str());
    return;
  }
  widget->label(control.text.c_str());
  widget->redraw();
}
