// Bad input and bad luck: every failure stops the run with its message and
// status 1, and leaves alone every file it did not come to.

#include "support/workspace.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dravenik {
namespace {

using test::kHeader;
using test::Workspace;

const std::vector<std::string> kOutputs = {"prginc.asm", "prglst.dat", "prgsrc.asm", "prgscr.dat"};
const std::string kPhase1 = "Including project files... ";
const std::string kPhase2 = "Including project files... ok\nParsing source code... ";
constexpr uid_t kNobody = 65534;

/// Content of each of paths (relative to root) that is a regular file.
std::map<std::string, std::string> snapshot(const test::TempDir& root,
                                            const std::vector<std::string>& paths) {
  std::map<std::string, std::string> files;
  for (const std::string& path : paths) {
    struct stat info {};
    if (::lstat(root.at(path).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      files[path] = test::readFile(root.at(path));
    }
  }
  return files;
}

/// Runs the tool as an unprivileged user when the tests run as root, so that
/// file permissions apply; nullopt when that is not possible here.
std::optional<test::RunResult> runUnprivileged(const Workspace& ws) {
  if (::geteuid() != 0) {
    return ws.run();
  }
  const char* setpriv = "/usr/bin/setpriv";
  if (::access(setpriv, X_OK) != 0) {
    return std::nullopt;
  }
  ::chmod(ws.root.path().c_str(), 0755);
  const std::string nobody = std::to_string(kNobody);
  return test::runProgram(setpriv, {"--reuid=" + nobody, "--regid=" + nobody, "--clear-groups",
                                    test::toolPath(), ws.proj(), ws.out()});
}

struct FaultCase {
  const char* what;
  /// Sets the fault up; the workspace holds proj/a.asm and a stale file for
  /// each output, written by an earlier run.
  void (*prepare)(const Workspace&);
  /// The console after the header; <out> and <proj> stand for the folders.
  std::string console;
  /// Files (relative to the workspace) that must keep what they held.
  std::vector<std::string> unchanged;
  bool unprivileged = false;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.what;
}

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, StopsWithItsMessageAndLeavesOtherFilesAlone) {
  const FaultCase& c = GetParam();
  Workspace ws;
  ws.root.write("proj/a.asm", "nop\n");
  for (const std::string& name : kOutputs) {
    ws.root.write("out/" + name, "stale " + name);
  }
  c.prepare(ws);
  const auto before = snapshot(ws.root, c.unchanged);
  ASSERT_EQ(before.size(), c.unchanged.size()) << "every unchanged file exists beforehand";

  std::optional<test::RunResult> result = c.unprivileged ? runUnprivileged(ws) : ws.run();
  // A skip would not show its reason in the test summary: fail and say why.
  ASSERT_TRUE(result.has_value())
      << "cannot run as an unprivileged user: the tests run as root and "
         "/usr/bin/setpriv (Debian package util-linux) is missing";
  std::string expected = kHeader + c.console;
  for (const auto& [token, path] :
       {std::pair{std::string("<out>"), ws.out()}, std::pair{std::string("<proj>"), ws.proj()}}) {
    if (const auto at = expected.find(token); at != std::string::npos) {
      expected.replace(at, token.size(), path);
    }
  }
  EXPECT_EQ(result->status, 1);
  EXPECT_EQ(result->out, expected);
  EXPECT_EQ(result->err, "");
  EXPECT_EQ(snapshot(ws.root, c.unchanged), before);
}

void linkToFullDisk(const Workspace& ws, const std::string& name) {
  ws.root.remove("out/" + name);
  ws.root.link("out/" + name, "/dev/full");
}

const std::vector<std::string> kStaleOutputs = {"out/prginc.asm", "out/prglst.dat",
                                                "out/prgsrc.asm", "out/prgscr.dat"};
const std::vector<std::string> kStalePhase2 = {"out/prgsrc.asm", "out/prgscr.dat"};

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"missing output folder",
                  [](const Workspace& ws) { ws.root.remove("out"); },
                  kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: No such file or "
                            "directory.\n\n",
                  {"proj/a.asm"}},
        FaultCase{"output folder is a file",
                  [](const Workspace& ws) {
                    ws.root.remove("out");
                    ws.root.write("out", "a file");
                  },
                  kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: Not a directory.\n\n",
                  {"out"}},
        FaultCase{"output folder not writable",
                  [](const Workspace& ws) { ::chmod(ws.out().c_str(), 0555); },
                  kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: Permission denied.\n\n",
                  kStaleOutputs, true},
        FaultCase{"project file not readable",
                  [](const Workspace& ws) {
                    ws.root.write("proj/b.asm", "secret\n");
                    ::chmod(ws.root.at("proj/b.asm").c_str(), 0);
                    ::chmod(ws.out().c_str(), 0777);
                    for (const std::string& name : kOutputs) {
                      ::chmod(ws.output(name).c_str(), 0666);
                    }
                  },
                  kPhase2 + "\nFatal Error: Cannot read project file <proj>/b.asm: Permission "
                            "denied.\n\n",
                  {"proj/a.asm"},
                  true},
        FaultCase{"full disk under the include file",
                  [](const Workspace& ws) { linkToFullDisk(ws, "prginc.asm"); },
                  kPhase1 + "\nFatal Error: Cannot write <out>/prginc.asm: No space left on "
                            "device.\n\n",
                  kStalePhase2},
        FaultCase{"full disk under the name list",
                  [](const Workspace& ws) { linkToFullDisk(ws, "prglst.dat"); },
                  kPhase1 + "\nFatal Error: Cannot write <out>/prglst.dat: No space left on "
                            "device.\n\n",
                  kStalePhase2},
        FaultCase{"full disk under the offset table",
                  [](const Workspace& ws) { linkToFullDisk(ws, "prgsrc.asm"); },
                  kPhase2 + "\nFatal Error: Cannot write <out>/prgsrc.asm: No space left on "
                            "device.\n\n",
                  {}},
        FaultCase{"full disk under the source text",
                  [](const Workspace& ws) { linkToFullDisk(ws, "prgscr.dat"); },
                  kPhase2 + "\nFatal Error: Cannot write <out>/prgscr.dat: No space left on "
                            "device.\n\n",
                  {}},
        FaultCase{"folder named like a program",
                  [](const Workspace& ws) { ws.root.makeDir("proj/b.asm"); },
                  kPhase2 + "\nFatal Error: Cannot read project file <proj>/b.asm: not a regular "
                            "file.\n\n",
                  {}},
        FaultCase{"FIFO named like a program",
                  [](const Workspace& ws) { ::mkfifo(ws.root.at("proj/b.asm").c_str(), 0644); },
                  kPhase2 + "\nFatal Error: Cannot read project file <proj>/b.asm: not a regular "
                            "file.\n\n",
                  {}},
        FaultCase{"link to a device named like a program",
                  [](const Workspace& ws) { ws.root.link("proj/b.asm", "/dev/zero"); },
                  kPhase2 + "\nFatal Error: Cannot read project file <proj>/b.asm: not a regular "
                            "file.\n\n",
                  {}},
        FaultCase{"dangling link named like a program",
                  [](const Workspace& ws) { ws.root.link("proj/b.asm", "nowhere"); },
                  kPhase2 + "\nFatal Error: Cannot read project file <proj>/b.asm: No such file "
                            "or directory.\n\n",
                  {}},
        FaultCase{"FIFO as the source text file",
                  [](const Workspace& ws) {
                    ws.root.remove("out/prgscr.dat");
                    ::mkfifo(ws.output("prgscr.dat").c_str(), 0644);
                  },
                  kPhase2 + "\nFatal Error: Cannot create <out>/prgscr.dat: No such device or "
                            "address.\n\n",
                  {}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
      std::string name;
      for (const char* c = info.param.what; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
          name += *c;
        }
      }
      return name;
    });

