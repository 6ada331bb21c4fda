// A build of QEL that the scenarios drive: the Linux program, QEL.EXE under
// Wine, or the web page in a browser. Input goes through the X server
// (XSession) for the desktop builds, through the browser for the page; a
// target says how to start the program and how to read what its controls
// show.
#ifndef QEL_TESTS_TARGET_H
#define QEL_TESTS_TARGET_H

#include <memory>
#include <string>
#include <vector>

#include "x_session.h"

// How a user acts on a build and sees its windows, named by caption.
class Desk {
 public:
  virtual ~Desk() = default;
  // Keys as real key events: characters, and xdotool-style combinations
  // such as "ctrl+v", "shift+Tab", "Escape".
  virtual void Type(const std::string& text, int delayMs) = 0;
  virtual void Key(const std::string& combination) = 0;
  virtual void Hold(const std::string& key, bool down) = 0;  // a key kept down across steps
  virtual void SetClipboard(const std::string& text) = 0;
  virtual bool Click(const std::string& caption, double fx, double fy) = 0;  // at a fraction of it
  virtual bool Focus(const std::string& caption) = 0;
  virtual bool Close(const std::string& caption) = 0;  // its close box
  virtual bool Shown(const std::string& caption, int timeoutMs) = 0;
  virtual bool Gone(const std::string& caption, int timeoutMs) = 0;
  // What an item of a browser's own context menu runs, by its editing
  // command ("paste", "selectAll"); desktop menus are driven by keys.
  virtual bool MenuCommand(const std::string&) { return false; }
  // Text composed by an input method, a character at a time, then
  // committed, as a CJK input method or a phone's keyboard sends it.
  virtual bool Compose(const std::string&) { return false; }
  // Whether its keyboard has the key or combination ("shift+Tab"): a
  // phone's has no Tab, arrows or modifiers, and a row that needs one is
  // skipped there.
  virtual bool HasKey(const std::string&) const { return true; }
};

class Target {
 public:
  virtual ~Target() = default;

  virtual std::string Name() const = 0;
  // Once per test run, before the first Start (a Wine prefix, say).
  virtual bool Prepare(XSession&) { return true; }
  // Starts a fresh program; true once its main dialog is mapped.
  virtual bool Start(XSession& x) = 0;
  // The same, the keys pressed the moment the dialog maps; false where
  // keys cannot be timed so.
  virtual bool StartPressing(XSession&, const std::vector<std::string>& /*combinations*/) { return false; }
  // What control `id` of the dialog with this caption shows now.
  virtual std::string ControlText(const std::string& caption, int id) = 0;
  // Beeps the program has given since Start.
  virtual int Beeps() = 0;
  // The exit code, -1 while it still runs after timeoutMs.
  virtual int WaitForExit(int timeoutMs) = 0;
  virtual void Stop() = 0;
  // Where the user acts, if not on the X server.
  virtual Desk* OwnDesk() { return nullptr; }
};

// QEL's users read Italian: every build starts in an Italian locale, which
// the edit controls' context menus follow.
inline std::vector<std::string> ItalianUserEnvironment() {
  return {"LANG=it_IT.UTF-8", "LC_ALL=", "LC_MESSAGES="};
}

std::unique_ptr<Target> MakeLinuxTarget(const std::string& program);
std::unique_ptr<Target> MakeWineTarget(const std::string& program);
// The page that the web build leaves in siteFolder, in "chromium", "chromium-phone" (its
// phone emulation), "firefox" or "webkit".
std::unique_ptr<Target> MakeWebTarget(const std::string& browser, const std::string& siteFolder);

#endif
