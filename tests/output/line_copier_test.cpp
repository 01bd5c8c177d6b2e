#include "output/line_copier.h"
#include "support/temp_dir.h"
#include "support/written_file.h"

#include <gtest/gtest.h>

#include <string>

namespace dravenik {
namespace {

TEST(CopyLinesTest, MarksEveryLineWhateverTheBlockSize) {
  struct Case {
    std::string disk;
    std::string copied;
  };
  const Case cases[] = {
      {"move.w d0,d1\r\nrts\r\n", "move.w d0,d1\x80rts\x80"},
      {"x\n\ny", "x\x80\x80y\x80"}, // empty line, last line without a break
      {"", ""},
      {"\n", "\x80"},
      {"\r\n\r\n", "\x80\x80"},
      {"a\rb\x80\n", "a\rb\x80\x80"}, // lone CR and a 0x80 byte kept
      {"nop\r\nlast\x1a"
       "after\n",
       "nop\x80last\x80"},
      {"\x1a"
       "after\n",
       ""},
  };
  for (const std::size_t block : {1, 2, 5, 1 << 20}) {
    for (const Case& c : cases) {
      test::TempDir dir;
      dir.write("in.asm", c.disk);
      platform::TextFileReader reader(block, LineMark);
      ASSERT_EQ(reader.open(dir.at("in.asm")), 0);
      test::WrittenFile written(3);
      EXPECT_EQ(copyLines(reader, written.writer()), 0);
      EXPECT_EQ(written.bytes(), c.copied) << "block " << block << ", input size " << c.disk.size();
    }
  }
}

} // namespace
} // namespace dravenik
