// Runs every scenario against every build named on the command line:
//   scenario_test [--settle-ms N] [--linux PATH] [--wine PATH.EXE]
//                 [--chromium SITE] [--chromium-phone SITE] [--firefox SITE] [--webkit SITE]
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "resource.h"
#include "scenarios.h"
#include "target.h"

namespace {

const int kFields[] = {ID_DECIMALE, ID_ESADECIMALE, ID_OTTALE};

// How long nothing may change before QEL counts as settled; slower builds
// (the sanitizers) need longer.
int settleMs = 250;

// One X server for the whole run, stopped when the program exits.
XSession& Session() {
  static XSession session;
  static const bool started = session.Start();
  if (!started) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    std::exit(1);
  }
  return session;
}

std::string Caption(const std::string& window) { return window == "about" ? "About ..." : "QEL "; }

// The desktop builds' desk: the X server, windows found by their names.
class XDesk : public Desk {
 public:
  explicit XDesk(XSession& x) : x_(x) {}

  void Type(const std::string& text, int delayMs) override { x_.Type(text, delayMs); }
  void Key(const std::string& combination) override { x_.Key(combination); }
  void Hold(const std::string& key, bool down) override { x_.Hold(key, down); }
  void SetClipboard(const std::string& text) override { x_.SetClipboard(text); }

  bool Click(const std::string& caption, double fx, double fy) override {
    const ::Window window = x_.FindWindow(caption, 5000);
    if (window) x_.Click(window, fx, fy);
    return window != 0;
  }

  bool Focus(const std::string& caption) override {
    const ::Window window = x_.FindWindow(caption, 5000);
    if (window) x_.Focus(window);
    return window != 0;
  }

  bool Close(const std::string& caption) override {
    const ::Window window = x_.FindWindow(caption, 5000);
    if (window) x_.Close(window);
    return window != 0;
  }

  bool Shown(const std::string& caption, int timeoutMs) override {
    return x_.FindWindow(caption, timeoutMs) != 0;
  }
  bool Gone(const std::string& caption, int timeoutMs) override {
    return x_.WaitUntilGone(caption, timeoutMs);
  }

 private:
  XSession& x_;
};

class ScenarioRun {
 public:
  ScenarioRun(Target& target, Desk& desk) : target_(target), desk_(desk) {}

  void Step(const std::string& step) {
    // The rest of the step whole, line breaks too (a pasted text may hold them).
    const std::string verb = step.substr(0, step.find(' '));
    const size_t restStart = step.find_first_not_of(' ', verb.size());
    const std::string rest = restStart == std::string::npos ? "" : step.substr(restStart);
    SCOPED_TRACE(step);

    if (verb == "only") OnlyOn(rest);
    else if (verb == "type") desk_.Type(rest, 40);
    else if (verb == "fast") desk_.Type(rest, 0);
    else if (verb == "key") Keys(rest);
    else if (verb == "restart") Restart(rest);
    else if (verb == "paste") Paste(rest);
    else if (verb == "clipboard") desk_.SetClipboard(rest);
    else if (verb == "hold") { if (Pressable(rest)) desk_.Hold(rest, true); }
    else if (verb == "release") desk_.Hold(rest, false);
    else if (verb == "expect") ExpectFields(rest);
    else if (verb == "beeps") ExpectBeeps(FigureForTarget(rest));
    else if (verb == "click") Click(rest);
    else if (verb == "menu") EXPECT_TRUE(desk_.MenuCommand(rest)) << "no such menu here";
    else if (verb == "compose") EXPECT_TRUE(desk_.Compose(rest)) << "no input method here";
    else if (verb == "focus") EXPECT_TRUE(desk_.Focus(Caption(rest))) << "no window " << rest;
    else if (verb == "close") EXPECT_TRUE(desk_.Close(Caption(rest))) << "no window " << rest;
    else if (verb == "shown") EXPECT_TRUE(desk_.Shown(Caption(rest), 5000));
    else if (verb == "gone") EXPECT_TRUE(desk_.Gone(Caption(rest), 5000));
    else if (verb == "running") EXPECT_EQ(target_.WaitForExit(200), -1) << "the program ended";
    else if (verb == "exit") EXPECT_EQ(target_.WaitForExit(5000), std::stoi(rest));
    else FAIL() << "unknown step";
  }

 private:
  // The rest of the scenario is for the builds named only.
  void OnlyOn(const std::string& targets) {
    std::istringstream names(targets);
    for (std::string name; names >> name;)
      if (name == target_.Name()) return;
    GTEST_SKIP() << "not for " << target_.Name();
  }

  // A row that needs a key this keyboard lacks is for other builds.
  bool Pressable(const std::string& combination) {
    if (desk_.HasKey(combination)) return true;
    [&] { GTEST_SKIP() << "no " << combination << " on " << target_.Name() << "'s keyboard"; }();
    return false;
  }

