// A child program started with its own environment additions.
#ifndef QEL_TESTS_PROCESS_H
#define QEL_TESTS_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

class ChildProcess {
 public:
  ~ChildProcess() { Kill(); }
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
  bool Running();
  int WaitForExit(int timeoutMs);  // exit code; -1 on time-out, -2 when killed by a signal
  void Kill();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

#endif
