// A random soak of the real main dialog on a private Xvfb: seeded steps of
// typing, editing keys, selections, pastes of any bytes, cuts, clicks, Tab
// and the About box. After each step has settled the three fields must
// agree, the program must still run, and at the end its resident memory
// must not have grown. The steps depend on the seed alone, so a failure is
// rerun exactly with the seed it prints.
//   soak_test PROGRAM [--seed N] [--steps N] [--verbose] [--no-rss-check]
// (--no-rss-check for a program under AddressSanitizer, whose quarantine of
// freed memory grows the resident set by design; LeakSanitizer checks it.)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <random>
#include <string>

#include "../behaviour/process.h"
#include "../behaviour/x_session.h"

namespace {

const char kMain[] = "QEL ";
const char kAbout[] = "About ...";
const int kFieldIds[] = {101, 102, 103};

// Where the controls sit, as fractions of their dialog (from the templates:
// the main dialog is 101x49 units, the About box 135x120).
const double kFieldRows[] = {8.0 / 49, 24.0 / 49, 41.0 / 49};
const double kFieldLeft = 14.0 / 101, kFieldRight = 81.0 / 101;
const double kAboutButtonX = 92.5 / 101, kAboutButtonY = 24.0 / 49;
const double kUscitaX = 67.0 / 135, kUscitaY = 110.0 / 120;

// Growth of the resident set tolerated after the warm-up: caches of glyphs
// for characters not drawn before, the clipboard's last contents.
const long kRssSlackKb = 1536;

struct Options {
  std::string program;
  unsigned long seed = 0;
  bool seeded = false;
  int steps = 150;
  bool verbose = false;  // every step and what the fields show after it
  bool checkRss = true;
};

// One generated step: a readable line, and how to do it.
struct Step {
  enum Kind { kType, kKey, kPaste, kClick, kAbout } kind;
  std::string text;  // characters to type, a key combination, bytes to paste
  int field = 0;     // kClick: which field; kAbout: how it is closed
  double where = 0;  // kClick: across the field

  std::string Describe() const {
    switch (kind) {
      case kType: return "type \"" + Printable(text) + '"';
      case kKey: return "key " + text;
      case kPaste: return "paste \"" + Printable(text) + '"';
      case kClick: return "click field " + std::to_string(kFieldIds[field]) + " at " + std::to_string(where);
      case kAbout: return std::string("About box, closed by ") + (field == 0 ? "Esc" : field == 1 ? "Uscita" : "the close box");
    }
    return "?";
  }

  static std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
      char hex[8];
      if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') out += static_cast<char>(c);
      else std::snprintf(hex, sizeof hex, "\\x%02X", c), out += hex;
    }
    return out;
  }
};

class StepGenerator {
 public:
  explicit StepGenerator(unsigned long seed) : rng_(seed) {}

  Step Next() {
    const int roll = Uniform(0, 99);
    if (roll < 30) return {Step::kType, Characters(Uniform(1, 4), false)};
    if (roll < 62) return {Step::kKey, Pick(kKeys)};
    if (roll < 72) return {Step::kPaste, Characters(Uniform(0, 100), true)};
    if (roll < 80) return {Step::kKey, "ctrl+a"};  // and the next typing goes over it
    if (roll < 97) return {Step::kClick, "", Uniform(0, 2), Uniform(0, 1000) / 1000.0};
    return {Step::kAbout, "", Uniform(0, 2)};
  }

 private:
  static constexpr const char* kKeys[] = {
      "BackSpace",   "Delete",    "Home",       "End",        "Left",      "Right",
      "shift+Left",  "shift+Right", "shift+Home", "shift+End", "Up",        "Down",
      "ctrl+x",      "ctrl+c",    "ctrl+v",     "Tab",        "shift+Tab", "Tab",
      "ctrl+z",      "shift+Delete", "ctrl+Delete", "ctrl+Left", "ctrl+BackSpace", "shift+Insert",
  };

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  template <size_t N>
  std::string Pick(const char* const (&choices)[N]) { return choices[Uniform(0, N - 1)]; }

