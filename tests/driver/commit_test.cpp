// Where a run writes and what it leaves: outputs replace whatever stands at
// their names without writing through it, a console that goes away or closed
// standard streams change nothing, and a folder swapped during a run never
// receives part of it.

#include "support/workspace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace dravenik {
namespace {

using test::kSuccess;
using test::Workspace;

const std::vector<std::string> kOutputs = {"prginc.asm", "prglst.dat", "prgsrc.asm", "prgscr.dat"};

/// The four outputs in folder (relative to ws.root), by name.
std::map<std::string, std::string> outputsIn(const Workspace& ws, const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : kOutputs) {
    files[name] = test::readFile(ws.root.at(folder + "/" + name));
  }
  return files;
}

/// A file's bytes and modification time, to show it was left alone.
std::string contentAndTime(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return "<missing>";
  }
  return test::readFile(path) + " @" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

/// What to put at an output's name before a run.
struct Obstacle {
  const char* what;
  /// Puts it at path; the workspace holds proj/a.asm and outside.txt.
  void (*place)(const Workspace& ws, const std::string& path);
  /// The file (relative to the workspace) that must stay as it was, if any.
  const char* target;
};

TEST(CommitTest, ReplacesLinksAndSpecialFilesAtAnOutputNameWithoutWritingThroughThem) {
  const Obstacle obstacles[] = {
      {"link to a project file",
       [](const Workspace& ws, const std::string& path) {
         ws.root.link(path, ws.root.at("proj/a.asm"));
       },
       "proj/a.asm"},
      {"link to a file outside the folder",
       [](const Workspace& ws, const std::string& path) {
         ws.root.link(path, ws.root.at("outside.txt"));
       },
       "outside.txt"},
      {"hard link to a file outside the folder",
       [](const Workspace& ws, const std::string& path) {
         ASSERT_EQ(::link(ws.root.at("outside.txt").c_str(), ws.root.at(path).c_str()), 0);
       },
       "outside.txt"},
      {"dangling link",
       [](const Workspace& ws, const std::string& path) {
         ws.root.link(path, ws.root.at("nowhere"));
       },
       nullptr},
      {"FIFO",
       [](const Workspace& ws, const std::string& path) {
         ASSERT_EQ(::mkfifo(ws.root.at(path).c_str(), 0644), 0);
       },
       nullptr},
      {"device",
       [](const Workspace& ws, const std::string& path) {
         // The full device: written through, the run would fail. A link
         // stands in where device nodes cannot be made.
         if (::mknod(ws.root.at(path).c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
           ws.root.link(path, "/dev/full");
         }
       },
       nullptr},
  };
  Workspace reference;
  reference.root.write("proj/a.asm", "move.w d0,d1\r\nrts\r\n");
  ASSERT_EQ(reference.run().status, 0);
  const auto expected = outputsIn(reference, "out");

  for (const Obstacle& obstacle : obstacles) {
    for (const std::string& name : kOutputs) {
      Workspace ws;
      ws.root.write("proj/a.asm", "move.w d0,d1\r\nrts\r\n");
      ws.root.write("outside.txt", "not the tool's");
      obstacle.place(ws, "out/" + name);
      const std::string target = obstacle.target != nullptr ? ws.root.at(obstacle.target) : "";
      const std::string before = obstacle.target != nullptr ? contentAndTime(target) : "";

      const test::RunResult result = ws.run();
      EXPECT_EQ(result.status, 0) << obstacle.what << " at " << name;
      EXPECT_EQ(result.out, kSuccess) << obstacle.what << " at " << name;
      struct stat info {};
      ASSERT_EQ(::lstat(ws.output(name).c_str(), &info), 0);
      EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_nlink == 1)
          << obstacle.what << " at " << name << " is still there";
      EXPECT_EQ(outputsIn(ws, "out"), expected) << obstacle.what << " at " << name;
      if (obstacle.target != nullptr) {
        EXPECT_EQ(contentAndTime(target), before) << obstacle.what << " at " << name;
      }
      EXPECT_FALSE(test::exists(ws.root.at("nowhere"))) << obstacle.what << " at " << name;
      EXPECT_EQ(test::listing(ws.out()), "prginc.asm\nprglst.dat\nprgscr.dat\nprgsrc.asm\n");
    }
  }
}

