#include "process.h"

#include <fcntl.h>
#include <poll.h>
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

std::string AskDriver(int to, int from, std::string* received, const std::string& command, int timeoutMs) {
  if (to < 0) return "";
  const std::string line = command + "\n";
  if (write(to, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return "";
  for (int waited = 0;;) {
    const size_t end = received->find('\n');
    if (end != std::string::npos) {
      std::string answer = received->substr(0, end);
      received->erase(0, end + 1);
      if (!answer.empty() && answer.back() == '\r') answer.pop_back();
      return answer;
    }
    if (waited >= timeoutMs) return "";
    pollfd readable = {from, POLLIN, 0};
    if (poll(&readable, 1, 100) > 0) {
      char buffer[512];
      const ssize_t count = read(from, buffer, sizeof buffer);
      if (count <= 0) return "";
      received->append(buffer, static_cast<size_t>(count));
    } else {
      waited += 100;
    }
  }
}
