#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dravenik::platform {

/// Error codes of our own, beside the operating system's (which are positive).
inline constexpr int kErrorNotRegularFile = -1;
inline constexpr int kErrorLocked = -2;
inline constexpr int kErrorDirectoryInUse = -3;

/// The words for an error code: the system's description, or ours for our own codes.
std::string errorText(int code);

/// Joins a directory argument exactly as typed and a name with the host's
/// separator ("proj" + "a.asm" is "proj/a.asm"; "" + "a.asm" is the root's).
std::string joinPath(const std::string& directory, std::string_view name);

/// An open operating-system file in binary mode; closed when destroyed.
/// Every operation returns 0 or an error code for errorText.
class RawFile {
public:
  RawFile() = default;
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;
  ~RawFile();

  /// Creates or reuses the file at path for writing. Never waits: the file is
  /// locked exclusively first, and only then emptied, when it is a regular file.
  int openForWriting(const std::string& path);
  /// Opens an existing regular file for reading, locked shared, without waiting
  /// and without ever reading a device or a pipe.
  int openForReading(const std::string& path);
  /// Reads up to size bytes into data; got is 0 at the end of the file.
  int read(char* data, std::size_t size, std::size_t& got);
  /// Writes all size bytes of data.
  int write(const char* data, std::size_t size);
  /// Writes all of first, then all of second, in one system call where the
  /// system has one for it: a buffered head and a large piece go out together
  /// without being copied into one place.
  int writeTwo(std::string_view first, std::string_view second);
  /// Closes the file; closing a closed file does nothing.
  int close();
  bool isOpen() const { return handle_ >= 0; }

private:
  std::intptr_t handle_ = -1;
};

} // namespace dravenik::platform
