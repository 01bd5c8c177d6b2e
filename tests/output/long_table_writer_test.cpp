#include "output/long_table_writer.h"
#include "output/marks.h"
#include "support/written_file.h"

#include <gtest/gtest.h>

#include <string>

namespace dravenik {
namespace {

struct TableCase {
  int entries;
  std::string bytes; // as stored: line breaks are CR LF
};

void PrintTo(const TableCase& c, std::ostream* os) {
  *os << c.entries << " entries";
}

class LongTableWriterTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(LongTableWriterTest, LaysOutEightEntriesToALine) {
  const TableCase& c = GetParam();
  test::WrittenFile written;
  platform::TextFileWriter& file = written.writer();
  LongTableWriter table;
  table.begin(file);
  for (int i = 1; i <= c.entries; ++i) {
    std::string entry = "E";
    entry += std::to_string(i);
    table.add(file, entry);
  }
  EXPECT_EQ(table.count(), static_cast<std::size_t>(c.entries));
  EXPECT_EQ(written.bytes(), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LongTableWriterTest,
                         ::testing::Values(TableCase{0, " dc.l "}, TableCase{1, " dc.l E1"},
                                           TableCase{8, " dc.l E1,E2,E3,E4,E5,E6,E7,E8"},
                                           TableCase{9,
                                                     " dc.l E1,E2,E3,E4,E5,E6,E7,E8\r\n dc.l E9"},
                                           TableCase{17, " dc.l E1,E2,E3,E4,E5,E6,E7,E8\r\n"
                                                         " dc.l E9,E10,E11,E12,E13,E14,E15,E16\r\n"
                                                         " dc.l E17"}));

} // namespace
} // namespace dravenik
