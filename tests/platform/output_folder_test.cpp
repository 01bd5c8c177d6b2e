#include "platform/output_folder.h"
#include "platform/text_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace dravenik::platform {
namespace {

/// Writes bytes into the new file for name.
void make(OutputFolder& folder, const std::string& name, std::string_view bytes) {
  TextFileWriter file;
  ASSERT_EQ(file.open(folder, name), 0) << name;
  file.writeBytes(bytes);
  ASSERT_EQ(file.close(), 0) << name;
}

/// The names of the folder's entries, sorted.
std::string listing(const test::TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& name : names) {
    joined += name + " ";
  }
  return joined;
}

TEST(OutputFolderTest, ChangesNothingBeforeTheCommitThenEverythingAtOnce) {
  test::TempDir dir;
  dir.write("prginc.asm", "old include");
  dir.write("prgscr.dat", "old text");
  {
    OutputFolder folder;
    ASSERT_EQ(folder.open(dir.path()), 0);
    make(folder, "prginc.asm", "new include");
    make(folder, "prgscr.dat", "new text");
    EXPECT_EQ(test::readFile(dir.at("prginc.asm")), "old include");
    EXPECT_EQ(test::readFile(dir.at("prgscr.dat")), "old text");
    TextFileReader reader;
    ASSERT_EQ(reader.openNew(folder, "prginc.asm"), 0);
    const std::span<char> text = reader.read();
    EXPECT_EQ(std::string(text.data(), text.size()), "new include");
    std::string failed;
    ASSERT_EQ(folder.commit(failed), 0);
  }
  EXPECT_EQ(test::readFile(dir.at("prginc.asm")), "new include");
  EXPECT_EQ(test::readFile(dir.at("prgscr.dat")), "new text");
  EXPECT_EQ(listing(dir), "prginc.asm prgscr.dat ");
}

TEST(OutputFolderTest, LeavesTheFolderAsItWasWhenNotCommitted) {
  test::TempDir dir;
  dir.write("prginc.asm", "old include");
  {
    OutputFolder folder;
    ASSERT_EQ(folder.open(dir.path()), 0);
    make(folder, "prginc.asm", "new include");
    make(folder, "prglst.dat", "new list");
  }
  EXPECT_EQ(test::readFile(dir.at("prginc.asm")), "old include");
  EXPECT_EQ(listing(dir), "prginc.asm ");
}

TEST(OutputFolderTest, MovesNoneWhenOneCannotTakeItsPlace) {
  test::TempDir dir;
  dir.write("prginc.asm", "old include");
  dir.makeDir("prgsrc.asm");
  OutputFolder folder;
  ASSERT_EQ(folder.open(dir.path()), 0);
  make(folder, "prginc.asm", "new include");
  make(folder, "prgsrc.asm", "new table");
  std::string failed;
  EXPECT_EQ(folder.commit(failed), EISDIR);
  EXPECT_EQ(failed, "prgsrc.asm");
  folder.discard();
  EXPECT_EQ(test::readFile(dir.at("prginc.asm")), "old include");
  EXPECT_EQ(listing(dir), "prginc.asm prgsrc.asm ");
}

TEST(OutputFolderTest, KeepsTheReplacedFilesPermissionBits) {
  test::TempDir dir;
  dir.write("prginc.asm", "old");
  ASSERT_EQ(::chmod(dir.at("prginc.asm").c_str(), 0640), 0);
  OutputFolder folder;
  ASSERT_EQ(folder.open(dir.path()), 0);
  make(folder, "prginc.asm", "new");
  make(folder, "prglst.dat", "new");
  std::string failed;
  ASSERT_EQ(folder.commit(failed), 0);
  struct stat replaced {};
  struct stat fresh {};
  ASSERT_EQ(::stat(dir.at("prginc.asm").c_str(), &replaced), 0);
  ASSERT_EQ(::stat(dir.at("prglst.dat").c_str(), &fresh), 0);
  EXPECT_EQ(replaced.st_mode & 07777, 0640u);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(fresh.st_mode & 07777, 0666u & ~mask);
}

TEST(OutputFolderTest, IsTakenByOneRunAtATimeAndClearsWhatAKilledRunLeft) {
  test::TempDir dir;
  dir.write("prgscr.dat.dravenik-new", "left by a killed run");
  OutputFolder first;
  ASSERT_EQ(first.open(dir.path()), 0);
  EXPECT_EQ(listing(dir), "");
  OutputFolder second;
  EXPECT_EQ(second.open(dir.path()), kErrorDirectoryInUse);
  EXPECT_TRUE(first.isSameAs(dir.path() + "/."));
  EXPECT_FALSE(first.isSameAs(dir.at("missing")));
  OutputFolder missing;
  EXPECT_EQ(missing.open(dir.at("missing")), ENOENT);
}

} // namespace
} // namespace dravenik::platform