/// Holds an exclusive lock on a file or folder, as another run would.
struct HeldLock {
  int fd;
  explicit HeldLock(const std::string& path) : fd(::open(path.c_str(), O_RDONLY)) {
    EXPECT_GE(fd, 0) << path;
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << path;
  }
  ~HeldLock() { ::close(fd); }
};

TEST(BusyOutputTest, WaitsForNobodyAndTouchesNothing) {
  struct Case {
    const char* held;
    const char* console;
  };
  const Case cases[] = {
      {"out", "Cannot create <out>/prginc.asm: the output directory is in use by another run"},
      {"out/prginc.asm", "Cannot create <out>/prginc.asm: in use by another program"},
  };
  for (const Case& c : cases) {
    Workspace ws;
    ws.windowsComparable = false; // the test's lock is one Windows cannot see
    ws.root.write("proj/a.asm", "nop\n");
    for (const std::string& name : kOutputs) {
      ws.root.write("out/" + name, "stale " + name);
    }
    const auto before = snapshot(ws.root, kStaleOutputs);
    const HeldLock lock(ws.root.at(c.held));
    const test::RunResult result = ws.run();
    std::string message = c.console;
    message.replace(message.find("<out>"), 5, ws.out());
    EXPECT_EQ(result.status, 1) << c.held;
    EXPECT_EQ(result.out, kHeader + kPhase1 + "\nFatal Error: " + message + ".\n\n");
    EXPECT_EQ(snapshot(ws.root, kStaleOutputs), before) << c.held;
  }
}

