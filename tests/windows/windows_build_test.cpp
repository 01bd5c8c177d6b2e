// What only the Windows build can show, run under Wine beside the Linux
// build: files held open by another program, two runs at once (under one
// Wine server and under two), names and the system code page, long paths,
// what a killed run left, and the read-only attribute. Skipped unless
// tests/windows/differential.sh set the Windows side up (see README).

#include "support/workspace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dravenik {
namespace {

namespace fs = std::filesystem;
using test::kHeader;
using test::kSuccess;
using test::RunResult;
using test::TempDir;

const std::vector<std::string> kOutputs = {"prginc.asm", "prglst.dat", "prgsrc.asm", "prgscr.dat"};
const std::string kPhase1 = kHeader + "Including project files... ";
const std::string kBothPhases = kHeader + "Including project files... ok\nParsing source code... ";
/// A project file large enough that a run copying it is still under way
/// when the test has seen it start and stopped it.
constexpr off_t kLongRunBytes = off_t{128} << 20;
constexpr auto kStartTimeout = std::chrono::seconds(60);
constexpr auto kPoll = std::chrono::milliseconds(1);
/// One folder name of a deep path; three of them make a path of over 300 characters.
const std::string kLongFolderName(100, 'd');
constexpr std::size_t kLongPathLength = 300;

/// What runs the Windows build: set up by tests/windows/differential.sh.
struct WindowsSide {
  std::string runner;       ///< Wine
  std::string tool;         ///< the 64-bit dravenik.exe
  std::string holder;       ///< hold_file.exe (tests/windows/hold_file.cpp)
  std::string secondPrefix; ///< a Wine prefix with a server of its own
};

std::optional<WindowsSide> windowsSide() {
  const char* names[] = {"DRAVENIK_WINDOWS_RUNNER", "DRAVENIK_WINDOWS_TOOL",
                         "DRAVENIK_WINDOWS_HOLDER", "DRAVENIK_WINDOWS_SECOND_PREFIX"};
  std::vector<std::string> values;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
      return std::nullopt;
    }
    values.emplace_back(value);
  }
  return WindowsSide{values[0], values[1], values[2], values[3]};
}

const char* const kNoWindowsSide =
    "no Windows build to run (tests/windows/differential.sh runs it)";

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

/// The console with the line breaks the Linux build prints (the Windows
/// runtime writes CR LF).
RunResult withLinuxLineBreaks(RunResult result) {
  replaceAll(result.out, "\r\n", "\n");
  return result;
}

/// Runs the Windows build with arguments, in Wine prefix (and so under its
/// server) when one is given, else in the environment's.
RunResult runWindows(const WindowsSide& side, const std::vector<std::string>& arguments,
                     const std::string& prefix = {}) {
  std::vector<std::string> command = {side.runner, side.tool};
  command.insert(command.end(), arguments.begin(), arguments.end());
  if (prefix.empty()) {
    return withLinuxLineBreaks(test::runProgram(
        side.runner, std::vector<std::string>(command.begin() + 1, command.end())));
  }
  command.insert(command.begin(), "WINEPREFIX=" + prefix);
  return withLinuxLineBreaks(test::runProgram("/usr/bin/env", command));
}

/// Runs the Windows build while another Windows program holds path open
/// (mode "reading" or "writing", see hold_file.cpp).
RunResult runWindowsHolding(const WindowsSide& side, const std::string& path, const char* mode,
                            const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {side.holder, path, mode, side.tool};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return withLinuxLineBreaks(test::runProgram(side.runner, command));
}

/// Every entry of folder by name: a regular file's content (its size, for a
/// large one), or that it is something else.
std::map<std::string, std::string> folderOf(const std::string& folder) {
  constexpr std::uintmax_t kLargestRead = 1 << 20;
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    std::string& what = entries[entry.path().filename().string()];
    if (!entry.is_regular_file()) {
      what = "<not a file>";
    } else if (entry.file_size() > kLargestRead) {
      what = "<" + std::to_string(entry.file_size()) + " bytes>";
    } else {
      what = test::readFile(entry.path().string());
    }
  }
  return entries;
}

