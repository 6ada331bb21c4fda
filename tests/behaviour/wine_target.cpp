// QEL.EXE under Wine. Keys reach it through the X server like any other
// window's; its controls are read by a small Windows program of ours that
// runs beside it (tests/wine/driver.cpp) and answers on a pipe.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

  bool Start(XSession& x) override {
    x_ = &x;
    const int log = open(beepLog_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Redirections io;
    io.err = log;
    const bool started =
        programProcess_.Start({QEL_WINE_LOADER, program_}, Environment("-all,+relay"), io);
    close(log);
    if (!started) return false;

    // No window manager under Xvfb: the dialog becomes the active window
    // only once it has the X input focus.
    const Window window = x.FindWindow("QEL ", 20000);
    if (!window) return false;
    x.Focus(window);
    return StartDriver();
  }

  std::string ControlText(const std::string& caption, int id) override {
    const std::string answer = Ask("text " + std::to_string(id) + " " + caption);
    if (!answer.empty() && answer[0] == '=') return answer.substr(1);
    return "<" + (answer.empty() ? std::string("no answer from the driver") : answer.substr(1)) + ">";
  }

  // Counted as the program's calls of MessageBeep, which relay tracing
  // writes to its stderr as they happen. Wine does ring one X bell per call,
  // but on its drawing connection and without flushing it, so when a bell
  // reaches the X server depends on Wine's next flush; a call is on record
  // at once. (Under Xvfb the two counts agree, twelve for a paste that is
  // taken back twelve times.)
  int Beeps() override {
    std::ifstream log(beepLog_);
    int calls = 0;
    for (std::string line; std::getline(log, line);)
      if (line.find("Call user32.MessageBeep(") != std::string::npos) calls++;
    return calls;
  }

  int WaitForExit(int timeoutMs) override { return programProcess_.WaitForExit(timeoutMs); }

  void Stop() override {
    StopDriver();
    programProcess_.Kill();
  }

 private:
  std::vector<std::string> Environment(const char* debugChannels = "-all") const {
    std::vector<std::string> environment = ItalianUserEnvironment();
    environment.insert(environment.end(),
                       {"WINEPREFIX=" + prefix_, "DISPLAY=" + (x_ ? x_->display() : std::string()),
                        std::string("WINEDEBUG=") + debugChannels});
    return environment;
  }

  int Run(const std::vector<std::string>& argv, int timeoutMs) {
    ChildProcess process;
    if (!process.Start(argv, Environment(), Redirections())) return -1;
    return process.WaitForExit(timeoutMs);
  }

  // A 32-bit QEL.EXE needs 32-bit Wine, and so a kernel that runs 32-bit
  // programs at all; some do not (the windows-x64 preset builds a twin for
  // wine64 from the same sources).
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
      std::fprintf(stderr, "skipped: %s cannot start on this machine\n", QEL_WINE_LOADER);
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
    if (toDriver_ < 0) return "";
    const std::string line = command + "\n";
    if (write(toDriver_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "";
    for (int waited = 0;;) {
      const size_t end = received_.find('\n');
      if (end != std::string::npos) {
        std::string answer = received_.substr(0, end);
        received_.erase(0, end + 1);
        if (!answer.empty() && answer.back() == '\r') answer.pop_back();
        return answer;
      }
      if (waited >= timeoutMs) return "";
      pollfd readable = {fromDriver_, POLLIN, 0};
      if (poll(&readable, 1, 100) > 0) {
        char buffer[512];
        const ssize_t count = read(fromDriver_, buffer, sizeof buffer);
        if (count <= 0) return "";
        received_.append(buffer, static_cast<size_t>(count));
      } else {
        waited += 100;
      }
    }
  }

  std::string program_;
  std::string prefix_;
  std::string beepLog_;
  XSession* x_ = nullptr;
  bool prepared_ = false;
  ChildProcess programProcess_;
  ChildProcess driver_;
  int toDriver_ = -1, fromDriver_ = -1;
  std::string received_;
};

}  // namespace

std::unique_ptr<Target> MakeWineTarget(const std::string& program) {
  return std::make_unique<WineTarget>(program);
}
