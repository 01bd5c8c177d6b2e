// A run killed at any moment: stopped by SIGTERM or SIGINT, the folder holds
// exactly the previous complete set of files or exactly the new one; killed
// by SIGKILL, each file is whole, of one set or the other.

#include "support/workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace dravenik {
namespace {

using test::Workspace;

const std::vector<std::string> kOutputs = {"prginc.asm", "prglst.dat", "prgsrc.asm", "prgscr.dat"};
constexpr int kPrograms = 31;
constexpr std::size_t kProgramSize = std::size_t{2} << 20;
constexpr int kRunsPerSignal = 70;
const std::string kCleanListing = "prginc.asm\nprglst.dat\nprgscr.dat\nprgsrc.asm\n";

using FileSet = std::vector<std::string>;

FileSet outputsIn(const std::string& folder) {
  FileSet files;
  for (const std::string& name : kOutputs) {
    files.push_back(test::exists(folder + "/" + name) ? test::readFile(folder + "/" + name)
                                                      : "<missing>");
  }
  return files;
}

/// A project of kPrograms programs of about kProgramSize bytes of line.
void makeProject(const Workspace& ws, const std::string& folder, const std::string& line,
                 const std::string& prefix) {
  ws.root.makeDir(folder);
  std::string text;
  while (text.size() < kProgramSize) {
    text += line;
  }
  for (int i = 1; i <= kPrograms; ++i) {
    ws.root.write(folder + "/" + prefix + test::programName(i), text);
  }
}

struct Tally {
  int runs = 0;
  int kept = 0;     ///< the previous set stayed
  int replaced = 0; ///< the new set is complete
  int mixed = 0;    ///< whole files of both sets (SIGKILL between two renames)
};

TEST(KillTest, LeavesTheOldSetOrTheNewSetWhereverARunIsStopped) {
  Workspace ws;
  ws.windowsComparable = false;
  makeProject(ws, "projA", "        move.l  d0,(a0)+        ; A\r\n", "a");
  makeProject(ws, "projB", "\tnop\t; B\n", "b");
  const std::vector<std::string> projects = {ws.root.at("projA"), ws.root.at("projB")};
  std::vector<FileSet> sets;
  for (const char* folder : {"refA", "refB"}) {
    ws.root.makeDir(folder);
    ASSERT_EQ(test::runTool({projects[sets.size()], ws.root.at(folder)}).status, 0);
    sets.push_back(outputsIn(ws.root.at(folder)));
  }

  // How long a whole run takes here, so that the moments cover all of it.
  std::vector<long> durations;
  int current = 0;
  for (int i = 0; i < 3; ++i) {
    current = 1 - current;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(test::runTool({projects[current], ws.out()}).status, 0);
    durations.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count());
  }
  std::sort(durations.begin(), durations.end());
  const long runMicroseconds = durations[1];

  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> moment(0, runMicroseconds * 6 / 5);
  std::map<int, Tally> tallies;
  for (int run = 0; run < 3 * kRunsPerSignal; ++run) {
    const int signal = std::vector<int>{SIGKILL, SIGTERM, SIGINT}[run % 3];
    const int next = 1 - current;
    test::RunningProgram running = test::startProgram(test::toolPath(), {projects[next], ws.out()});
    ::usleep(static_cast<useconds_t>(moment(random)));
    ::kill(running.pid, signal);
    const test::RunResult result = test::finishProgram(running);
    Tally& tally = tallies[signal];
    ++tally.runs;
    const std::string where = "run " + std::to_string(run) + ", signal " + std::to_string(signal) +
                              ", seed " + std::to_string(seed);

    EXPECT_TRUE(result.status == 0 || result.status == 128 + signal) << where << ": " << result.out;
    const FileSet now = outputsIn(ws.out());
    const std::string listing = test::listing(ws.out());
    if (now == sets[current]) {
      ++tally.kept;
    } else if (now == sets[next]) {
      ++tally.replaced;
      current = next;
    } else {
      ++tally.mixed;
      EXPECT_EQ(signal, SIGKILL) << where << ": a held-back stop left a mixed set";
      for (std::size_t i = 0; i < kOutputs.size(); ++i) {
        EXPECT_TRUE(now[i] == sets[0][i] || now[i] == sets[1][i])
            << where << ": " << kOutputs[i] << " is torn";
      }
    }
    if (signal != SIGKILL) {
      EXPECT_EQ(listing, kCleanListing) << where << ": a stopped run left a file behind";
    }
    if (now != sets[current] || listing != kCleanListing) {
      // A killed run's strays and mixes: the next complete run clears them.
      ASSERT_EQ(test::runTool({projects[current], ws.out()}).status, 0) << where;
      ASSERT_EQ(outputsIn(ws.out()), sets[current]) << where;
      ASSERT_EQ(test::listing(ws.out()), kCleanListing) << where;
    }
  }

  for (const auto& [signal, tally] : tallies) {
    std::cout << "signal " << signal << ": " << tally.runs << " runs, " << tally.kept
              << " kept the old set, " << tally.replaced << " left the new set, " << tally.mixed
              << " mixed (run of " << runMicroseconds << " us, seed " << seed << ")\n";
    // The moments reach both sides of the commit.
    EXPECT_GT(tally.kept, 0) << "signal " << signal;
    EXPECT_GT(tally.replaced, 0) << "signal " << signal;
  }
  EXPECT_LE(tallies[SIGKILL].mixed * 100, 5 * tallies[SIGKILL].runs)
      << "SIGKILL mixed the sets more than a few times in 100";
}

} // namespace
} // namespace dravenik