/// A project folder "proj" with two programs and an output folder "out"
/// holding an earlier run's files.
void makeProjectAndStaleOutputs(const TempDir& root) {
  root.makeDir("proj");
  root.makeDir("out");
  root.write("proj/a.asm", "nop\r\n");
  root.write("proj/b.asm", "rts\r\n");
  for (const std::string& name : kOutputs) {
    root.write("out/" + name, "stale " + name);
  }
}

TEST(WindowsBuildTest, LetsOneRunAtATimeTakeTheOutputFolder) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  struct Case {
    const char* what;
    std::string secondPrefix; // where the second run runs; empty: beside the first
    /// The output folder is the project folder: the first run has read its
    /// include file back through a handle of its own, and closed it, by
    /// the time it is stopped (a lock that closing any handle let go would
    /// be gone).
    bool intoProjectFolder;
  };
  const Case cases[] = {
      {"one Wine server", "", false},
      {"two Wine servers", side->secondPrefix, false},
      {"two Wine servers, output into the project folder", side->secondPrefix, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    makeProjectAndStaleOutputs(root);
    root.write("proj/z.asm", ""); // copied last
    ASSERT_EQ(::truncate(root.at("proj/z.asm").c_str(), kLongRunBytes), 0);
    const std::string proj = root.at("proj");
    const std::string out = c.intoProjectFolder ? proj : root.at("out");
    // Besides the run's new files: the three programs, or the old outputs.
    const std::size_t before = c.intoProjectFolder ? 3 : kOutputs.size();
    const std::size_t after = c.intoProjectFolder ? before + kOutputs.size() : kOutputs.size();

    // The first run is stopped once it is copying the long program, and so holds the folder.
    test::RunningProgram first = test::startProgram(side->runner, {side->tool, proj, out});
    const std::string copying = out + "/prgscr.dat.dravenik-new";
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    auto copied = [&copying] {
      std::error_code noFileYet;
      const std::uintmax_t size = fs::file_size(copying, noFileYet);
      return noFileYet ? 0 : size;
    };
    while (copied() <= kIoBlockSize && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(kPoll);
    }
    // Stopped, not just asked to stop: a write under way ends first.
    ASSERT_EQ(::kill(first.pid, SIGSTOP), 0);
    int stopped = 0;
    ASSERT_EQ(::waitpid(first.pid, &stopped, WUNTRACED), first.pid);
    ASSERT_TRUE(WIFSTOPPED(stopped));
    EXPECT_TRUE(test::exists(copying)) << "the first run was not caught under way";
    const auto during = folderOf(out);
    EXPECT_EQ(during.size(), before + kOutputs.size());

    const RunResult second = runWindows(*side, {proj, out}, c.secondPrefix);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.out, kPhase1 + "\nFatal Error: Cannot create " + out +
                              "\\prginc.asm: the output directory is in use by another run.\n\n");
    EXPECT_EQ(folderOf(out), during) << "the second run touched the folder";

    ASSERT_EQ(::kill(first.pid, SIGCONT), 0);
    const RunResult firstResult = withLinuxLineBreaks(test::finishProgram(first));
    EXPECT_EQ(firstResult.status, 0);
    EXPECT_EQ(firstResult.out, kSuccess);
    EXPECT_EQ(folderOf(out).size(), after);
    EXPECT_GT(fs::file_size(out + "/prgscr.dat"), static_cast<std::uintmax_t>(kLongRunBytes));
  }
}

/// Holds an exclusive lock on a file, as a program writing it would on Linux.
struct HeldLock {
  int fd;
  explicit HeldLock(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    EXPECT_GE(fd, 0) << path;
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << path;
  }
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  ~HeldLock() { ::close(fd); }
};

TEST(WindowsBuildTest, ReadsNoProjectFileThatAnotherProgramIsWriting) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  TempDir linux;
  TempDir windows;
  makeProjectAndStaleOutputs(linux);
  makeProjectAndStaleOutputs(windows);
  RunResult fromLinux;
  {
    const HeldLock lock(linux.at("proj/b.asm"));
    fromLinux = test::runTool({linux.at("proj"), linux.at("out")});
  }
  RunResult fromWindows = runWindowsHolding(*side, windows.at("proj/b.asm"), "writing",
                                            {windows.at("proj"), windows.at("out")});
  EXPECT_EQ(fromLinux.out, kBothPhases + "\nFatal Error: Cannot read project file " +
                               linux.at("proj") + "/b.asm: in use by another program.\n\n");
  replaceAll(fromWindows.out, windows.path(), linux.path());
  replaceAll(fromWindows.out, "\\", "/");
  EXPECT_EQ(fromWindows.out, fromLinux.out);
  EXPECT_EQ(fromWindows.status, fromLinux.status);
  EXPECT_EQ(folderOf(windows.at("out")), folderOf(linux.at("out")));
}

