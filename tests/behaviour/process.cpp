#include "process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "x_session.h"

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment) {
  pid_ = fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    setpgid(0, 0);  // so that Kill() also ends what the program starts (wineserver...)
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  reaped_ = false;
  return true;
}

bool ChildProcess::Running() {
  if (pid_ <= 0 || reaped_) return false;
  if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return !reaped_;
}

int ChildProcess::WaitForExit(int timeoutMs) {
  for (int waited = 0; Running(); waited += 10) {
    if (waited >= timeoutMs) return -1;
    SleepMs(10);
  }
  if (pid_ <= 0) return -1;
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -2;
}

void ChildProcess::Kill() {
  if (!Running()) return;
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);
  waitpid(pid_, &status_, 0);
  reaped_ = true;
}
