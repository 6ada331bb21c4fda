// The dialog manager in process, on a private X server: both dialogs on a
// desktop that scales, announced as scaling desktops do (Xft.dpi in the root
// window's resources), and the edit control's width limit.
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <X11/Xatom.h>

#include <cstdlib>
#include <string>
#include <vector>

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
  measured.width = WindowOf(*dialog)->w();
  measured.height = WindowOf(*dialog)->h();
  for (const auto& control : dialog->controls) {
    if (control->kind->controlClass != ControlClass::Static || (control->style & SS_TYPEMASK) != SS_ICON)
      continue;
    measured.iconWidth = WidgetOf(*control)->w();
    measured.iconHeight = WidgetOf(*control)->h();
    measured.iconEdge = Fl::box_dw(WidgetOf(*control)->box());
  }
  EndDialog(dialog, 0);
  return 0;
}

class DialogManager : public testing::Test {
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

XSession DialogManager::x_;

TEST_F(DialogManager, TwiceTheDpiIsTwiceTheDialogWithWholeIconPixels) {
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

// What an edit without ES_AUTOHSCROLL tells its dialog, and what it keeps.
struct EditLimit {
  std::vector<WORD> notifications;
  std::string afterSet, afterPaste;
};

EditLimit editLimit;

void PasteInto(HWND dialog, int id, const std::string& text) {
  for (const auto& control : dialog->controls) {
    if (control->id != id) continue;
    Fl::e_text = const_cast<char*>(text.c_str());
    Fl::e_length = static_cast<int>(text.size());
    WidgetOf(*control)->handle(FL_PASTE);
  }
}

INT_PTR CALLBACK PasteTooMuch(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && LOWORD(wParam) == ID_DECIMALE)
    editLimit.notifications.push_back(HIWORD(wParam));
  if (message != WM_INITDIALOG) return 0;
  const std::string digits = "1234567890123456789012345678901234567890";
  char text[64];
  SetDlgItemTextA(dialog, ID_DECIMALE, digits.c_str());
  GetDlgItemTextA(dialog, ID_DECIMALE, text, sizeof text);
  editLimit.afterSet = text;
  SetDlgItemTextA(dialog, ID_DECIMALE, "");
  editLimit.notifications.clear();
  PasteInto(dialog, ID_DECIMALE, digits);
  GetDlgItemTextA(dialog, ID_DECIMALE, text, sizeof text);
  editLimit.afterPaste = text;
  EndDialog(dialog, 0);
  return 0;
}

TEST_F(DialogManager, APasteIsCutToTheWidthOnceButSettingTheTextIsNot) {
  SetResources("");
  DialogBoxParamA(Program(), MAKEINTRESOURCE(IDD_QEL), nullptr, PasteTooMuch, 0);
  EXPECT_EQ(editLimit.afterSet.size(), 40u);
  EXPECT_GT(editLimit.afterPaste.size(), 9u);
  EXPECT_LT(editLimit.afterPaste.size(), 40u);
  EXPECT_EQ(editLimit.afterPaste, editLimit.afterSet.substr(0, editLimit.afterPaste.size()));
  const std::vector<WORD> expected = {EN_MAXTEXT, EN_UPDATE, EN_CHANGE};
  EXPECT_EQ(editLimit.notifications, expected);
}

}  // namespace
