#include "support/written_file.h"

#include <gtest/gtest.h>

namespace dravenik::test {

namespace {
constexpr const char* kName = "written.dat";
}

WrittenFile::WrittenFile(std::size_t bufferSize) : writer_(bufferSize) {
  EXPECT_EQ(folder_.open(dir_.path()), 0);
  EXPECT_EQ(writer_.open(folder_, kName), 0);
}

std::string WrittenFile::bytes() {
  EXPECT_EQ(writer_.close(), 0);
  std::string failed;
  EXPECT_EQ(folder_.commit(failed), 0) << failed;
  return readFile(dir_.at(kName));
}

} // namespace dravenik::test
