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
/// A stop request came while the run was under way (see stopRequested()).
inline constexpr int kErrorStopped = -4;
/// A project file's name holds a CR or an LF: written into an assembler
/// source, it would start a line of its own.
inline constexpr int kErrorNameHoldsLineBreak = -5;
/// A project file's name has a character that the host's narrow character
/// set cannot hold, so no name the tool could write would be the file's.
inline constexpr int kErrorNameOutsideCodePage = -6;

/// The words for an error code: the system's description, or ours for our own codes.
std::string errorText(int code);

/// Joins a directory argument exactly as typed and a name with the host's
/// separator ("proj" + "a.asm" is "proj/a.asm"; "" + "a.asm" is the root's).
std::string joinPath(const std::string& directory, std::string_view name);

class OutputFolder;

/// An open operating-system file in binary mode; closed when destroyed.
/// Every operation returns 0 or an error code for errorText.
class RawFile {
public:
  RawFile() = default;
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;
  ~RawFile();

  /// Opens an existing regular file for reading, locked shared, without
  /// waiting. Whatever is not a regular file (a folder, a pipe, a device, a
  /// socket) is refused before it is opened, so that no peer or device ever
  /// notices, and again once it is open, in case it was swapped meanwhile.
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
  /// Files are made only in an output folder, which hands them over open.
  friend class OutputFolder;

  std::intptr_t handle_ = -1;
  /// Counts bytes written and, for a new output file, starts their
  /// write-back every kWriteBackStep bytes, so that the disk works while the
  /// run goes on and putting the file in place later waits for little.
  void wrote(std::size_t size);

  /// Set for a new output file (see wrote()); the rest is started on close.
  bool startWriteBack_ = false;
  std::uint64_t written_ = 0;
  std::uint64_t writeBackFrom_ = 0;
};

} // namespace dravenik::platform
