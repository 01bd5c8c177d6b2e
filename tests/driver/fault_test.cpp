// Bad input and bad luck: every failure stops the run with its message and
// status 1, and leaves alone every file it did not come to.

#include "support/workspace.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dravenik {
namespace {

using test::kHeader;
using test::Workspace;

const std::vector<std::string> kOutputs = {"prginc.asm", "prglst.dat", "prgsrc.asm", "prgscr.dat"};
const std::string kPhase1 = "Including project files... ";
const std::string kPhase2 = "Including project files... ok\nParsing source code... ";
const std::vector<std::string> kStaleOutputs = {"out/prginc.asm", "out/prglst.dat",
                                                "out/prgsrc.asm", "out/prgscr.dat"};
constexpr uid_t kNobody = 65534;

/// What stands at each of paths (relative to root): a regular file's bytes
/// and modification time, a link's target, or the kind of anything else.
std::map<std::string, std::string> snapshot(const test::TempDir& root,
                                            const std::vector<std::string>& paths) {
  std::map<std::string, std::string> entries;
  for (const std::string& path : paths) {
    struct stat info {};
    if (::lstat(root.at(path).c_str(), &info) != 0) {
      entries[path] = "<missing>";
    } else if (S_ISREG(info.st_mode)) {
      entries[path] = test::readFile(root.at(path)) + " @" + std::to_string(info.st_mtim.tv_sec) +
                      "." + std::to_string(info.st_mtim.tv_nsec);
    } else if (S_ISLNK(info.st_mode)) {
      entries[path] = "<link to " + std::filesystem::read_symlink(root.at(path)).string() + ">";
    } else {
      entries[path] = "<mode " + std::to_string(info.st_mode & S_IFMT) + ">";
    }
  }
  return entries;
}

/// How a case runs the tool.
enum class Runner {
  Plain,
  Unprivileged,   ///< as a user whom file permissions bind, even when the tests run as root
  SmallFileLimit, ///< with a file-size limit of kSmallFileLimit bytes
};
constexpr int kSmallFileLimit = 64;

/// Runs the tool with arguments the way runner says; nullopt when that is
/// not possible here.
std::optional<test::RunResult> runAs(Runner runner, const Workspace& ws,
                                     const std::vector<std::string>& arguments) {
  if (runner == Runner::Plain) {
    return ws.runWith(arguments);
  }
  std::vector<std::string> command;
  std::string program;
  if (runner == Runner::SmallFileLimit) {
    program = "/usr/bin/prlimit";
    command = {"--fsize=" + std::to_string(kSmallFileLimit), "--"};
  } else if (::geteuid() == 0) {
    program = "/usr/bin/setpriv";
    ::chmod(ws.root.path().c_str(), 0755);
    const std::string nobody = std::to_string(kNobody);
    command = {"--reuid=" + nobody, "--regid=" + nobody, "--clear-groups", "--"};
  } else {
    return ws.runWith(arguments);
  }
  if (::access(program.c_str(), X_OK) != 0) {
    return std::nullopt;
  }
  command.push_back(test::toolPath());
  command.insert(command.end(), arguments.begin(), arguments.end());
  return test::runProgram(program, command);
}

struct FaultCase {
  const char* what;
  /// Sets the fault up; the workspace holds proj/a.asm and a stale file for
  /// each output, written by an earlier run.
  void (*prepare)(const Workspace&);
  /// The console after the header; <out> and <proj> stand for the folders.
  std::string console;
  Runner runner = Runner::Plain;
  /// The arguments; <out> and <proj> stand for the folders.
  std::vector<std::string> arguments = {"<proj>", "<out>"};
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.what;
}

void replaceAll(std::string& text, const std::string& token, const std::string& value) {
  for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at)) {
    text.replace(at, token.size(), value);
    at += value.size();
  }
}

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, StopsWithItsMessageAndTouchesNothing) {
  const FaultCase& c = GetParam();
  Workspace ws;
  ws.root.write("proj/a.asm", "nop\n");
  for (const std::string& name : kOutputs) {
    ws.root.write("out/" + name, "stale " + name);
  }
  c.prepare(ws);
  const std::vector<std::string> watched = {"proj/a.asm",     "out/prginc.asm", "out/prglst.dat",
                                            "out/prgsrc.asm", "out/prgscr.dat", "out"};
  const auto before = snapshot(ws.root, watched);
  const auto listingBefore = test::listing(ws.root.path());

  std::vector<std::string> arguments = c.arguments;
  std::string expected = kHeader + c.console;
  for (std::string* text : {&expected, &arguments[0], &arguments.back()}) {
    replaceAll(*text, "<out>", ws.out());
    replaceAll(*text, "<proj>", ws.proj());
  }
  std::optional<test::RunResult> result = runAs(c.runner, ws, arguments);
  // A skip would not show its reason in the test summary: fail and say why.
  ASSERT_TRUE(result.has_value()) << "cannot run the tool as this case needs: /usr/bin/prlimit "
                                     "and /usr/bin/setpriv (Debian package util-linux) are needed";
  EXPECT_EQ(result->status, 1);
  EXPECT_EQ(result->out, expected);
  EXPECT_EQ(result->err, "");
  EXPECT_EQ(snapshot(ws.root, watched), before);
  EXPECT_EQ(test::listing(ws.root.path()), listingBefore) << "no file made, none left behind";
}

