// QEL.EXE under Wine. Keys reach it through the X server like any other
// window's; its controls are read by a small Windows program of ours that
// runs beside it (tests/wine/driver.cpp) and answers on a pipe. Beside the
// shared table, the wine_look checks look at what only the Windows program
// has: its DPI awareness, the system colours on screen, and what screen
// readers read through MSAA.

// gtest before Xlib, whose macros (None, Bool) clash with it.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "process.h"
#include "target.h"

// The build chooses Wine's loader and the driver for one machine type.
#ifndef QEL_WINE_LOADER
#define QEL_WINE_LOADER "wine"
#endif
#ifndef QEL_WINE_MACHINE
#define QEL_WINE_MACHINE 0x14C
#endif
#ifndef QEL_WINE_DRIVER
#define QEL_WINE_DRIVER ""
#endif
#ifndef QEL_WINE_PREFIX
#define QEL_WINE_PREFIX "wineprefix"
#endif

namespace {

const int kSkipped = 77;  // CTest's SKIP_RETURN_CODE for the Wine scenarios

// The machine type in the PE header: 0x14C for i386, 0x8664 for x86-64.
unsigned PeMachine(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char header[0x40] = {};
  if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
  const unsigned peOffset = header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24;
  unsigned char signature[6] = {};
  file.seekg(peOffset);
  if (!file.read(reinterpret_cast<char*>(signature), sizeof signature)) return 0;
  if (signature[0] != 'P' || signature[1] != 'E') return 0;
  return signature[4] | signature[5] << 8;
}

// WCAG's contrast ratio of two sRGB colours given as 0xRRGGBB.
double RelativeLuminance(unsigned long rgb) {
  const double weights[] = {0.2126, 0.7152, 0.0722};
  double luminance = 0;
  for (int channel = 0; channel < 3; channel++) {
    const double c = ((rgb >> (16 - 8 * channel)) & 0xFF) / 255.0;
    luminance += weights[channel] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return luminance;
}

double ContrastRatio(unsigned long a, unsigned long b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Part of a window, right and bottom excluded.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// A window's pixels as 0xRRGGBB (the test's Xvfb has a 24-bit TrueColor screen).
class Picture {
 public:
  bool Grab(Display* dpy, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, window, &attributes)) return false;
    XImage* image = XGetImage(dpy, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return false;
    whole_ = {0, 0, attributes.width, attributes.height};
    pixels_.clear();
    for (int y = 0; y < attributes.height; y++)
      for (int x = 0; x < attributes.width; x++) pixels_.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return true;
  }

  const Box& whole() const { return whole_; }
  bool operator==(const Picture& other) const { return pixels_ == other.pixels_; }

  // Where the main dialog's template (101 by 49 dialog units) puts a box.
  Box InDialogUnits(int left, int top, int right, int bottom) const {
    return {left * whole_.right / 101, top * whole_.bottom / 49, right * whole_.right / 101,
            bottom * whole_.bottom / 49};
  }

  // The colours in the box, the most frequent first.
  std::vector<unsigned long> ColoursIn(const Box& box) const {
    std::map<unsigned long, int> counts;
    for (int y = std::max(box.top, 0); y < std::min(box.bottom, whole_.bottom); y++)
      for (int x = std::max(box.left, 0); x < std::min(box.right, whole_.right); x++)
        counts[pixels_[y * whole_.right + x]]++;
    std::vector<std::pair<int, unsigned long>> byCount;
    for (const auto& [colour, count] : counts) byCount.push_back({count, colour});
    std::sort(byCount.rbegin(), byCount.rend());
    std::vector<unsigned long> colours;
    for (const auto& entry : byCount) colours.push_back(entry.second);
    colours.resize(std::max<size_t>(colours.size(), 2), kNoColour);
    return colours;
  }

  static constexpr unsigned long kNoColour = ~0ul;

 private:
  Box whole_;
  std::vector<unsigned long> pixels_;
};

// Windows' High Contrast Black, and no visual styles (see
// ExpectHighContrastColours).
const char kHighContrastBlack[] = R"([HKEY_CURRENT_USER\Control Panel\Colors]
"Window"="0 0 0"
"WindowText"="255 255 255"
"ButtonFace"="0 0 0"
"ButtonText"="255 255 255"
"ButtonShadow"="255 255 255"
"ButtonHilight"="255 255 255"
"ButtonLight"="255 255 255"
"ButtonDkShadow"="255 255 255"
"WindowFrame"="255 255 255"
"Hilight"="26 235 255"
"HilightText"="0 0 0"
"GrayText"="63 242 63"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]
"ThemeActive"="0"

)";

