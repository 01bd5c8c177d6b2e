#pragma once

#include <string>

namespace dravenik::platform {

/// Lists the names of a directory's entries in the order the host keeps them,
/// "." and ".." left out. Where the host's search takes a pattern, it asks
/// for "*.asm" and lists only what the host matches (which may include short
/// names like a.asmx): callers check every name. Closed when destroyed.
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
  /// False when the name last delivered is not the entry's own but stands in
  /// for it: the host's narrow character set cannot hold the entry's name
  /// (Windows, outside the system code page). Such a name opens nothing.
  bool exact() const { return exact_; }

private:
  void* handle_ = nullptr;
  int error_ = 0;
  bool exact_ = true;
};

} // namespace dravenik::platform
