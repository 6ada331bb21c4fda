// A child program started with its own environment additions.
#ifndef QEL_TESTS_PROCESS_H
#define QEL_TESTS_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

// Where a child's standard streams go: a descriptor of ours, or /dev/null.
struct Redirections {
  int in = -1, out = -1, err = -1;  // -1: /dev/null
};

// Runs in a process group of its own, so that killing it also ends what it
// started (Wine's helpers) and never reaches the test itself.
class ChildProcess {
 public:
  ~ChildProcess() { Kill(); }
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             Redirections io = {});
  bool Running();
  int WaitForExit(int timeoutMs);  // exit code; -1 on time-out, -2 when killed by a signal
  void Kill(int signal = 9 /* SIGKILL */);
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

// A driver that answers each command line with one line: sends `command`
// on `to`, reads from `from` into `received` until a whole line is there
// (its CR, if any, dropped), or "" after `timeoutMs` or a closed pipe.
std::string AskDriver(int to, int from, std::string* received, const std::string& command, int timeoutMs);

#endif
