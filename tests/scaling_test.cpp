// Both dialogs on a desktop that scales, announced as scaling desktops do
// (Xft.dpi in the root window's resources), on a private X server.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <X11/Xatom.h>

#include <cstdlib>
#include <string>

#include "behaviour/x_session.h"
#include "dialog.h"
#include "program_resources.h"
#include "resource.h"

namespace {

struct Measured {
  int width = 0, height = 0;          // the dialog's client area
  int iconWidth = 0, iconHeight = 0;  // its icon control, edge included
  int iconEdge = 0;
};

Measured measured;

// Measures the dialog once it is built, and ends it.
INT_PTR CALLBACK Measure(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return 0;
  measured = Measured();
  measured.width = dialog->window->w();
  measured.height = dialog->window->h();
  for (const auto& control : dialog->controls) {
    if (control->kind != &kStaticKind || (control->style & SS_TYPEMASK) != SS_ICON) continue;
    measured.iconWidth = control->widget->w();
    measured.iconHeight = control->widget->h();
    measured.iconEdge = Fl::box_dw(control->widget->box());
  }
  EndDialog(dialog, 0);
  return 0;
}

class Scaling : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(x_.Start()) << "cannot start Xvfb";
    setenv("DISPLAY", x_.display().c_str(), 1);
  }

  // The desktop's resources, as `xrdb` leaves them.
  static void SetResources(const std::string& resources) {
    Display* dpy = x_.connection();
    XChangeProperty(dpy, DefaultRootWindow(dpy), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(dpy, False);
  }

  static Measured Open(int dialogId) {
    DialogBoxParamA(Program(), MAKEINTRESOURCE(dialogId), nullptr, Measure, 0);
    return measured;
  }

  static XSession x_;
};

XSession Scaling::x_;

TEST_F(Scaling, TwiceTheDpiIsTwiceTheDialogWithWholeIconPixels) {
  SetResources("");
  const Measured main96 = Open(IDD_QEL);
  const Measured about96 = Open(IDD_ABOUT);
  EXPECT_EQ(about96.iconWidth - about96.iconEdge, 32);

  SetResources("Xft.antialias:\t1\nXft.dpi:\t192\n");
  const Measured main192 = Open(IDD_QEL);
  EXPECT_NEAR(main192.width, 2 * main96.width, 2);
  EXPECT_NEAR(main192.height, 2 * main96.height, 2);
  const Measured about192 = Open(IDD_ABOUT);
  EXPECT_NEAR(about192.width, 2 * about96.width, 2);
  EXPECT_EQ(about192.iconWidth, 64 + about192.iconEdge);
  EXPECT_EQ(about192.iconHeight, 64 + about192.iconEdge);

  // A value no desktop means is passed over for the screen's own.
  SetResources("Xft.dpi: 0\n");
  EXPECT_EQ(Open(IDD_QEL).width, main96.width);
}

}  // namespace
