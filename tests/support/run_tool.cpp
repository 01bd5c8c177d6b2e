#include "support/run_tool.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dravenik::test {

namespace {

/// Drains both pipes together, so that neither can fill up and stall the child.
void drain(int outFd, int errFd, std::string& out, std::string& err) {
  char buffer[4096];
  bool outOpen = true;
  bool errOpen = true;
  while (outOpen || errOpen) {
    fd_set fds;
    FD_ZERO(&fds);
    if (outOpen) {
      FD_SET(outFd, &fds);
    }
    if (errOpen) {
      FD_SET(errFd, &fds);
    }
    if (::select(std::max(outFd, errFd) + 1, &fds, nullptr, nullptr, nullptr) < 0) {
      if (errno == EINTR) {
        continue;
      }
      ADD_FAILURE() << "select failed";
      return;
    }
    for (auto [fd, open, text] : {std::tie(outFd, outOpen, out), std::tie(errFd, errOpen, err)}) {
      if (open && FD_ISSET(fd, &fds)) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
          text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
          open = false;
        }
      }
    }
  }
}

} // namespace

RunningProgram startProgram(const std::string& program, const std::vector<std::string>& arguments) {
  RunningProgram running;
  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    return running;
  }
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return running;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program;
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    return running;
  }
  running.pid = pid;
  running.outFd = outPipe[0];
  running.errFd = errPipe[0];
  return running;
}

RunResult finishProgram(RunningProgram& running) {
  RunResult result;
  if (running.pid < 0) {
    return result;
  }
  drain(running.outFd, running.errFd, result.out, result.err);
  ::close(running.outFd);
  ::close(running.errFd);

  int status = 0;
  rusage usage{};
  while (::wait4(running.pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  running = RunningProgram{};
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.maxResidentKiB = usage.ru_maxrss;
  return result;
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments) {
  RunningProgram running = startProgram(program, arguments);
  return finishProgram(running);
}

std::string toolPath() {
  return DRAVENIK_EXECUTABLE;
}

RunResult runTool(const std::vector<std::string>& arguments) {
  return runProgram(toolPath(), arguments);
}

} // namespace dravenik::test
