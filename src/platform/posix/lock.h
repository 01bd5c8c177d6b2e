#pragma once

#include <cerrno>
#include <sys/file.h>

namespace dravenik::platform::posix {

/// The error of the last failed call; never 0, so that a failure stays one.
inline int lastError() {
  return errno != 0 ? errno : EIO;
}

/// Takes a whole-file lock of mode (LOCK_SH or LOCK_EX) on fd without
/// waiting. Returns 0, busyError when another holds it, or the system's error.
inline int lockWithoutWaiting(int fd, int mode, int busyError) {
  while (::flock(fd, mode | LOCK_NB) != 0) {
    if (errno != EINTR) {
      return errno == EWOULDBLOCK ? busyError : lastError();
    }
  }
  return 0;
}

} // namespace dravenik::platform::posix
