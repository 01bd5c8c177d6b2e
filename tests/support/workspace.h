#pragma once

#include "constants.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dravenik::test {

/// The console up to the first progress text: title and credit.
inline const std::string kHeader = "\nDRAVENIK v.1.0\n" + std::string(kCredit);
/// The console of a complete run.
inline const std::string kSuccess =
    kHeader + "Including project files... ok\nParsing source code... ok\n\n";

/// A project folder "proj" and an output folder "out" side by side in one
/// temporary folder.
struct Workspace {
  TempDir root;
  Workspace() {
    root.makeDir("proj");
    root.makeDir("out");
  }
  std::string proj() const { return root.at("proj"); }
  std::string out() const { return root.at("out"); }
  std::string output(const std::string& name) const { return root.at("out/" + name); }
  /// Runs the tool from proj into out.
  RunResult run() const { return runChecked({proj(), out()}); }

  /// Runs the tool; whatever happens, nothing may reach standard error.
  static RunResult runChecked(const std::vector<std::string>& arguments) {
    RunResult result = runTool(arguments);
    EXPECT_EQ(result.err, "") << "nothing goes to standard error";
    return result;
  }
};

/// "p101.asm" for 1, and so on: names that the search delivers in number order.
inline std::string programName(int number) {
  std::string name = "p";
  name += std::to_string(100 + number);
  name += ".asm";
  return name;
}

} // namespace dravenik::test
