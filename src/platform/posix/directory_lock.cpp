#include "platform/directory_lock.h"

#include "platform/raw_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dravenik::platform {

DirectoryLock::~DirectoryLock() {
  if (handle_ >= 0) {
    ::close(static_cast<int>(handle_));
  }
}

int DirectoryLock::lock(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) {
      continue;
    }
    const int error = errno == EWOULDBLOCK ? kErrorDirectoryInUse : errno;
    ::close(fd);
    return error;
  }
  handle_ = fd;
  return 0;
}

} // namespace dravenik::platform