  // "N", or one figure per build ("linux=N wine=M") where what a build
  // does depends on its fonts.
  int FigureForTarget(const std::string& figures) {
    std::istringstream words(figures);
    for (std::string word; words >> word;) {
      const size_t equals = word.find('=');
      if (equals == std::string::npos) return std::stoi(word);
      if (word.substr(0, equals) == target_.Name()) return std::stoi(word.substr(equals + 1));
    }
    ADD_FAILURE() << "no figure for " << target_.Name();
    return -1;
  }

  void Keys(const std::string& keys) {
    std::istringstream combinations(keys);
    for (std::string combination; combinations >> combination;) {
      if (!Pressable(combination)) return;
      desk_.Key(combination);
      SleepMs(40);
    }
  }

  // A fresh program, and keys for it the moment its dialog maps.
  void Restart(const std::string& keys) {
    target_.Stop();
    Session().WaitUntilGone("QEL ", 2000);
    std::istringstream words(keys);
    std::vector<std::string> combinations;
    for (std::string combination; words >> combination;) combinations.push_back(combination);
    ASSERT_TRUE(target_.StartPressing(Session(), combinations)) << target_.Name() << ": no keys as it maps";
  }

  void Paste(const std::string& text) {
    if (!Pressable("ctrl+v")) return;
    desk_.SetClipboard(text);
    desk_.Key("ctrl+v");
  }

  void Click(const std::string& args) {
    std::istringstream words(args);
    std::string name;
    double fx, fy;
    words >> name >> fx >> fy;
    EXPECT_TRUE(desk_.Click(Caption(name), fx, fy)) << "no window " << name;
  }

  std::string Fields() {
    std::string shown;
    for (int id : kFields) {
      const std::string text = target_.ControlText("QEL ", id);
      shown += (shown.empty() ? "" : " ") + (text.empty() ? "-" : text);
    }
    return shown;
  }

  // Waits until nothing has changed for a while (the program has handled
  // everything, injected keys included), then reads.
  std::string Settled() {
    std::string last = Fields() + '/' + std::to_string(target_.Beeps());
    for (int quiet = 0, waited = 0; quiet < settleMs && waited < 5000 + settleMs; waited += 25) {
      SleepMs(25);
      const std::string now = Fields() + '/' + std::to_string(target_.Beeps());
      quiet = now == last ? quiet + 25 : 0;
      last = now;
    }
    return last;
  }

  void ExpectFields(const std::string& expected) {
    std::string shown = Settled();
    shown = shown.substr(0, shown.find('/'));
    EXPECT_EQ(shown, expected);
  }

  void ExpectBeeps(int expected) {
    Settled();
    EXPECT_EQ(target_.Beeps(), expected);
  }

  Target& target_;
  Desk& desk_;
};

class ScenarioTest : public testing::Test {
 public:
  ScenarioTest(Target* target, const Scenario* scenario) : target_(target), scenario_(scenario) {}

  void TestBody() override {
    XSession& x = Session();
    ASSERT_TRUE(target_->Start(x)) << target_->Name() << ": the main dialog did not appear";
    XDesk xDesk(x);
    ScenarioRun run(*target_, target_->OwnDesk() ? *target_->OwnDesk() : xDesk);
    for (const std::string& step : scenario_->steps) {
      run.Step(step);
      if (HasFatalFailure() || IsSkipped()) break;
    }
    target_->Stop();
    x.WaitUntilGone("QEL ", 2000);
  }

 private:
  Target* target_;
  const Scenario* scenario_;
};

void RegisterScenarios(Target* target) {
  if (!target->Prepare(Session())) {
    std::fprintf(stderr, "%s: cannot prepare the target\n", target->Name().c_str());
    std::exit(1);
  }
  for (const Scenario& scenario : Scenarios()) {
    testing::RegisterTest(target->Name().c_str(), scenario.name.c_str(), nullptr, nullptr, __FILE__,
                          __LINE__, [=]() -> testing::Test* { return new ScenarioTest(target, &scenario); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::vector<std::unique_ptr<Target>> targets;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--linux")) targets.push_back(MakeLinuxTarget(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--wine")) targets.push_back(MakeWineTarget(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--chromium")) targets.push_back(MakeWebTarget("chromium", argv[i + 1]));
    else if (!std::strcmp(argv[i], "--chromium-phone"))
      targets.push_back(MakeWebTarget("chromium-phone", argv[i + 1]));
    else if (!std::strcmp(argv[i], "--firefox")) targets.push_back(MakeWebTarget("firefox", argv[i + 1]));
    else if (!std::strcmp(argv[i], "--webkit")) targets.push_back(MakeWebTarget("webkit", argv[i + 1]));
    else if (!std::strcmp(argv[i], "--settle-ms")) settleMs = std::atoi(argv[i + 1]);
  }
  if (targets.empty()) {
    std::fprintf(stderr, "usage: %s [--linux QEL] [--wine QEL.EXE] [--chromium SITE] [--chromium-phone SITE] [--firefox SITE] [--webkit SITE]\n",
                 argv[0]);
    return 2;
  }
  for (auto& target : targets) RegisterScenarios(target.get());
  return RUN_ALL_TESTS();
}