  // Mostly digits of some base, so that changes are accepted often enough to
  // move the values; the rest any printable character, or for pastes any
  // byte at all.
  std::string Characters(int count, bool anyByte) {
    static const char kDigits[] = "0123456789abcdefABCDEF";
    std::string text;
    for (int i = 0; i < count; i++) {
      const int kind = Uniform(0, 9);
      if (kind < 6) text += kDigits[Uniform(0, sizeof kDigits - 2)];
      else if (kind < 8 || !anyByte) text += static_cast<char>(Uniform(0x20, 0x7E));
      else text += static_cast<char>(Uniform(0x00, 0xFF));
    }
    return text;
  }

  std::mt19937_64 rng_;
};

struct Fields {
  std::string text[3];
  int bells = 0;
  bool operator==(const Fields& f) const {
    return text[0] == f.text[0] && text[1] == f.text[1] && text[2] == f.text[2] && bells == f.bells;
  }
};

// The property holds "id<TAB>text" lines; a pasted newline may sit inside a
// text, so each text runs up to the next control's line.
Fields ParseTexts(const std::string& property) {
  Fields fields;
  for (int i = 0; i < 3; i++) {
    const std::string start = std::to_string(kFieldIds[i]) + '\t';
    const std::string next = '\n' + std::to_string(i < 2 ? kFieldIds[i + 1] : 104) + '\t';
    size_t from = property.compare(0, start.size(), start) == 0 ? 0 : property.find('\n' + start);
    if (from == std::string::npos) {
      fields.text[i] = "<missing>";
      continue;
    }
    from = property.find('\t', from) + 1;
    const size_t to = property.find(next, from);
    fields.text[i] = property.substr(from, to == std::string::npos ? std::string::npos : to - from);
  }
  return fields;
}

// A field's value when its text is a valid entry of its base, as the
// validators' rules have it; -1 otherwise, and for an empty hexadecimal or
// octal field, which converts to nothing. The fields that the program
// writes are never in small letters: both carry ES_UPPERCASE.
long long ValueOf(int field, const std::string& text) {
  static const char* const kDigits[] = {"0123456789", "0123456789ABCDEF", "01234567"};
  static const size_t kLongest[] = {9, 8, 10};
  static const int kBases[] = {10, 16, 8};
  if (text.find_first_not_of(kDigits[field]) != std::string::npos || text.size() > kLongest[field]) return -1;
  if (field == 1 && text.size() == 8 && text[0] > '3') return -1;
  if (text.empty()) return field == 0 ? 0 : -1;  // atol("") is 0
  return std::strtoll(text.c_str(), nullptr, kBases[field]);
}

// The field being edited may show a refused text that its Backspace could
// not take back, and an emptied hexadecimal or octal field stands for no
// value; every other field shows the one value that the last accepted
// change gave all three.
std::string Disagreement(const Fields& f) {
  long long value = -1;
  for (int i = 0; i < 3; i++) {
    const long long v = ValueOf(i, f.text[i]);
    if (v < 0) continue;
    if (value >= 0 && v != value) return "the fields denote different values";
    value = v;
  }
  for (const char c : f.text[1])
    if (c >= 'a' && c <= 'z') return "small letters in the hexadecimal field";
  return "";
}

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
  return -1;
}

class Soak {
 public:
  Soak(XSession& x, const Options& options) : x_(x), options_(options) {}

  int Run() {
    Redirections io;
    io.err = 2;
    if (!qel_.Start({options_.program}, {"DISPLAY=" + x_.display()}, io)) return Fail("cannot start");
    main_ = x_.FindWindow(kMain, 10000);
    if (!main_) return Fail("no main dialog");
    x_.Focus(main_);

    StepGenerator steps(options_.seed);
    long warmRss = -1, peakRss = 0;
    for (int i = 1; i <= options_.steps; i++) {
      const Step step = steps.Next();
      Remember(i, step);
      if (!Perform(step)) return Fail("the step could not be done");
      const Fields shown = Settled();
      if (options_.verbose) Show(i, step, shown);
      if (!qel_.Running()) return Fail("the program ended");
      const std::string fault = Disagreement(shown);
      if (!fault.empty()) return Fail(fault, &shown);
      const long rss = ResidentKb(qel_.pid());
      peakRss = std::max(peakRss, rss);
      if (i == options_.steps / 4) warmRss = rss;
    }
    const long endRss = ResidentKb(qel_.pid());
    std::printf("soak: %d steps, VmRSS %ld kB after warm-up, %ld kB at the end, peak %ld kB\n",
                options_.steps, warmRss, endRss, peakRss);
    if (options_.checkRss && warmRss > 0 && endRss > warmRss + kRssSlackKb)
      return Fail("the resident set grew");

    x_.Key("Escape");
    const int code = qel_.WaitForExit(5000);
    if (code != 0) return Fail("Esc did not end the program with 0 (got " + std::to_string(code) + ")");
    return 0;
  }

