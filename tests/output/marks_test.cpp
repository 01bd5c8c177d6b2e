#include "output/marks.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace dravenik {
namespace {

TEST(EndMarkTest, LeavesTheFileAtAnEvenLength) {
  struct Case {
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"", std::string(2, '\0')},
      {"abcde", std::string("abcde") + std::string(1, '\0')},
      {"abcdef", std::string("abcdef") + std::string(2, '\0')},
      // A mark right after a line mark still counts bytes, not lines.
      {"x\x80", std::string("x\x80") + std::string(2, '\0')},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    platform::TextFileWriter file;
    ASSERT_EQ(file.open(dir.at("data.dat")), 0);
    file.write(c.before);
    writeEndMark(file);
    EXPECT_EQ(file.position(), c.after.size());
    ASSERT_EQ(file.close(), 0);
    EXPECT_EQ(test::readFile(dir.at("data.dat")), c.after) << "after " << c.before.size();
  }
}

} // namespace
} // namespace dravenik