TEST(BusyOutputTest, RunsStartedTogetherNeverMixTheirFiles) {
  // Two projects whose files differ in every output.
  Workspace ws;
  ws.root.makeDir("projA");
  ws.root.makeDir("projB");
  ws.root.makeDir("outA");
  ws.root.makeDir("outB");
  for (int i = 1; i <= 12; ++i) {
    ws.root.write("projA/" + test::programName(i), "move.l #" + std::to_string(i) + ",d0\n");
  }
  ws.root.write("projB/b.asm", std::string(100000, 'b'));
  ASSERT_EQ(ws.runWith({ws.root.at("projA"), ws.root.at("outA")}).status, 0);
  ASSERT_EQ(ws.runWith({ws.root.at("projB"), ws.root.at("outB")}).status, 0);
  const test::TempDir& root = ws.root;
  auto outputsOf = [&](const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : kOutputs) {
      files[name] = test::readFile(root.at(folder + "/" + name));
    }
    return files;
  };
  const auto fromA = outputsOf("outA");
  const auto fromB = outputsOf("outB");

  const std::string busy = kHeader + kPhase1 + "\nFatal Error: Cannot create " + ws.out() +
                           "/prginc.asm: the output directory is in use by another run.\n\n";
  for (int pair = 0; pair < 50; ++pair) {
    test::RunningProgram a = test::startProgram(test::toolPath(), {root.at("projA"), ws.out()});
    test::RunningProgram b = test::startProgram(test::toolPath(), {root.at("projB"), ws.out()});
    const test::RunResult resultA = test::finishProgram(a);
    const test::RunResult resultB = test::finishProgram(b);
    for (const test::RunResult* r : {&resultA, &resultB}) {
      EXPECT_TRUE(r->status == 0 ? r->out == test::kSuccess : r->status == 1 && r->out == busy)
          << r->out;
    }
    EXPECT_TRUE(resultA.status == 0 || resultB.status == 0);
    const auto now = outputsOf("out");
    EXPECT_TRUE(now == fromA || now == fromB) << "pair " << pair << " mixed two runs' files";
  }
}

TEST(ScaleTest, ScansAHugeFolderQuicklyWithoutKeepingWhatDoesNotMatch) {
  Workspace ws;
  ws.windowsComparable = false; // a second huge folder would only cost time
  const std::string filler(200, 'n');
  for (int i = 0; i < 100000; ++i) {
    const std::string path = ws.root.at("proj/" + filler + std::to_string(i) + ".txt");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
  }
  for (int i = 1; i <= 31; ++i) {
    ws.root.write("proj/" + test::programName(i), "nop\n");
  }
  const auto start = std::chrono::steady_clock::now();
  const test::RunResult result = ws.run();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.status, 0);
  EXPECT_LT(elapsed, std::chrono::seconds(1));
#if !defined(__SANITIZE_ADDRESS__)
  // 100,000 names of 200 bytes would take 20 MB if they were kept.
  EXPECT_LT(result.maxResidentKiB, 16 * 1024);
#endif
}

} // namespace
} // namespace dravenik