class WineTarget : public Target {
 public:
  explicit WineTarget(std::string program)
      : program_(std::filesystem::absolute(program).string()),
        prefix_(std::filesystem::absolute(QEL_WINE_PREFIX).string()),
        beepLog_(prefix_ + ".beeps.log") {}

  ~WineTarget() override {
    Stop();
    if (prepared_) Run({"wineserver", "-k"}, 10000);
  }

  std::string Name() const override { return "wine"; }

  // A fresh prefix for the run, made quietly, with relay tracing narrowed
  // down to MessageBeep (see Beeps), and a wineserver that stays up between
  // the scenarios.
  bool Prepare(XSession& x) override {
    x_ = &x;
    if (!CanRunProgram()) return false;
    std::error_code ignored;
    std::filesystem::remove_all(prefix_, ignored);
    std::filesystem::create_directories(prefix_);
    prepared_ = true;
    if (Run({"wineserver", "-p30"}, 10000) != 0) return false;
    if (Run({QEL_WINE_LOADER, "wineboot", "-i"}, 120000) != 0) return false;
    return Run({QEL_WINE_LOADER, "reg", "add", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude",
                "/t", "REG_SZ", "/d", "user32.MessageBeep", "/f"},
               60000) == 0;
  }

  bool Start(XSession& x) override { return StartPressing(x, {}); }

