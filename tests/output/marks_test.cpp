#include "output/marks.h"
#include "support/written_file.h"

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
    test::WrittenFile written;
    platform::TextFileWriter& file = written.writer();
    file.write(c.before);
    writeEndMark(file);
    EXPECT_EQ(file.position(), c.after.size());
    EXPECT_EQ(written.bytes(), c.after) << "after " << c.before.size();
  }
}

} // namespace
} // namespace dravenik