TEST(CommitTest, NeitherAVanishedConsoleNorClosedStreamsChangeWhatIsWritten) {
  struct Case {
    const char* what;
    const char* shell; // runs "$0" "$1" "$2", the tool and its two folders
    bool fails;        // a folder named like a program makes the run fail
  };
  const Case cases[] = {
      {"console gone", "\"$0\" \"$1\" \"$2\" | true; exit ${PIPESTATUS[0]}", false},
      {"console gone, failing run", "\"$0\" \"$1\" \"$2\" | true; exit ${PIPESTATUS[0]}", true},
      {"standard streams closed", "exec \"$0\" \"$1\" \"$2\" <&- >&- 2>&-", false},
      {"standard streams closed, failing run", "exec \"$0\" \"$1\" \"$2\" <&- >&- 2>&-", true},
  };
  Workspace reference;
  reference.root.write("proj/a.asm", "nop\n");
  ASSERT_EQ(reference.run().status, 0);
  const auto fresh = outputsIn(reference, "out");

  for (const Case& c : cases) {
    Workspace ws;
    ws.root.write("proj/a.asm", "nop\n");
    for (const std::string& name : kOutputs) {
      ws.root.write("out/" + name, "stale " + name);
    }
    if (c.fails) {
      ws.root.makeDir("proj/b.asm");
    }
    const auto stale = outputsIn(ws, "out");
    const test::RunResult result =
        test::runProgram("/bin/bash", {"-c", c.shell, test::toolPath(), ws.proj(), ws.out()});
    EXPECT_EQ(result.status, c.fails ? 1 : 0) << c.what;
    EXPECT_EQ(outputsIn(ws, "out"), c.fails ? stale : fresh) << c.what;
    EXPECT_EQ(test::listing(ws.out()), "prginc.asm\nprglst.dat\nprgscr.dat\nprgsrc.asm\n")
        << c.what;
  }
}

TEST(CommitTest, AFolderSwappedDuringARunNeverReceivesPartOfIt) {
  // The run is paused between its two phases (strace delays the second file
  // it closes, the include file), the output folder is moved away and a new
  // one made in its place, and a second run goes into the new one.
  const std::string strace = "/usr/bin/strace";
  if (::access(strace.c_str(), X_OK) != 0) {
    GTEST_FAIL() << "needs strace (Debian package strace) to pause a run";
  }
  Workspace ws;
  ws.windowsComparable = false;
  ws.root.makeDir("projA");
  ws.root.makeDir("projB");
  ws.root.write("projA/a.asm", "move.l #1,d0\n");
  ws.root.write("projB/b1.asm", "moveq #2,d0\n");
  ws.root.write("projB/b2.asm", "rts\n");
  ws.root.makeDir("refA");
  ws.root.makeDir("refB");
  ASSERT_EQ(ws.runWith({ws.root.at("projA"), ws.root.at("refA")}).status, 0);
  ASSERT_EQ(ws.runWith({ws.root.at("projB"), ws.root.at("refB")}).status, 0);

  test::RunningProgram paused = test::startProgram(
      strace, {"-f", "-o", "/dev/null",
               // LeakSanitizer cannot work under a tracer; the other tests keep it.
               "-E", "ASAN_OPTIONS=detect_leaks=0", "-e",
               "inject=sync_file_range:delay_enter=1500000:when=2", test::toolPath(),
               ws.root.at("projA"), ws.out()});
  // Wait until the first phase's files exist under their staging names.
  for (int i = 0; i < 200 && !test::exists(ws.out() + "/prglst.dat.dravenik-new"); ++i) {
    ::usleep(10'000);
  }
  ASSERT_TRUE(test::exists(ws.out() + "/prglst.dat.dravenik-new")) << "the run never got there";
  ASSERT_EQ(::rename(ws.out().c_str(), ws.root.at("out.old").c_str()), 0);
  ws.root.makeDir("out");
  const test::RunResult second = test::runTool({ws.root.at("projB"), ws.out()});
  const test::RunResult first = test::finishProgram(paused);

  EXPECT_EQ(first.status, 0) << first.out << first.err;
  EXPECT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(outputsIn(ws, "out.old"), outputsIn(ws, "refA")) << "the paused run's folder";
  EXPECT_EQ(outputsIn(ws, "out"), outputsIn(ws, "refB")) << "the new folder";
  EXPECT_EQ(test::listing(ws.out()), "prginc.asm\nprglst.dat\nprgscr.dat\nprgsrc.asm\n");
}

} // namespace
} // namespace dravenik
