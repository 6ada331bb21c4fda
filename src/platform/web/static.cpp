// The STATIC control: text, frames and icons.
#include "dialog.h"
#include "icon_pixels.h"
#include "page.h"

namespace {

const int kIconSize = 32;  // SM_CXICON, which LoadIcon loads

bool ShowsIcon(uint32_t style) { return (style & SS_TYPEMASK) == SS_ICON; }

const char* TextClasses(uint32_t style) {
  const bool border = style & WS_BORDER;
  if (style & SS_SUNKEN) return "sunken";
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      return border ? "center border" : "center";
    case 2 /* SS_RIGHT */:
      return border ? "right border" : "right";
    default:
      return border ? "border" : "";
  }
}

// Icons are pixel art: they grow by whole factors of the screen's pixels,
// in the steps the desktop builds take (twice from 1.75, three times from
// 2.75), and the browser shows them without smoothing.
int IconFactor(double devicePixelRatio) {
  const int factor = static_cast<int>(devicePixelRatio + 0.25);
  return factor < 1 ? 1 : factor;
}

// CSS pixels per icon pixel, in a dialog drawn `scale` times larger.
double IconScale(const Control& control) {
  const double ratio = page_device_pixel_ratio();
  return IconFactor(ratio * control.dialog->font.scale) / ratio;
}

// SS_ICON: the icon that `name` names, from the dialog's module. Like
// Windows, the control takes the icon's size, plus its edge.
void DrawIcon(const Control& control, int element, LPCSTR name) {
  IconPixels pixels;
  if (!LoadIconPixels(control.dialog->module, name, kIconSize, &pixels)) pixels = IconPixels();
  page_draw_icon(element, pixels.rgba.data(), pixels.width, pixels.height);
  page_scale_icon(element, IconScale(control));
}

}  // namespace

int CreateStaticElement(Control& control, const DialogItemTemplate& item, const PixelRect& r) {
  const bool icon = ShowsIcon(control.style);
  const int element = page_create_element(control.dialog->native->element, icon ? kPageIcon : kPageText,
                                          control.id, r.x, r.y, r.w, r.h, TextClasses(control.style));
  if (!icon)
    page_set_text(element, control.text.c_str());
  else
    DrawIcon(control, element,
             item.title.isOrdinal ? MAKEINTRESOURCE(item.title.ordinal) : control.text.c_str());
  return element;
}

// An icon control's new text names its new icon, as with WM_SETTEXT.
void ShowStaticText(Control& control) {
  if (ShowsIcon(control.style))
    DrawIcon(control, ElementOf(control), control.text.c_str());
  else
    page_set_text(ElementOf(control), control.text.c_str());
}

void ScaleIcon(Control& control) {
  if (control.kind->controlClass == ControlClass::Static && ShowsIcon(control.style))
    page_scale_icon(ElementOf(control), IconScale(control));
}
