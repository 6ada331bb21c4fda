// The Linux build: its dialogs publish their controls' texts as an X
// property, which stands in for WM_GETTEXT across processes.
#include <sstream>

#include "process.h"
#include "target.h"

namespace {

class LinuxTarget : public Target {
 public:
  explicit LinuxTarget(std::string program) : program_(std::move(program)) {}

  std::string Name() const override { return "linux"; }

  bool Start(XSession& x) override { return StartPressing(x, {}); }

  bool StartPressing(XSession& x, const std::vector<std::string>& combinations) override {
    x_ = &x;
    bellsAtStart_ = x.Bells();
    Redirections io;
    io.err = 2;  // the program's complaints belong in the test's log
    std::vector<std::string> environment = ItalianUserEnvironment();
    environment.push_back("DISPLAY=" + x.display());
    const auto launch = [&] { return process_.Start({program_}, environment, io); };
    if (combinations.empty() ? !launch() : !x.PressAsItMaps("QEL ", launch, combinations, 5000)) return false;
    // As a window manager would, give the new window the keyboard; until
    // then keys would go astray.
    const Window window = x.FindWindow("QEL ", 5000);
    if (window) x.Focus(window);
    return window != 0;
  }

  std::string ControlText(const std::string& caption, int id) override {
    const Window window = x_->FindWindow(caption, 0);
    std::istringstream lines(window ? x_->Property(window, "_QEL_CONTROL_TEXTS") : "");
    const std::string prefix = std::to_string(id) + '\t';
    for (std::string line; std::getline(lines, line);)
      if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    return "<no control " + std::to_string(id) + ">";
  }

  int Beeps() override { return x_->Bells() - bellsAtStart_; }
  int WaitForExit(int timeoutMs) override { return process_.WaitForExit(timeoutMs); }
  void Stop() override { process_.Kill(); }

 private:
  std::string program_;
  ChildProcess process_;
  XSession* x_ = nullptr;
  int bellsAtStart_ = 0;
};

}  // namespace

std::unique_ptr<Target> MakeLinuxTarget(const std::string& program) {
  return std::make_unique<LinuxTarget>(program);
}