/// A program named name beside proj/a.asm.
template <const char* name> void addProgram(const Workspace& ws) {
  ws.root.write(std::string("proj/") + name, "nop\n");
}
constexpr char kLineFeedName[] = "x'\n incbin \"secret\"\n;.asm";
constexpr char kCarriageReturnName[] = "x\r.asm";

void bindSocket(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path) << path;
  path.copy(address.sun_path, path.size());
  EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
  ::close(fd); // the socket file stays
}

const std::string kProjPrefix = "\nFatal Error: Cannot read project file <proj>/";

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        FaultCase{"missing output folder", [](const Workspace& ws) { ws.root.remove("out"); },
                  kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: No such file or "
                            "directory.\n\n"},
        FaultCase{"output folder is a file",
                  [](const Workspace& ws) {
                    ws.root.remove("out");
                    ws.root.write("out", "a file");
                  },
                  kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: Not a directory.\n\n"},
        FaultCase{"output folder not writable",
                  [](const Workspace& ws) { ::chmod(ws.out().c_str(), 0555); },
                  kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: Permission denied.\n\n",
                  Runner::Unprivileged},
        FaultCase{"project file not readable",
                  [](const Workspace& ws) {
                    ws.root.write("proj/b.asm", "secret\n");
                    ::chmod(ws.root.at("proj/b.asm").c_str(), 0);
                    ::chmod(ws.out().c_str(), 0777);
                  },
                  kPhase2 + kProjPrefix + "b.asm: Permission denied.\n\n", Runner::Unprivileged},
        FaultCase{"file-size limit under the include file",
                  [](const Workspace& ws) {
                    ws.root.write("proj/" + std::string(48, 'n') + ".asm",
                                  "nop\n"); // the name list stays below the limit
                  },
                  kPhase1 + "\nFatal Error: Cannot write <out>/prginc.asm: File too large.\n\n",
                  Runner::SmallFileLimit},
        FaultCase{"file-size limit under the source text",
                  [](const Workspace& ws) {
                    ws.root.write("proj/a.asm", std::string(kSmallFileLimit, 'x'));
                  },
                  kPhase2 + "\nFatal Error: Cannot write <out>/prgscr.dat: File too large.\n\n",
                  Runner::SmallFileLimit},
        FaultCase{"folder named like a program",
                  [](const Workspace& ws) { ws.root.makeDir("proj/b.asm"); },
                  kPhase2 + kProjPrefix + "b.asm: not a regular file.\n\n"},
        FaultCase{"FIFO named like a program",
                  [](const Workspace& ws) { ::mkfifo(ws.root.at("proj/b.asm").c_str(), 0644); },
                  kPhase2 + kProjPrefix + "b.asm: not a regular file.\n\n"},
        FaultCase{"socket named like a program",
                  [](const Workspace& ws) { bindSocket(ws.root.at("proj/b.asm")); },
                  kPhase2 + kProjPrefix + "b.asm: not a regular file.\n\n"},
        FaultCase{"link to a terminal named like a program",
                  [](const Workspace& ws) { ws.root.link("proj/b.asm", "/dev/tty"); },
                  kPhase2 + kProjPrefix + "b.asm: not a regular file.\n\n"},
        FaultCase{"link to a device named like a program",
                  [](const Workspace& ws) { ws.root.link("proj/b.asm", "/dev/zero"); },
                  kPhase2 + kProjPrefix + "b.asm: not a regular file.\n\n"},
        FaultCase{"dangling link named like a program",
                  [](const Workspace& ws) { ws.root.link("proj/b.asm", "nowhere"); },
                  kPhase2 + kProjPrefix + "b.asm: No such file or directory.\n\n"},
        FaultCase{"line feed in a program's name", addProgram<kLineFeedName>,
                  kPhase1 + kProjPrefix + kLineFeedName + ": the name holds a line break.\n\n"},
        FaultCase{"carriage return in a program's name", addProgram<kCarriageReturnName>,
                  kPhase1 + kProjPrefix + kCarriageReturnName +
                      ": the name holds a line break.\n\n"},
        FaultCase{"thirty-two programs",
                  [](const Workspace& ws) {
                    for (int i = 1; i <= 32; ++i) {
                      ws.root.write("proj/" + test::programName(i), "nop\n");
                    }
                  },
                  kPhase1 + "\nFatal Error: Too many project files (at most 31).\n\n"},
        FaultCase{"a folder where an output goes",
                  [](const Workspace& ws) {
                    ws.root.remove("out/prgscr.dat");
                    ws.root.makeDir("out/prgscr.dat");
                  },
                  kPhase2 + "\nFatal Error: Cannot create <out>/prgscr.dat: Is a directory.\n\n"},
        FaultCase{"empty project argument", [](const Workspace&) {},
                  "Fatal Error: Empty project or output directory argument.\n\n", Runner::Plain,
                  std::vector<std::string>{"", "<out>"}},
        FaultCase{"empty output argument", [](const Workspace&) {},
                  "Fatal Error: Empty project or output directory argument.\n\n", Runner::Plain,
                  std::vector<std::string>{"<proj>", ""}}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
      std::string name;
      for (const char* c = info.param.what; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
          name += *c;
        }
      }
      return name;
    });