TEST(WindowsBuildTest, LeavesTheFolderAsItWasWhenAnOutputIsHeld) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  // Each output in turn is held by a program that reads it and lets nobody
  // move it: the commit stops before anything new stands anywhere, and
  // every old file that already stepped aside goes back. (The Linux build
  // replaces a file in use, which POSIX allows.)
  for (const std::string& held : kOutputs) {
    SCOPED_TRACE(held);
    TempDir root;
    makeProjectAndStaleOutputs(root);
    const auto before = folderOf(root.at("out"));
    const RunResult result = runWindowsHolding(*side, root.at("out/" + held), "reading",
                                               {root.at("proj"), root.at("out")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, kBothPhases + "\nFatal Error: Cannot create " + root.at("out") + "\\" +
                              held + ": in use by another program.\n\n");
    EXPECT_EQ(folderOf(root.at("out")), before);
  }
}

TEST(WindowsBuildTest, WritesANameInTheSystemCodePagesBytes) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  // The same name, "cafe" with an acute accent, on both sides. The Linux
  // build writes the file system's bytes (UTF-8: C3 A9); the Windows build
  // writes the system code page's (1252 under Wine here: E9), exactly as the
  // Linux build writes a name made of those bytes. One byte less changes the
  // name list's end mark too.
  const std::string utf8Name = "caf\xc3\xa9.asm";
  const std::string codePageName = "caf\xe9.asm";
  TempDir linux;
  TempDir linuxWithCodePageBytes;
  TempDir windows;
  for (const auto& [root, name] :
       {std::pair{&linux, utf8Name}, std::pair{&linuxWithCodePageBytes, codePageName},
        std::pair{&windows, utf8Name}}) {
    makeProjectAndStaleOutputs(*root);
    root->write("proj/" + name, "nop\r\n");
  }
  const RunResult fromLinux = test::runTool({linux.at("proj"), linux.at("out")});
  const RunResult fromLinuxWithCodePageBytes =
      test::runTool({linuxWithCodePageBytes.at("proj"), linuxWithCodePageBytes.at("out")});
  const RunResult fromWindows = runWindows(*side, {windows.at("proj"), windows.at("out")});
  EXPECT_EQ(fromLinux.status, 0);
  EXPECT_EQ(fromWindows.status, 0);
  EXPECT_EQ(fromWindows.out, fromLinux.out);
  EXPECT_EQ(test::readFile(linux.at("out/prglst.dat")), "a.asm\x80"
                                                        "b.asm\x80" +
                                                            utf8Name + std::string(1, '\0'));
  EXPECT_EQ(test::readFile(windows.at("out/prglst.dat")), "a.asm\x80"
                                                          "b.asm\x80" +
                                                              codePageName + std::string(2, '\0'));
  EXPECT_EQ(folderOf(windows.at("out")), folderOf(linuxWithCodePageBytes.at("out")));
}

TEST(WindowsBuildTest, RefusesANameOutsideTheSystemCodePage) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  // Cyrillic zhe has no place in code page 1252: no name the Windows build
  // could write would be the file's. The Linux build takes the file
  // system's bytes as they are.
  const std::string name = "\xd0\xb6.asm";
  TempDir linux;
  TempDir windows;
  for (const TempDir* root : {&linux, &windows}) {
    makeProjectAndStaleOutputs(*root);
    root->write("proj/" + name, "nop\r\n");
  }
  const auto before = folderOf(windows.at("out"));
  EXPECT_EQ(test::runTool({linux.at("proj"), linux.at("out")}).status, 0);
  const RunResult fromWindows = runWindows(*side, {windows.at("proj"), windows.at("out")});
  EXPECT_EQ(fromWindows.status, 1);
  EXPECT_EQ(fromWindows.out,
            kPhase1 + "\nFatal Error: Cannot read project file " + windows.at("proj") +
                "\\?.asm: the name cannot be written in the system code page.\n\n");
  EXPECT_EQ(folderOf(windows.at("out")), before);
}

