#include "platform/windows/system.h"

#include "constants.h"
#include "platform/raw_file.h"

#include <cerrno>
#include <climits>
#include <windows.h>

namespace dravenik::platform::windows {

int errorCode(unsigned long systemError) {
  switch (systemError) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_INVALID_NAME:
  case ERROR_BAD_NETPATH:
  case ERROR_BAD_NET_NAME:
    return ENOENT;
  case ERROR_ACCESS_DENIED:
    return EACCES;
  case ERROR_WRITE_PROTECT:
    return EROFS;
  case ERROR_SHARING_VIOLATION:
  case ERROR_LOCK_VIOLATION:
    return kErrorLocked;
  case ERROR_DISK_FULL:
  case ERROR_HANDLE_DISK_FULL:
    return ENOSPC;
  case ERROR_DIRECTORY:
    return ENOTDIR;
  case ERROR_FILE_EXISTS:
  case ERROR_ALREADY_EXISTS:
    return EEXIST;
  case ERROR_DIR_NOT_EMPTY:
    return ENOTEMPTY;
  case ERROR_FILENAME_EXCED_RANGE:
    return ENAMETOOLONG;
  case ERROR_NOT_ENOUGH_MEMORY:
  case ERROR_OUTOFMEMORY:
    return ENOMEM;
  case ERROR_NO_UNICODE_TRANSLATION:
    return EILSEQ;
  default:
    return EIO;
  }
}

int lastError() {
  return errorCode(::GetLastError());
}

bool widen(std::string_view text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) {
    return true;
  }
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const int size = static_cast<int>(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) {
    return false;
  }
  wide.resize(static_cast<std::size_t>(needed));
  return ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), needed) == needed;
}

namespace {

/// Windows' own absolute form of path (which must not be empty).
int fullPath(const std::wstring& path, std::wstring& full) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) {
    return lastError();
  }
  full.resize(needed);
  const DWORD got = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (got == 0 || got >= needed) {
    return got == 0 ? lastError() : EIO;
  }
  full.resize(got);
  return 0;
}

} // namespace

int systemPath(const std::string& path, std::wstring& result) {
  std::wstring wide;
  if (!widen(path, wide)) {
    return lastError();
  }
  if (wide.starts_with(kWindowsLongPathPrefix) || wide.starts_with(kWindowsDevicePrefix)) {
    result = wide;
    return 0;
  }
  // Windows takes the POSIX separator too.
  constexpr wchar_t separators[] = {kWindowsPathSeparator, kPosixPathSeparator, L'\0'};
  const std::size_t cut = wide.find_last_of(separators);
  std::wstring full;
  if (const int error = fullPath(cut == std::wstring::npos ? wide : wide.substr(0, cut + 1), full);
      error != 0) {
    return error;
  }
  if (full.starts_with(kWindowsLongPathPrefix) || full.starts_with(kWindowsDevicePrefix)) {
    result = full;
  } else if (full.starts_with(kWindowsUncPrefix)) {
    result = kWindowsLongUncPrefix;
    result.append(full, kWindowsUncPrefix.size());
  } else {
    result = kWindowsLongPathPrefix;
    result += full;
  }
  if (cut != std::wstring::npos) {
    result.append(wide, cut + 1);
  }
  return 0;
}

} // namespace dravenik::platform::windows
