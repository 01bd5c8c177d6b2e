#include "platform/raw_file.h"

#include "constants.h"
#include "platform/posix/lock.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace dravenik::platform {

namespace {

using posix::lastError;

/// Opens without ever blocking (a FIFO or a device with no peer would hang
/// an ordinary open), then takes the lock without waiting.
int openLocked(const std::string& path, int flags, int lockMode, int& fd) {
  fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return lastError();
  }
  if (const int error = posix::lockWithoutWaiting(fd, lockMode, kErrorLocked); error != 0) {
    ::close(fd);
    fd = -1;
    return error;
  }
  return 0;
}

/// Starts writing size bytes of a file's data from offset to disk without
/// waiting for them: only a head start, so a host without it loses nothing.
void startWriteBack(int fd, std::uint64_t offset, std::uint64_t size) {
#if defined(__linux__)
  static_cast<void>(::sync_file_range(fd, static_cast<off64_t>(offset), static_cast<off64_t>(size),
                                      SYNC_FILE_RANGE_WRITE));
#else
  static_cast<void>(fd);
  static_cast<void>(offset);
  static_cast<void>(size);
#endif
}

} // namespace

std::string joinPath(const std::string& directory, std::string_view name) {
  std::string path = directory;
  path += kPosixPathSeparator;
  path += name;
  return path;
}

int RawFile::openForReading(const std::string& path) {
  close();
  struct stat before {};
  if (::stat(path.c_str(), &before) != 0) {
    return lastError();
  }
  if (!S_ISREG(before.st_mode)) {
    return kErrorNotRegularFile;
  }
  int fd = -1;
  if (const int error = openLocked(path, O_RDONLY, LOCK_SH, fd); error != 0) {
    return error;
  }
  handle_ = fd;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = lastError();
    close();
    return error;
  }
  if (!S_ISREG(info.st_mode)) {
    close();
    return kErrorNotRegularFile;
  }
  return 0;
}

int RawFile::read(char* data, std::size_t size, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t count = ::read(static_cast<int>(handle_), data, size);
    if (count >= 0) {
      got = static_cast<std::size_t>(count);
      return 0;
    }
    if (errno != EINTR) {
      return lastError();
    }
  }
}

int RawFile::write(const char* data, std::size_t size) {
  return writeTwo(std::string_view(data, size), {});
}

void RawFile::wrote(std::size_t size) {
  written_ += size;
  if (startWriteBack_ && written_ - writeBackFrom_ >= kWriteBackStep) {
    startWriteBack(static_cast<int>(handle_), writeBackFrom_, written_ - writeBackFrom_);
    writeBackFrom_ = written_;
  }
}

int RawFile::writeTwo(std::string_view first, std::string_view second) {
  // writev only reads the pieces; its iovec is not const for historical reasons.
  std::array<iovec, 2> parts = {{{const_cast<char*>(first.data()), first.size()},
                                 {const_cast<char*>(second.data()), second.size()}}};
  std::size_t next = 0;
  for (;;) {
    while (next < parts.size() && parts[next].iov_len == 0) {
      ++next;
    }
    if (next == parts.size()) {
      return 0;
    }
    const ssize_t count =
        ::writev(static_cast<int>(handle_), &parts[next], static_cast<int>(parts.size() - next));
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return lastError();
    }
    if (count == 0) {
      return EIO;
    }
    // A short write may end anywhere: skip what went out and write the rest.
    auto done = static_cast<std::size_t>(count);
    wrote(done);
    while (next < parts.size() && done >= parts[next].iov_len) {
      done -= parts[next].iov_len;
      ++next;
    }
    if (next < parts.size()) {
      parts[next].iov_base = static_cast<char*>(parts[next].iov_base) + done;
      parts[next].iov_len -= done;
    }
  }
}

int RawFile::close() {
  if (handle_ < 0) {
    return 0;
  }
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (startWriteBack_ && written_ > writeBackFrom_) {
    startWriteBack(fd, writeBackFrom_, written_ - writeBackFrom_);
  }
  startWriteBack_ = false;
  written_ = 0;
  writeBackFrom_ = 0;
  // The descriptor is gone after close() even when it reports EINTR; never retry.
  return ::close(fd) == 0 ? 0 : lastError();
}

} // namespace dravenik::platform
