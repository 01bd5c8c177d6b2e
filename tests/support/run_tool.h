#pragma once

#include <string>
#include <vector>

namespace dravenik::test {

/// What one run of a program left behind.
struct RunResult {
  std::string out;
  std::string err;
  int status = -1;
  /// Peak resident memory of the run, in KiB.
  long maxResidentKiB = 0;
};

/// A program started and not yet waited for.
struct RunningProgram {
  int pid = -1;
  int outFd = -1;
  int errFd = -1;
};

/// Starts program with arguments (no shell), standard input closed.
RunningProgram startProgram(const std::string& program, const std::vector<std::string>& arguments);
/// Collects the output of a started program and waits for its end.
RunResult finishProgram(RunningProgram& running);

/// Runs program with arguments (no shell), standard input closed, and
/// collects its output, exit status and peak memory.
RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments);

/// The built dravenik.
std::string toolPath();

/// Runs the built dravenik.
RunResult runTool(const std::vector<std::string>& arguments);

} // namespace dravenik::test
