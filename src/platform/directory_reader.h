#pragma once

#include <string>

namespace dravenik::platform {

/// Lists the names of a directory's entries in the order the host keeps them,
/// "." and ".." left out. Closed when destroyed.
class DirectoryReader {
public:
  DirectoryReader() = default;
  DirectoryReader(const DirectoryReader&) = delete;
  DirectoryReader& operator=(const DirectoryReader&) = delete;
  ~DirectoryReader();

  /// Starts reading the directory at path; returns 0 or an error code.
  int open(const std::string& path);
  /// Delivers the next entry name; false at the end or on a failure (see error()).
  bool next(std::string& name);
  int error() const { return error_; }

private:
  void* handle_ = nullptr;
  int error_ = 0;
};

} // namespace dravenik::platform