 private:
  bool Perform(const Step& step) {
    switch (step.kind) {
      case Step::kType: x_.Type(step.text, 20); return true;
      case Step::kKey: x_.Key(step.text); return true;
      case Step::kPaste: x_.SetClipboard(step.text); x_.Key("ctrl+v"); return true;
      case Step::kClick:
        x_.Click(main_, kFieldLeft + step.where * (kFieldRight - kFieldLeft), kFieldRows[step.field]);
        return true;
      case Step::kAbout: return AboutBox(step.field);
    }
    return false;
  }

  bool AboutBox(int closeBy) {
    x_.Click(main_, kAboutButtonX, kAboutButtonY);
    const Window about = x_.FindWindow(kAbout, 5000);
    if (!about) return false;
    if (closeBy == 0) x_.Key("Escape");
    else if (closeBy == 1) x_.Click(about, kUscitaX, kUscitaY);
    else x_.Close(about);
    if (!x_.WaitUntilGone(kAbout, 5000)) return false;
    x_.Focus(main_);
    return true;
  }

  // Until nothing has changed for a while: the program has handled the
  // keys, the Backspaces it injected, and any paste.
  Fields Settled() {
    Fields last = Read();
    for (int quiet = 0, waited = 0; quiet < 150 && waited < 5000; waited += 25) {
      SleepMs(25);
      const Fields now = Read();
      quiet = now == last ? quiet + 25 : 0;
      last = now;
    }
    return last;
  }

  Fields Read() {
    Fields f = ParseTexts(x_.Property(main_, "_QEL_CONTROL_TEXTS"));
    f.bells = x_.Bells();
    return f;
  }

  static void Show(int number, const Step& step, const Fields& f) {
    std::printf("%d: %s -> \"%s\" \"%s\" \"%s\", %d beeps\n", number, step.Describe().c_str(),
                Step::Printable(f.text[0]).c_str(), Step::Printable(f.text[1]).c_str(),
                Step::Printable(f.text[2]).c_str(), f.bells);
  }

  void Remember(int number, const Step& step) {
    recent_.push_back(std::to_string(number) + ": " + step.Describe());
    if (recent_.size() > 12) recent_.pop_front();
  }

  int Fail(const std::string& what, const Fields* shown = nullptr) {
    std::fprintf(stderr, "soak: %s\n", what.c_str());
    for (const std::string& line : recent_) std::fprintf(stderr, "  %s\n", line.c_str());
    if (shown)
      std::fprintf(stderr, "  fields: \"%s\" \"%s\" \"%s\"\n", Step::Printable(shown->text[0]).c_str(),
                   Step::Printable(shown->text[1]).c_str(), Step::Printable(shown->text[2]).c_str());
    std::fprintf(stderr, "soak: rerun with --seed %lu --steps %d\n", options_.seed, options_.steps);
    return 1;
  }

  XSession& x_;
  const Options& options_;
  ChildProcess qel_;
  Window main_ = 0;
  std::deque<std::string> recent_;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg == "--seed" && i + 1 < argc) options->seed = std::strtoul(argv[++i], nullptr, 10), options->seeded = true;
    else if (arg == "--steps" && i + 1 < argc) options->steps = std::atoi(argv[++i]);
    else if (arg == "--verbose") options->verbose = true;
    else if (arg == "--no-rss-check") options->checkRss = false;
    else if (options->program.empty() && arg[0] != '-') options->program = arg;
    else return false;
  }
  return !options->program.empty() && options->steps > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: soak_test PROGRAM [--seed N] [--steps N] [--verbose] [--no-rss-check]\n");
    return 2;
  }
  if (!options.seeded) options.seed = std::random_device()() & 0xFFFFFFFFu;
  std::printf("soak: seed %lu\n", options.seed);
  std::fflush(stdout);

  XSession x;
  if (!x.Start()) {
    std::fprintf(stderr, "soak: cannot start Xvfb\n");
    return 1;
  }
  return Soak(x, options).Run();
}
