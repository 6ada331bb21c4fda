// A build of QEL that the scenarios drive: the Linux program, or QEL.EXE
// under Wine. Input goes through the X server (XSession) for both; a target
// says how to start the program and how to read what its controls show.
#ifndef QEL_TESTS_TARGET_H
#define QEL_TESTS_TARGET_H

#include <memory>
#include <string>
#include <vector>

#include "x_session.h"

class Target {
 public:
  virtual ~Target() = default;

  virtual std::string Name() const = 0;
  // Once per test run, before the first Start (a Wine prefix, say).
  virtual bool Prepare(XSession&) { return true; }
  // Starts a fresh program; true once its main dialog is mapped.
  virtual bool Start(XSession& x) = 0;
  // What control `id` of the dialog with this caption shows now.
  virtual std::string ControlText(const std::string& caption, int id) = 0;
  // Beeps the program has given since Start.
  virtual int Beeps() = 0;
  // The exit code, -1 while it still runs after timeoutMs.
  virtual int WaitForExit(int timeoutMs) = 0;
  virtual void Stop() = 0;
};

// QEL's users read Italian: every build starts in an Italian locale, which
// the edit controls' context menus follow.
inline std::vector<std::string> ItalianUserEnvironment() {
  return {"LANG=it_IT.UTF-8", "LC_ALL=", "LC_MESSAGES="};
}

std::unique_ptr<Target> MakeLinuxTarget(const std::string& program);
std::unique_ptr<Target> MakeWineTarget(const std::string& program);

#endif
