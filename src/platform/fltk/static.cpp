// The STATIC control: text and frames.
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>

#include "dialog.h"

namespace {

// Text drawn from the control's very edge: FLTK's own labels keep a margin
// of a few pixels, which a seven-unit-wide label does not have to spare.
class StaticText : public Fl_Widget {
 public:
  explicit StaticText(const PixelRect& r) : Fl_Widget(r.x, r.y, r.w, r.h) {}

  void draw() override {
    draw_box();
    if (!label()) return;
    const int inset = box() == FL_NO_BOX ? 0 : 1;
    fl_push_clip(x(), y(), w(), h());
    fl_font(labelfont(), labelsize());
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    fl_draw(label(), x() + inset, y() + inset, w() - 2 * inset, h() - 2 * inset, align(), nullptr, 0);
    fl_pop_clip();
  }
};

Fl_Align TextAlignment(uint32_t style) {
  const Fl_Align inside = FL_ALIGN_INSIDE | FL_ALIGN_TOP | FL_ALIGN_WRAP | FL_ALIGN_CLIP;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: return inside;
    case 2 /* SS_RIGHT */: return inside | FL_ALIGN_RIGHT;
    default: return inside | FL_ALIGN_LEFT;
  }
}

Fl_Boxtype Frame(uint32_t style) {
  if (style & SS_SUNKEN) return FL_THIN_DOWN_FRAME;
  if (style & WS_BORDER) return FL_BORDER_FRAME;
  return FL_NO_BOX;
}

Fl_Widget* CreateStatic(Control& control, const DialogItemTemplate& item, const PixelRect& rect) {
  auto* box = new StaticText(rect);
  ApplyDialogFont(box, control.dialog->font);
  box->box(Frame(control.style));
  box->align(TextAlignment(control.style));
  control.text = item.title.isOrdinal ? "" : item.title.name;
  box->label(control.text.c_str());
  return box;
}

void SetStaticText(Control& control, const char* text) {
  control.text = text;
  control.widget->label(control.text.c_str());
  control.widget->redraw();
}

const char* StaticText(const Control& control) { return control.text.c_str(); }

}  // namespace

const ControlKind kStaticKind = {"STATIC", CreateStatic, SetStaticText, StaticText, nullptr, false};