  bool StartPressing(XSession& x, const std::vector<std::string>& combinations) override {
    x_ = &x;
    bellsAtStart_ = x.Bells();
    const int log = open(beepLog_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Redirections io;
    io.err = log;
    const auto launch = [&] {
      return programProcess_.Start({QEL_WINE_LOADER, program_}, Environment("-all,+relay"), io);
    };
    const bool started =
        combinations.empty() ? launch() : x.PressAsItMaps("QEL ", launch, combinations, 20000);
    close(log);
    if (!started) return false;

    // No window manager under Xvfb: the dialog becomes the active window
    // only once it has the X input focus.
    window_ = x.FindWindow("QEL ", 20000);
    if (!window_) return false;
    x.Focus(window_);
    return StartDriver();
  }

  std::string ControlText(const std::string& caption, int id) override {
    const std::string answer = Ask("text " + std::to_string(id) + " " + caption);
    if (!answer.empty() && answer[0] == '=') return answer.substr(1);
    return "<" + (answer.empty() ? std::string("no answer from the driver") : answer.substr(1)) + ">";
  }

  // The program's calls of MessageBeep, which relay tracing writes to its
  // stderr as they happen, or the X bells Wine rang, whichever is more.
  // Wine rings one X bell per call, but on its drawing connection and
  // without flushing it, so when a bell reaches the X server depends on
  // Wine's next flush; a call is on record at once. The beeps of USER32
  // itself (an Alt+key that no menu takes) make no call of the program's
  // and are heard as bells only, some 20 ms after the key. (Under Xvfb the
  // two counts agree, twelve for a paste that is taken back twelve times.)
  int Beeps() override {
    std::ifstream log(beepLog_);
    int calls = 0;
    for (std::string line; std::getline(log, line);)
      if (line.find("Call user32.MessageBeep(") != std::string::npos) calls++;
    return std::max(calls, x_->Bells() - bellsAtStart_);
  }

  int WaitForExit(int timeoutMs) override { return programProcess_.WaitForExit(timeoutMs); }

  void Stop() override {
    StopDriver();
    programProcess_.Kill();
  }

  // The manifest asks for per-monitor awareness. Wine lays a window out at
  // the prefix's DPI (LogPixels) whatever it declares, so pictures of both
  // dialogs at 96 and 192 DPI are left in screenshots/ to be looked at.
  void ExpectPerMonitorAwareAt(int dpi) {
    ASSERT_TRUE(ImportRegistry(LogPixels(dpi)));
    ASSERT_TRUE(Start(*x_));
    EXPECT_EQ(Ask("awareness QEL "), "=2") << "not per-monitor aware at " << dpi << " DPI";
    const Picture picture = SettledPicture();
    const std::string suffix = "-" + std::to_string(dpi) + ".png";
    std::printf("at %d DPI: %dx%d, %s\n", dpi, picture.whole().right, picture.whole().bottom,
                SaveScreenshot(window_, "qel-wine-main" + suffix).c_str());
    x_->Click(window_, 0.93, 0.5);  // ABOUT
    if (const Window about = x_->FindWindow("About ...", 5000)) {
      SleepMs(500);
      SaveScreenshot(about, "qel-wine-about" + suffix);
      x_->Focus(about);
      x_->Key("Escape");
      x_->WaitUntilGone("About ...", 5000);
    }
    EndAsTheUserDoes();
  }

  // USER32 draws with the system colours: a high-contrast set in the
  // registry (Windows' High Contrast Black) is what the dialog shows.
  // Windows' high-contrast themes draw the controls in those colours; Wine's
  // default theme, Light, would draw a version-6 button in its own, so
  // visual styles go off, as in Windows' classic high-contrast look.
  void ExpectHighContrastColours() {
    ASSERT_TRUE(ImportRegistry(std::string(kHighContrastBlack) + LogPixels(96)));
    // The theme's colours, applied when the prefix was made, stay in Wine's
    // volatile copy of the settings until its server restarts.
    Run({"wineserver", "-k"}, 10000);
    Run({"wineserver", "-w"}, 30000);
    ASSERT_EQ(Run({"wineserver", "-p30"}, 10000), 0);
    ASSERT_TRUE(Start(*x_));
    const Picture picture = SettledPicture();
    const std::string screenshot = SaveScreenshot(window_, "qel-wine-high-contrast.png");
    EndAsTheUserDoes();

    // Inside the controls' edges, from the template: the labels' column, the
    // hexadecimal field, ABOUT, and the decimal field with its text selected.
    const unsigned long face = picture.ColoursIn(picture.whole())[0];
    const unsigned long label = picture.ColoursIn(picture.InDialogUnits(0, 0, 12, 49))[1];
    const auto field = picture.ColoursIn(picture.InDialogUnits(15, 20, 80, 28));
    const auto button = picture.ColoursIn(picture.InDialogUnits(88, 6, 97, 42));
    const auto selected = picture.ColoursIn(picture.InDialogUnits(15, 4, 80, 12));
    EXPECT_EQ(face, 0x000000u);
    EXPECT_EQ(label, 0xFFFFFFu);
    EXPECT_EQ(field[0], 0x000000u);
    EXPECT_EQ(field[1], 0xFFFFFFu);
    EXPECT_EQ(button[0], 0x000000u);
    EXPECT_EQ(button[1], 0xFFFFFFu);
    EXPECT_NE(std::find(selected.begin(), selected.end(), 0x1AEBFFu), selected.end())
        << "the selected text is not on the highlight colour";
    const double ratios[] = {ContrastRatio(label, face), ContrastRatio(field[1], field[0]),
                             ContrastRatio(button[1], button[0])};
    for (double ratio : ratios) EXPECT_GE(ratio, 7.0);
    std::printf("high contrast: face %06lx, labels %06lx (%.1f:1), field text %06lx on %06lx (%.1f:1),"
                " ABOUT %06lx on %06lx (%.1f:1), %s\n",
                face, label, ratios[0], field[1], field[0], ratios[1], button[1], button[0], ratios[2],
                screenshot.c_str());
  }

  // What a screen reader hears over MSAA, asked by the driver from another
  // process as NVDA or Narrator asks: each field named by its label, with
  // its role (42, editable text) and value. Wine's oleacc has no proxy for
  // buttons and statics (Windows' name them from their text): they read as
  // nameless clients here, so only the fields are checked.
  void ExpectScreenReaderNames() {
    ASSERT_TRUE(Start(*x_));
    x_->Type("255", 50);
    const std::string fields = "=D|42|255;H|42|FF;O|42|377;";
    const std::string answer = Ask("accessible QEL ");
    EXPECT_EQ(answer.substr(0, fields.size()), fields);
    std::printf("MSAA reads the converter as %s\n", answer.c_str());
    EndAsTheUserDoes();
  }

 private:
  std::vector<std::string> Environment(const char* debugChannels = "-all") const {
    std::vector<std::string> environment = ItalianUserEnvironment();
    environment.insert(environment.end(),
                       {"WINEPREFIX=" + prefix_, "DISPLAY=" + (x_ ? x_->display() : std::string()),
                        std::string("WINEDEBUG=") + debugChannels});
    return environment;
  }

  // Esc, and the program ends by itself (Wine takes about two seconds to
  // let a process go). A settings import right after a kill once failed
  // under 32-bit Wine, where a second import a moment later worked.
  void EndAsTheUserDoes() {
    x_->Focus(window_);
    x_->Key("Escape");
    WaitForExit(10000);
    Stop();  // kills only a program still running
    x_->WaitUntilGone("QEL ", 5000);
  }

  // Settings in one go, from a .reg file beside the prefix. What reg says
  // when it fails goes to the test's output, and it has a second try: the
  // settings are the test's setup, not what it checks.
  bool ImportRegistry(const std::string& entries) {
    const std::string path = prefix_ + ".settings.reg";
    std::ofstream(path) << "REGEDIT4\n\n" << entries;
    std::string windowsPath = "Z:" + path;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    const std::string log = prefix_ + ".reg.log";
    for (int attempt = 1;; attempt++) {
      const int output = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      Redirections io;
      io.out = io.err = output;
      const int status = Run({QEL_WINE_LOADER, "reg", "import", windowsPath}, 60000, io);
      close(output);
      if (status == 0) return true;
      std::ifstream said(log);
      std::fprintf(stderr, "reg import ended with %d:\n%s\n", status,
                   std::string(std::istreambuf_iterator<char>(said), {}).c_str());
      if (attempt == 2) return false;
      SleepMs(1000);
    }
  }

  static std::string LogPixels(int dpi) {
    char entry[96];
    std::snprintf(entry, sizeof entry, "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=dword:%08x\n", dpi);
    return entry;
  }

  // Once painted: two pictures alike, a blink of the caret apart.
  Picture SettledPicture() {
    Picture last, now;
    last.Grab(x_->connection(), window_);
    for (int waited = 0; waited < 3000; waited += 100) {
      SleepMs(100);
      now.Grab(x_->connection(), window_);
      if (now == last) break;
      last = now;
    }
    return now;
  }

  // ImageMagick's import, as the Linux screenshots are taken.
  std::string SaveScreenshot(Window window, const std::string& name) {
    const std::filesystem::path directory = std::filesystem::path(prefix_).parent_path() / "screenshots";
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    const std::string path = (directory / name).string();
    if (Run({"import", "-window", std::to_string(window), path}, 20000) != 0) return "no picture (import)";
    return path;
  }

  int Run(const std::vector<std::string>& argv, int timeoutMs, Redirections io = {}) {
    ChildProcess process;
    if (!process.Start(argv, Environment(), io)) return -1;
    return process.WaitForExit(timeoutMs);
  }

  // A 32-bit QEL.EXE needs 32-bit Wine, which not every machine can have,
  // and a kernel that runs 32-bit programs at all, which not every one does
  // (the windows-x64 preset builds a twin for wine64 from the same sources).
  bool CanRunProgram() {
    const unsigned machine = PeMachine(program_);
    if (machine != QEL_WINE_MACHINE) {
      std::fprintf(stderr, "%s: not a Windows program for the machine type this test was built for"
                   " (configure with QEL_WINE_EXE=%s)\n", program_.c_str(), program_.c_str());
      return false;
    }
    if (std::string(QEL_WINE_DRIVER).empty()) {
      std::fprintf(stderr, "skipped: built without the Wine driver\n");
      std::exit(kSkipped);
    }
    if (Run({QEL_WINE_LOADER, "--version"}, 10000) != 0) {
      std::fprintf(stderr, "skipped: %s cannot start on this machine%s\n", QEL_WINE_LOADER,
                   QEL_WINE_MACHINE == 0x14C ? " (the windows-x64 build runs under wine64)" : "");
      std::exit(kSkipped);
    }
    return true;
  }

  bool StartDriver() {
    int toDriver[2], fromDriver[2];
    if (pipe2(toDriver, O_CLOEXEC) != 0) return false;
    if (pipe2(fromDriver, O_CLOEXEC) != 0) return false;
    Redirections io;
    io.in = toDriver[0];
    io.out = fromDriver[1];
    const bool started = driver_.Start({QEL_WINE_LOADER, QEL_WINE_DRIVER}, Environment(), io);
    close(toDriver[0]);
    close(fromDriver[1]);
    toDriver_ = toDriver[1];
    fromDriver_ = fromDriver[0];
    signal(SIGPIPE, SIG_IGN);  // a driver that died answers nothing, and says so
    return started && Ask("ping", 20000) == "=";
  }

  void StopDriver() {
    if (toDriver_ >= 0) close(toDriver_);
    if (fromDriver_ >= 0) close(fromDriver_);
    toDriver_ = fromDriver_ = -1;
    received_.clear();
    driver_.Kill();
  }

  std::string Ask(const std::string& command, int timeoutMs = 5000) {
    return AskDriver(toDriver_, fromDriver_, &received_, command, timeoutMs);
  }

  std::string program_;
  std::string prefix_;
  std::string beepLog_;
  XSession* x_ = nullptr;
  Window window_ = 0;
  int bellsAtStart_ = 0;
  bool prepared_ = false;
  ChildProcess programProcess_;
  ChildProcess driver_;
  int toDriver_ = -1, fromDriver_ = -1;
  std::string received_;
};

}  // namespace

namespace {

class LookCheck : public testing::Test {
 public:
  explicit LookCheck(std::function<void()> check) : check_(std::move(check)) {}
  void TestBody() override { check_(); }

 private:
  std::function<void()> check_;
};

// They change the prefix's settings: CTest runs them on their own
// (wine_look), in a prefix of their own.
void RegisterLookChecks(WineTarget* target) {
  const auto add = [](const char* name, std::function<void()> check) {
    testing::RegisterTest("wine_look", name, nullptr, nullptr, __FILE__, __LINE__,
                          [=]() -> testing::Test* { return new LookCheck(check); });
  };
  add("per_monitor_aware_at_96_and_192_dpi", [=] {
    for (int dpi : {96, 192}) target->ExpectPerMonitorAwareAt(dpi);
  });
  add("screen_readers_name_the_controls", [=] { target->ExpectScreenReaderNames(); });
  add("high_contrast_colours_on_screen", [=] { target->ExpectHighContrastColours(); });
}

}  // namespace

std::unique_ptr<Target> MakeWineTarget(const std::string& program) {
  auto target = std::make_unique<WineTarget>(program);
  RegisterLookChecks(target.get());
  return target;
}
