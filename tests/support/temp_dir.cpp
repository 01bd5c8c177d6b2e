#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace dravenik::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "dravenik-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory";
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::at(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void TempDir::write(std::string_view relative, std::string_view bytes) const {
  std::ofstream out(at(relative), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << at(relative);
}

void TempDir::makeDir(std::string_view relative) const {
  std::filesystem::create_directories(at(relative));
}

void TempDir::remove(std::string_view relative) const {
  std::filesystem::remove_all(at(relative));
}

void TempDir::link(std::string_view relative, const std::string& target) const {
  std::filesystem::create_symlink(target, at(relative));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  // One read of the whole file: tests compare files of tens of MiB, also in
  // unoptimised sanitizer builds.
  std::string bytes;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size > 0) {
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  return bytes;
}

std::string listing(const std::string& root) {
  std::vector<std::string> paths;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    paths.push_back(std::filesystem::relative(it->path(), root).string());
  }
  EXPECT_FALSE(error) << "cannot list " << root;
  std::sort(paths.begin(), paths.end());
  std::string joined;
  for (const std::string& path : paths) {
    joined += path + "\n";
  }
  return joined;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

} // namespace dravenik::test
