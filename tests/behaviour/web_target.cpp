// The web page in a headless browser. A program of ours serves the page,
// drives the browser with real key and pointer events and reads the page;
// it answers on a pipe: tests/web/driver.py for Chromium (through
// chromedriver, also as a phone) and WebKitGTK (WebKitWebDriver, on the test's X server),
// tests/web/firefox_driver.mjs for Firefox (WebDriver BiDi).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "process.h"
#include "target.h"

#ifndef QEL_WEB_TESTS
#define QEL_WEB_TESTS "tests/web"
#endif

namespace {

std::string Hex(const std::string& text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

std::string Unhex(const std::string& hex) {
  std::string text;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return text;
}

class WebTarget : public Target, public Desk {
 public:
  WebTarget(std::string browser, std::string site) : browser_(std::move(browser)), site_(std::move(site)) {}
  ~WebTarget() override { StopDriver(); }

  std::string Name() const override { return browser_; }
  Desk* OwnDesk() override { return this; }

  bool Prepare(XSession& x) override {
    if (browser_ == "webkit") x_ = &x;
    return StartDriver() && Do("start", 60000);
  }
  bool Start(XSession&) override { return Do("start", 20000); }

  std::string ControlText(const std::string& caption, int id) override {
    const std::string answer = Ask("text " + Hex(caption) + " " + std::to_string(id));
    return !answer.empty() && answer[0] == '=' ? Unhex(answer.substr(1)) : "<" + answer + ">";
  }

  int Beeps() override {
    const std::string answer = Ask("beeps");
    if (answer.size() > 1 && answer[0] == '=') return std::stoi(answer.substr(1));
    std::fprintf(stderr, "web driver, beeps: %s\n", answer.c_str());
    return -1;
  }

  // A page cannot end: it says that QEL has ended. Its WinMain returns 0.
  int WaitForExit(int timeoutMs) override {
    return Ask("ended " + std::to_string(timeoutMs), timeoutMs + 5000) == "=1" ? 0 : -1;
  }

  void Stop() override {}

  void Type(const std::string& text, int delayMs) override {
    Do("type " + std::to_string(delayMs) + " " + Hex(text), 5000 + delayMs * static_cast<int>(text.size()));
  }
  void Key(const std::string& combination) override { Do("key " + combination); }
  void Hold(const std::string& key, bool down) override { Do((down ? "hold " : "release ") + key); }
  // WebKit pastes the X server's clipboard; its page cannot write it unasked.
  void SetClipboard(const std::string& text) override {
    if (x_) x_->SetClipboard(text);
    else Do("clipboard " + Hex(text));
  }

  bool Click(const std::string& caption, double fx, double fy) override {
    return Do("click " + Hex(caption) + " " + std::to_string(fx) + " " + std::to_string(fy));
  }
  bool Focus(const std::string& caption) override {
    return Shown(caption, 5000);
  }  // the page's top dialog has the keys
  bool Close(const std::string& caption) override { return Do("close " + Hex(caption)); }
  bool MenuCommand(const std::string& command) override { return Do("menu " + command); }
  bool Compose(const std::string& text) override { return Do("compose " + Hex(text)); }
  bool HasKey(const std::string& combination) const override {
    return !phone() || combination == "BackSpace" || combination == "Return";
  }
  bool Shown(const std::string& caption, int timeoutMs) override {
    return Ask("shown " + Hex(caption) + " " + std::to_string(timeoutMs), timeoutMs + 5000) == "=1";
  }
  bool Gone(const std::string& caption, int timeoutMs) override {
    return Ask("gone " + Hex(caption) + " " + std::to_string(timeoutMs), timeoutMs + 5000) == "=1";
  }

 private:
  bool StartDriver() {
    int toDriver[2], fromDriver[2];
    if (pipe2(toDriver, O_CLOEXEC) != 0 || pipe2(fromDriver, O_CLOEXEC) != 0) return false;
    Redirections io;
    io.in = toDriver[0];
    io.out = fromDriver[1];
    io.err = 2;  // the driver's complaints belong in the test's log
    std::vector<std::string> command = {"/usr/bin/python3", QEL_WEB_TESTS "/driver.py", site_};
    if (browser_ == "firefox") command = {"node", QEL_WEB_TESTS "/firefox_driver.mjs", site_};
    if (x_) command.insert(command.begin() + 2, "--webkit");
    if (phone()) command.insert(command.begin() + 2, "--phone");
    std::vector<std::string> environment;
    if (x_) environment = {"DISPLAY=" + x_->display(), "GDK_BACKEND=x11"};
    const bool started = driver_.Start(command, environment, io);
    close(toDriver[0]);
    close(fromDriver[1]);
    toDriver_ = toDriver[1];
    fromDriver_ = fromDriver[0];
    signal(SIGPIPE, SIG_IGN);  // a driver that died answers nothing, and says so
    return started;
  }

  void StopDriver() {
    if (toDriver_ >= 0) close(toDriver_);
    if (fromDriver_ >= 0) close(fromDriver_);
    toDriver_ = fromDriver_ = -1;
    driver_.WaitForExit(5000);
    driver_.Kill();
  }

  // A command that answers nothing but whether it worked; what went wrong
  // is reported with the step.
  bool Do(const std::string& command, int timeoutMs = 5000) {
    const std::string answer = Ask(command, timeoutMs);
    if (answer == "=") return true;
    std::fprintf(stderr, "web driver, %s: %s\n", command.substr(0, command.find(' ')).c_str(),
                 answer.empty() ? "no answer" : answer.c_str());
    return false;
  }

  std::string Ask(const std::string& command, int timeoutMs = 5000) {
    return AskDriver(toDriver_, fromDriver_, &received_, command, timeoutMs);
  }

  bool phone() const { return browser_ == "chromium-phone"; }

  std::string browser_;
  std::string site_;
  XSession* x_ = nullptr;  // WebKit's display
  ChildProcess driver_;
  int toDriver_ = -1, fromDriver_ = -1;
  std::string received_;
};

}  // namespace

std::unique_ptr<Target> MakeWebTarget(const std::string& browser, const std::string& siteFolder) {
  return std::make_unique<WebTarget>(browser, siteFolder);
}
