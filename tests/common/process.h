// Runs a program as a child process and collects its exit code and output, for end-to-end tests.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

struct ProcessResult {
  int exitCode = -1;  // -1: killed by a signal or timed out
  bool timedOut = false;
  std::string out, err;
};

struct ProcessOptions {
  std::vector<std::string> env;  // NAME=VALUE added to the inherited environment
  std::vector<std::string> unset;
  std::string cwd;
  int timeoutMs = 60000;
  std::string outputFile;  // StartProcess: standard output and error go here (default: discarded)
};

inline ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& o = {}) {
  ProcessResult r;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) || pipe(errPipe)) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    for (const auto& name : o.unset) unsetenv(name.c_str());
    for (const auto& kv : o.env) putenv(const_cast<char*>(kv.c_str()));
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(o.timeoutMs);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    int left = (int)std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now())
                   .count();
    if (left <= 0) {
      r.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, left) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buf, (size_t)n);
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Starts a program in the background with its output discarded; returns its pid or -1.
inline pid_t StartProcess(const std::vector<std::string>& argv, const ProcessOptions& o = {}) {
  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) dup2(devnull, 0);
    int out = o.outputFile.empty() ? devnull : open(o.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    for (const auto& name : o.unset) unsetenv(name.c_str());
    for (const auto& kv : o.env) putenv(const_cast<char*>(kv.c_str()));
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

// Waits for a background process. After the timeout it is killed (or, without killOnTimeout,
// left running). Returns the exit code, or -1.
inline int WaitProcess(pid_t pid, int timeoutMs, bool killOnTimeout = true) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      if (!killOnTimeout) return -1;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    usleep(10000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string FindOnPath(const std::string& name) {
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}
