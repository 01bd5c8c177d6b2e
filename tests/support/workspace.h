#pragma once

#include "constants.h"
#include "support/run_tool.h"
#include "support/temp_dir.h"

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
///
/// When DRAVENIK_WINDOWS_TOOL names the Windows build (and
/// DRAVENIK_WINDOWS_RUNNER what runs it, such as Wine), every run also runs
/// that build on a copy of the folder as it was before the run, and checks
/// that both builds print the same, end with the same status and leave the
/// same files. A name's bytes are, for the Windows build, its bytes in the
/// Windows code page (DRAVENIK_WINDOWS_CODE_PAGE, 1252 under Wine here): the
/// copy holds the characters that code page gives them, so both builds see
/// the same bytes. Folders that Windows cannot hold (links, FIFOs, devices,
/// names it forbids or has no characters for, names equal but for case) are
/// left to the Linux build alone. DRAVENIK_WINDOWS_LOG, if set, names a file
/// that gets one line per run: compared (and whether both agreed) or why not.
struct Workspace {
  TempDir root;
  /// False for a test whose fault the Windows build cannot see (a lock held
  /// by the test, say) or whose size makes a second run pointless.
  bool windowsComparable = true;
  /// How many runs were also made by the Windows build and compared.
  mutable int windowsRuns = 0;

  Workspace() {
    root.makeDir("proj");
    root.makeDir("out");
  }
  std::string proj() const { return root.at("proj"); }
  std::string out() const { return root.at("out"); }
  std::string output(const std::string& name) const { return root.at("out/" + name); }
  /// Runs the tool from proj into out.
  RunResult run() const { return runWith({proj(), out()}); }
  /// Runs the tool with arguments; whatever happens, nothing may reach
  /// standard error.
  RunResult runWith(const std::vector<std::string>& arguments) const;
};

/// "p101.asm" for 1, and so on: names that the search delivers in number order.
inline std::string programName(int number) {
  std::string name = "p";
  name += std::to_string(100 + number);
  name += ".asm";
  return name;
}

} // namespace dravenik::test