TEST(FaultTest, NeverOpensAFifoNamedLikeAProgram) {
  // Opening a FIFO for reading would release a writer blocked on it.
  Workspace ws;
  ws.windowsComparable = false;
  ws.root.write("proj/a.asm", "nop\n");
  ASSERT_EQ(::mkfifo(ws.root.at("proj/b.asm").c_str(), 0644), 0);
  const std::string fifo = ws.root.at("proj/b.asm");
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    const int fd = ::open(fifo.c_str(), O_WRONLY); // blocks until a reader comes
    ::_exit(fd >= 0 ? 0 : 1);
  }
  const test::RunResult result = ws.run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, kHeader + kPhase2 + "\nFatal Error: Cannot read project file " + fifo +
                            ": not a regular file.\n\n");
  ::usleep(100'000); // a released writer would have ended by now
  int status = 0;
  EXPECT_EQ(::waitpid(writer, &status, WNOHANG), 0) << "the writer was released";
  ::kill(writer, SIGKILL);
  ::waitpid(writer, &status, 0);
}

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
    std::string console;
  };
  const Case cases[] = {
      {"out", kPhase1 + "\nFatal Error: Cannot create <out>/prginc.asm: the output directory is "
                        "in use by another run.\n\n"},
      {"proj/a.asm", kPhase2 +
                         "\nFatal Error: Cannot read project file <proj>/a.asm: in use by another "
                         "program.\n\n"},
  };
  for (const Case& c : cases) {
    Workspace ws;
    ws.windowsComparable = false; // the test's lock is one Windows cannot see
    ws.root.write("proj/a.asm", "nop\n");
    for (const std::string& name : kOutputs) {
      ws.root.write("out/" + name, "stale " + name);
    }
    const auto before = snapshot(ws.root, kStaleOutputs);
    const auto listingBefore = test::listing(ws.root.path());
    const HeldLock lock(ws.root.at(c.held));
    const test::RunResult result = ws.run();
    std::string expected = kHeader + c.console;
    replaceAll(expected, "<out>", ws.out());
    replaceAll(expected, "<proj>", ws.proj());
    EXPECT_EQ(result.status, 1) << c.held;
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(snapshot(ws.root, kStaleOutputs), before) << c.held;
    EXPECT_EQ(test::listing(ws.root.path()), listingBefore) << c.held;
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
