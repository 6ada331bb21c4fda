#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "x_session.h"

bool ChildProcess::Start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, Redirections io) {
  pid_ = fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    setpgid(0, 0);
    const int devnull = open("/dev/null", O_RDWR);
    dup2(io.in >= 0 ? io.in : devnull, 0);
    dup2(io.out >= 0 ? io.out : devnull, 1);
    dup2(io.err >= 0 ? io.err : devnull, 2);
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

void ChildProcess::Kill(int signal) {
  if (!Running()) return;
  kill(-pid_, signal);
  kill(pid_, signal);
  waitpid(pid_, &status_, 0);
  reaped_ = true;
}
