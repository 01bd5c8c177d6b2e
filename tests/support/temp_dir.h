#pragma once

#include <string>
#include <string_view>

namespace dravenik::test {

/// A fresh directory under the system's temporary folder, removed with all it
/// holds when destroyed.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  /// path() + "/" + relative.
  std::string at(std::string_view relative) const;
  /// Writes bytes to the file at relative, creating or replacing it.
  void write(std::string_view relative, std::string_view bytes) const;
  /// Creates the directory at relative.
  void makeDir(std::string_view relative) const;
  /// Removes whatever is at relative, with all it holds.
  void remove(std::string_view relative) const;
  /// Creates a symbolic link at relative pointing at target.
  void link(std::string_view relative, const std::string& target) const;

private:
  std::string path_;
};

/// The whole content of the file at path; fails the test when it cannot be read.
std::string readFile(const std::string& path);
/// Every entry below root, as paths relative to it, sorted, one per line:
/// shows a file left behind or one gone missing.
std::string listing(const std::string& root);
/// True when something (even a dangling link) exists at path.
bool exists(const std::string& path);

} // namespace dravenik::test
