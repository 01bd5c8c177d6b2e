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

/// Runs program with arguments (no shell), standard input closed, and
/// collects its output, exit status and peak memory.
RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments);

/// Runs the built dravenik.
RunResult runTool(const std::vector<std::string>& arguments);

} // namespace dravenik::test
