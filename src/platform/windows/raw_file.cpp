#include "platform/raw_file.h"

#include "constants.h"
#include "platform/windows/system.h"

#include <cerrno>
#include <windows.h>

namespace dravenik::platform {

namespace {

HANDLE asHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

} // namespace

std::string joinPath(const std::string& directory, std::string_view name) {
  std::string path = directory;
  path += kWindowsPathSeparator;
  path += name;
  return path;
}

int RawFile::openForReading(const std::string& path) {
  close();
  std::wstring wide;
  if (const int error = windows::systemPath(path, wide); error != 0) {
    return error;
  }
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return kErrorNotRegularFile;
  }
  // Readers may share; writers are denied while the project file is read.
  const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return windows::lastError();
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
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
    return windows::lastError();
  }
  got = count;
  return 0;
}

int RawFile::write(const char* data, std::size_t size) {
  while (size > 0) {
    DWORD count = 0;
    const auto wanted = static_cast<DWORD>(size < kWindowsMaxTransfer ? size : kWindowsMaxTransfer);
    if (!::WriteFile(asHandle(handle_), data, wanted, &count, nullptr)) {
      return windows::lastError();
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
  // Windows has no call that only starts a write-back; the cache writes it soon enough.
  startWriteBack_ = false;
  return ::CloseHandle(file) ? 0 : windows::lastError();
}

} // namespace dravenik::platform
