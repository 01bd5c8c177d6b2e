#include "platform/directory_lock.h"

#include "constants.h"
#include "platform/raw_file.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <windows.h>

namespace dravenik::platform {

namespace {

/// Why a directory path that cannot be opened fails: a file where the
/// directory should be is "not a directory", as on POSIX hosts; else it is missing.
int missingDirectoryError(std::string directory) {
  while (!directory.empty() && (directory.back() == '\\' || directory.back() == '/')) {
    directory.pop_back();
  }
  const DWORD attributes = ::GetFileAttributesA(directory.c_str());
  const bool isFile =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return isFile ? ENOTDIR : ENOENT;
}

} // namespace

DirectoryLock::~DirectoryLock() {
  if (handle_ != -1) {
    const HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
  }
}

int DirectoryLock::lock(const std::string& directory) {
  // Shares everything: the lock must not keep this run from listing the
  // directory or creating files in it (the output may be the project folder).
  const HANDLE dir = ::CreateFileA(directory.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (dir == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : missingDirectoryError(directory);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(dir, &info) != 0;
  ::CloseHandle(dir);
  if (!known) {
    return EIO;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return ENOTDIR;
  }
  char name[kWindowsLockNameSize];
  std::snprintf(name, sizeof name, kWindowsLockNameFormat, info.dwVolumeSerialNumber,
                info.nFileIndexHigh, info.nFileIndexLow);
  const HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) {
    return EIO;
  }
  // Never waits: a run that finds the directory taken stops at once.
  const DWORD taken = ::WaitForSingleObject(mutex, 0);
  if (taken != WAIT_OBJECT_0 && taken != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return kErrorDirectoryInUse;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
  return 0;
}

} // namespace dravenik::platform
