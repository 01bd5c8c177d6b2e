#include "scan/directory_search.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace dravenik {
namespace {

using namespace std::string_literals;

std::vector<std::string> searchAll(const std::string& directory) {
  DirectorySearch search(directory);
  std::vector<std::string> names;
  std::string name;
  while (search.next(name)) {
    names.push_back(name);
  }
  return names;
}

TEST(ProjectFileNameTest, MatchesTheSuffixWithoutRegardToCase) {
  for (const char* name : {"main.asm", "DEMO.ASM", "x.AsM", ".asm", "a b'c.asm", "\x80\xff.asm"}) {
    EXPECT_TRUE(isProjectFileName(name)) << name;
  }
  for (const char* name : {"notes.txt", "a.asmx", "a.as", "asm", "a.asm~", "a.asm ", "a_asm", ""}) {
    EXPECT_FALSE(isProjectFileName(name)) << name;
  }
}

TEST(SearchOrderTest, FoldsAsciiCaseThenBreaksTiesByRawBytes) {
  std::vector<std::string> names = {"b.asm",   "a.asm", "a_b.asm", "\xe9.asm", "A.asm",
                                    "aab.asm", "B.asm", "a1.asm",  "Z.asm"};
  std::sort(names.begin(), names.end(), searchOrderLess);
  const std::vector<std::string> expected = {"A.asm", "a.asm", "a1.asm", "aab.asm", "a_b.asm",
                                             "B.asm", "b.asm", "Z.asm",  "\xe9.asm"};
  EXPECT_EQ(names, expected);
  for (const std::string& name : names) {
    EXPECT_FALSE(searchOrderLess(name, name)) << name;
  }
}

TEST(DirectorySearchTest, DeliversEveryMatchingEntryInSearchOrder) {
  test::TempDir dir;
  dir.write("main.asm", "");
  dir.write("DEMO.ASM", "");
  dir.write(".hidden.asm", "");
  dir.write("notes.txt", "");
  dir.write("main.asmx", "");
  dir.makeDir("old.asm");
  dir.link("dangling.asm", dir.at("nowhere"));
  const std::vector<std::string> expected = {".hidden.asm", "dangling.asm", "DEMO.ASM", "main.asm",
                                             "old.asm"};
  EXPECT_EQ(searchAll(dir.path()), expected);
  EXPECT_EQ(searchAll(dir.path() + "/"), expected); // a trailing separator is harmless
}

TEST(DirectorySearchTest, FindsNothingWhereThereIsNoDirectory) {
  test::TempDir dir;
  dir.write("file.asm", "");
  EXPECT_TRUE(searchAll(dir.at("missing")).empty());
  EXPECT_TRUE(searchAll(dir.at("file.asm")).empty());
  EXPECT_TRUE(searchAll(dir.path()).size() == 1);
}

TEST(ProjectFileNameTest, FindsLineBreaksAnywhereInAName) {
  for (const char* name : {"a\n.asm", "\ra.asm", "a.asm\n", "x'\n incbin \"y\"\n;.asm"}) {
    EXPECT_TRUE(holdsLineBreak(name)) << name;
  }
  for (const char* name : {"a.asm", "it's \x80\x0b\t.asm", ""}) {
    EXPECT_FALSE(holdsLineBreak(name)) << name;
  }
}

TEST(DirectorySearchTest, DeliversAFileAboutToBeWrittenOnceInItsPlace) {
  test::TempDir dir;
  dir.write("a.asm", "");
  dir.write("z.asm", "");
  DirectorySearch before(dir.path(), "prginc.asm");
  std::vector<std::string> names;
  for (std::string name; before.next(name);) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.asm", "prginc.asm", "z.asm"}));
  dir.write("prginc.asm", ""); // already there: still once
  DirectorySearch again(dir.path(), "prginc.asm");
  names.clear();
  for (std::string name; again.next(name);) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.asm", "prginc.asm", "z.asm"}));
}

} // namespace
} // namespace dravenik
