#include "constants.h"
#include "output/source_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dravenik {
namespace {

TEST(OffsetEntryTest, PointsAtEveryBlockADcLCanReachAndNoFurther) {
  struct Case {
    std::size_t number;
    std::uint64_t offset;
    std::optional<std::string> entry;
  };
  const Case cases[] = {
      {1, 0, "ProjectScr"},
      {2, 18, "ProjectScr+18"},
      {2, kMaxOffset - 1, "ProjectScr+4294967294"},
      {31, kMaxOffset, "ProjectScr+4294967295"},
      {2, kMaxOffset + 1, std::nullopt},
      {3, kMaxOffset + 5, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(offsetEntry(c.number, c.offset), c.entry) << c.number << " at " << c.offset;
  }
}

} // namespace
} // namespace dravenik
