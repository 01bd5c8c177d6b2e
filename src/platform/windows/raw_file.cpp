#include "platform/raw_file.h"

#include "constants.h"

#include <cerrno>
#include <windows.h>

namespace dravenik::platform {

namespace {

HANDLE asHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

/// The operating system's failure as the error code the POSIX build reports
/// for the same cause, so that both builds say the same words.
int lastError() {
  switch (::GetLastError()) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_INVALID_NAME:
  case ERROR_BAD_NETPATH:
    return ENOENT;
  case ERROR_ACCESS_DENIED:
  case ERROR_WRITE_PROTECT:
    return EACCES;
  case ERROR_SHARING_VIOLATION:
  case ERROR_LOCK_VIOLATION:
    return kErrorLocked;
  case ERROR_DISK_FULL:
  case ERROR_HANDLE_DISK_FULL:
    return ENOSPC;
  case ERROR_DIRECTORY:
    return ENOTDIR;
  default:
    return EIO;
  }
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string joinPath(const std::string& directory, std::string_view name) {
  std::string path = directory;
  path += kWindowsPathSeparator;
  path += name;
  return path;
}

int RawFile::openForWriting(const std::string& path) {
  close();
  if (isDirectory(path)) {
    return EISDIR;
  }
  // No sharing: no other open of a generated file succeeds while it is open,
  // and an open that fails has not emptied it.
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return lastError();
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  // A device is written as it is, never emptied.
  if (::GetFileType(file) == FILE_TYPE_DISK && !::SetEndOfFile(file)) {
    const int error = lastError();
    close();
    return error;
  }
  return 0;
}

int RawFile::openForReading(const std::string& path) {
  close();
  if (isDirectory(path)) {
    return kErrorNotRegularFile;
  }
  // Readers may share; writers are denied while the project file is read.
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return lastError();
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    close();
    return kErrorNotRegularFile;
  }
  return 0;
}

int RawFile::read(char* data, std::size_t size, std::size_t& got) {
  got = 0;
  DWORD count = 0;
  const auto wanted = static_cast<DWORD>(size < kWindowsMaxTransfer ? size : kWindowsMaxTransfer);
  if (!::ReadFile(asHandle(handle_), data, wanted, &count, nullptr)) {
    return lastError();
  }
  got = count;
  return 0;
}

int RawFile::write(const char* data, std::size_t size) {
  while (size > 0) {
    DWORD count = 0;
    const auto wanted = static_cast<DWORD>(size < kWindowsMaxTransfer ? size : kWindowsMaxTransfer);
    if (!::WriteFile(asHandle(handle_), data, wanted, &count, nullptr)) {
      return lastError();
    }
    if (count == 0) {
      return EIO;
    }
    data += count;
    size -= count;
  }
  return 0;
}

int RawFile::writeTwo(std::string_view first, std::string_view second) {
  // Win32 has no gathered write for ordinary files: two calls, no copy.
  if (const int error = write(first.data(), first.size()); error != 0) {
    return error;
  }
  return write(second.data(), second.size());
}

int RawFile::close() {
  if (handle_ < 0) {
    return 0;
  }
  const HANDLE file = asHandle(handle_);
  handle_ = -1;
  return ::CloseHandle(file) ? 0 : lastError();
}

} // namespace dravenik::platform