TEST(WindowsBuildTest, WorksInAFolderDeeperThanThreeHundredCharacters) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  test::Workspace ws;
  const std::string deep = kLongFolderName + "/" + kLongFolderName + "/" + kLongFolderName;
  ws.root.makeDir(deep + "/proj");
  ws.root.makeDir(deep + "/out");
  ws.root.write(deep + "/proj/a.asm", "nop\r\n");
  ws.root.write(deep + "/out/prgscr.dat", "stale");
  const std::string proj = ws.root.at(deep + "/proj");
  ASSERT_GT(proj.size(), kLongPathLength);
  const RunResult result = ws.runWith({proj, ws.root.at(deep + "/out")});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kSuccess);
  EXPECT_EQ(ws.windowsRuns, 1) << "the Windows build ran beside the Linux build";
}

TEST(WindowsBuildTest, SortsOutWhatAKilledRunLeftWithoutLosingAFile) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  // A run killed in its commit: the old list already replaced (its old file
  // still aside), the old source text aside with no successor in place yet.
  // Whether the next run fails or completes, nothing of the user's is lost.
  struct Case {
    const char* what;
    bool programs;
    std::map<std::string, std::string> expected; // by name; "<new>": this run's
  };
  const Case cases[] = {
      {"a run without programs",
       false,
       {{"prginc.asm", " dc.l "},
        {"prglst.dat", "killed run's list"},
        {"prgsrc.asm", "stale prgsrc.asm"},
        {"prgscr.dat", "user's source text"}}},
      {"a complete run",
       true,
       {{"prginc.asm", "<new>"},
        {"prglst.dat", "<new>"},
        {"prgsrc.asm", "<new>"},
        {"prgscr.dat", "<new>"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    makeProjectAndStaleOutputs(root);
    if (!c.programs) {
      root.remove("proj/a.asm");
      root.remove("proj/b.asm");
    }
    root.write("out/prglst.dat", "killed run's list");
    root.write("out/prglst.dat.dravenik-old", "replaced list");
    root.remove("out/prgscr.dat");
    root.write("out/prgscr.dat.dravenik-old", "user's source text");
    root.write("out/prgsrc.asm.dravenik-new", "killed run's table");
    root.write("out/prginc.asm.dravenik-new", "killed run's include file");
    const RunResult result = runWindows(*side, {root.at("proj"), root.at("out")});
    EXPECT_EQ(result.status, c.programs ? 0 : 1) << result.out;
    const auto after = folderOf(root.at("out"));
    ASSERT_EQ(after.size(), c.expected.size());
    for (const auto& [name, content] : c.expected) {
      ASSERT_EQ(after.count(name), 1u) << name;
      if (content == "<new>") {
        EXPECT_FALSE(after.at(name).starts_with("stale") || after.at(name).starts_with("killed") ||
                     after.at(name).starts_with("user"))
            << name;
      } else {
        EXPECT_EQ(after.at(name), content) << name;
      }
    }
  }
}

TEST(WindowsBuildTest, KeepsTheReadOnlyAttributeOfAReplacedFile) {
  const std::optional<WindowsSide> side = windowsSide();
  if (!side) {
    GTEST_SKIP() << kNoWindowsSide;
  }
  TempDir root;
  makeProjectAndStaleOutputs(root);
  // Wine shows a file without write permission as read-only.
  for (const char* name : {"prginc.asm", "prgscr.dat"}) {
    ASSERT_EQ(::chmod(root.at(std::string("out/") + name).c_str(), 0444), 0);
  }
  const RunResult result = runWindows(*side, {root.at("proj"), root.at("out")});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kSuccess);
  for (const std::string& name : kOutputs) {
    struct stat info {};
    ASSERT_EQ(::stat(root.at("out/" + name).c_str(), &info), 0);
    const bool readOnly = name == "prginc.asm" || name == "prgscr.dat";
    EXPECT_EQ((info.st_mode & 0222) == 0, readOnly) << name;
    EXPECT_FALSE(test::readFile(root.at("out/" + name)).starts_with("stale")) << name;
  }
}

} // namespace
} // namespace dravenik
