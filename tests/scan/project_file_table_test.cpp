#include "scan/project_file_table.h"

#include <gtest/gtest.h>

#include <string>

namespace dravenik {
namespace {

TEST(ProjectFileTableTest, KeepsThirtyOneNamesInOrderAndRefusesMore) {
  ProjectFileTable table;
  for (std::size_t i = 0; i < MaxProjectFiles; ++i) {
    std::string name = "p";
    name += std::to_string(i);
    name += ".asm";
    ASSERT_TRUE(table.append(name));
  }
  EXPECT_EQ(table.count(), 31u);
  EXPECT_FALSE(table.append("extra.asm"));
  EXPECT_EQ(table.count(), 31u);
  EXPECT_EQ(table.name(0), "p0.asm");
  EXPECT_EQ(table.name(30), "p30.asm");
}

} // namespace
} // namespace dravenik
