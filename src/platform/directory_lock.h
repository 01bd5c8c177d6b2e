#pragma once

#include <cstdint>
#include <string>

namespace dravenik::platform {

/// One run's exclusive use of a directory, held until destroyed, so that two
/// runs never mix their files in one output directory.
class DirectoryLock {
public:
  DirectoryLock() = default;
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  ~DirectoryLock();

  /// Takes the lock without waiting. Returns 0, kErrorDirectoryInUse when
  /// another run holds it, or the system's error (a missing directory, say).
  int lock(const std::string& directory);

private:
  std::intptr_t handle_ = -1;
};

} // namespace dravenik::platform
