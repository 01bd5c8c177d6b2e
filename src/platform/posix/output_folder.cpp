#include "platform/output_folder.h"

#include "constants.h"
#include "platform/posix/lock.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dravenik::platform {

namespace {

/// Every output name, so that strays of a killed run can be found by name.
constexpr std::array<std::string_view, 4> kOutputNames = {
    kIncludeFileName, kNameListFileName, kOffsetTableFileName, kSourceTextFileName};
/// The requests that stop a run: held back, then acted on at a safe point.
constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
constexpr const char* kNullDevice = "/dev/null";

using posix::lastError;

std::string stagingName(std::string_view name) {
  std::string staged(name);
  staged += kStagingSuffix;
  return staged;
}

/// A stop request that whoever started us set to be ignored (nohup, say)
/// stays ignored: it is held back like the others but never acted on.
bool ignored(int signal) {
  struct sigaction action {};
  return ::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kStopSignals) {
    sigaddset(&set, signal);
  }
  return set;
}

/// Why name cannot take the place of what stands there now, or 0: the
/// causes a rename can meet that this run could not already see.
int replaceError(int folder, const struct stat& folderInfo, const std::string& name) {
  struct stat info {};
  if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? 0 : lastError();
  }
  if (S_ISDIR(info.st_mode)) {
    return EISDIR;
  }
  // In a sticky folder only the owner of an entry or of the folder may replace it.
  const uid_t user = ::geteuid();
  if ((folderInfo.st_mode & S_ISVTX) != 0 && user != 0 && info.st_uid != user &&
      folderInfo.st_uid != user) {
    return EPERM;
  }
  return 0;
}

} // namespace

OutputFolder::~OutputFolder() {
  discard();
  if (handle_ >= 0) {
    ::close(static_cast<int>(handle_)); // lets the lock go
  }
}

int OutputFolder::open(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return lastError();
  }
  if (const int error = posix::lockWithoutWaiting(fd, LOCK_EX, kErrorDirectoryInUse); error != 0) {
    ::close(fd);
    return error;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = lastError();
    ::close(fd);
    return error;
  }
  handle_ = fd;
  directory_ = directory;
  volume_ = static_cast<std::uint64_t>(info.st_dev);
  index_ = static_cast<std::uint64_t>(info.st_ino);
  // New files of a run that was killed: nobody else writes them while the
  // folder is ours. What cannot be removed here shows when it is made again.
  for (const std::string_view name : kOutputNames) {
    ::unlinkat(fd, stagingName(name).c_str(), 0);
  }
  return 0;
}

bool OutputFolder::isSameAs(const std::string& directory) const {
  struct stat info {};
  return handle_ >= 0 && ::stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         static_cast<std::uint64_t>(info.st_dev) == volume_ &&
         static_cast<std::uint64_t>(info.st_ino) == index_;
}

int OutputFolder::create(std::string_view name, RawFile& file) {
  file.close();
  const int folder = static_cast<int>(handle_);
  const std::string staged = stagingName(name);
  if (::unlinkat(folder, staged.c_str(), 0) != 0 && errno != ENOENT) {
    return lastError();
  }
  // O_EXCL with O_NOFOLLOW: always a new file of our own, never one that a
  // link placed here meanwhile points at.
  const int fd =
      ::openat(folder, staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
               static_cast<mode_t>(kPosixCreateMode));
  if (fd < 0) {
    return lastError();
  }
  made_.emplace_back(name);
  file.handle_ = fd;
  file.startWriteBack_ = true;
  struct stat old {};
  if (::fstatat(folder, made_.back().c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & kPosixPermissionBits) != 0) {
    return lastError();
  }
  return 0;
}

int OutputFolder::openNew(std::string_view name, RawFile& file) const {
  file.close();
  const int fd = ::openat(static_cast<int>(handle_), stagingName(name).c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return lastError();
  }
  file.handle_ = fd;
  return 0;
}

int OutputFolder::commit(std::string& failedName) {
  const int folder = static_cast<int>(handle_);
  struct stat folderInfo {};
  if (::fstat(folder, &folderInfo) != 0) {
    failedName = made_.empty() ? std::string() : made_.front();
    return lastError();
  }
  for (const std::string& name : made_) {
    if (const int error = replaceError(folder, folderInfo, name); error != 0) {
      failedName = name;
      return error;
    }
  }
  // The files being replaced are held open until every new one is in place:
  // a rename that drops the last name of a large file would otherwise free
  // its blocks on the spot, inside the moment between the first rename and
  // the last.
  std::vector<int> replaced;
  for (const std::string& name : made_) {
    const int fd = ::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      replaced.push_back(fd);
    }
  }
  // The new files' write-back was started when each was closed, and the last
  // made (the source text, by far the largest) moves first: whatever its
  // rename waits for happens before anything has changed.
  int error = 0;
  while (!made_.empty()) {
    const std::string& name = made_.back();
    if (::renameat(folder, stagingName(name).c_str(), folder, name.c_str()) != 0) {
      failedName = name;
      error = lastError();
      break;
    }
    made_.pop_back();
  }
  for (const int fd : replaced) {
    ::close(fd);
  }
  return error;
}

void OutputFolder::discard() {
  for (const std::string& name : made_) {
    ::unlinkat(static_cast<int>(handle_), stagingName(name).c_str(), 0);
  }
  made_.clear();
}

void prepareProcess() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
      // open() takes the lowest free descriptor, which is this one. Should
      // it fail, there is nobody to tell: the exit status still tells.
      static_cast<void>(::open(kNullDevice, O_RDWR));
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  const sigset_t held = stopSignals();
  ::sigprocmask(SIG_BLOCK, &held, nullptr);
}

bool stopRequested() {
  sigset_t pending;
  if (::sigpending(&pending) != 0) {
    return false;
  }
  for (const int signal : kStopSignals) {
    if (sigismember(&pending, signal) == 1 && !ignored(signal)) {
      return true;
    }
  }
  return false;
}

void actOnStopRequest() {
  if (!stopRequested()) {
    return;
  }
  // Each stop request ends the process by default; letting them through
  // delivers the waiting one, with the status a shell expects of it.
  for (const int signal : kStopSignals) {
    if (!ignored(signal)) {
      std::signal(signal, SIG_DFL);
    }
  }
  const sigset_t held = stopSignals();
  ::sigprocmask(SIG_UNBLOCK, &held, nullptr);
}

} // namespace dravenik::platform
