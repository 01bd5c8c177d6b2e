#pragma once

#include "constants.h"
#include "platform/output_folder.h"
#include "platform/raw_file.h"
#include "platform/text_mode.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace dravenik::platform {

/// A generated file, written in text mode: every LF is stored as CR LF, every
/// other byte unchanged. Small writes are gathered in a buffer of fixed size
/// that never grows; a piece that does not fit goes to the system together
/// with what is buffered, straight from the caller's memory. The first failure
/// sticks, later writes are dropped, and flush() and close() report it.
class TextFileWriter {
public:
  /// A writer whose buffer holds bufferSize bytes, with no file open yet.
  explicit TextFileWriter(std::size_t bufferSize = kWriteBufferSize);
  /// Flushes what is buffered and closes, best effort (see close()).
  ~TextFileWriter();

  /// Makes the new file that is to become name in folder (see OutputFolder).
  int open(OutputFolder& folder, std::string_view name);
  /// Writes text with the text-mode rule.
  void write(std::string_view text);
  /// Writes bytes exactly as given, for data known to hold no LF or meant
  /// to be stored untranslated.
  void writeBytes(std::string_view bytes);
  /// Writes one byte exactly as given.
  void writeByte(char byte);
  /// The number of bytes the file holds so far, buffered ones included.
  std::uint64_t position() const { return position_; }
  /// Hands everything buffered to the system; returns the first failure.
  int flush();
  /// Flushes and closes; returns the first failure of the file's whole life.
  int close();
  int error() const { return error_; }

private:
  RawFile file_;
  /// Left uninitialised: only the bytes written touch its pages.
  std::unique_ptr<char[]> buffer_;
  std::size_t bufferSize_;
  std::size_t buffered_ = 0;
  std::uint64_t position_ = 0;
  int error_ = 0;
};

/// A project file, read in text mode in pieces of bounded size: CR LF is
/// delivered as LF, a lone CR as it is, and Ctrl-Z ends the input.
class TextFileReader {
public:
  /// Reads in blocks of blockSize bytes and delivers each line break as the
  /// byte lineBreak, decoding with decode (see TextDecoder).
  explicit TextFileReader(std::size_t blockSize = kIoBlockSize, char lineBreak = kLineFeed,
                          DecodeFunction decode = fastestDecoder());

  /// Opens an existing regular file for shared reading (see RawFile).
  int open(const std::string& path);
  /// Opens what this run wrote into folder's new file for name.
  int openNew(const OutputFolder& folder, std::string_view name);
  /// The next piece of decoded text, at most one block long, writable in
  /// place; empty at the end of the input or on a failure (see error()). A
  /// waiting stop request is a failure (kErrorStopped), so that a long copy
  /// ends soon after one comes.
  std::span<char> read();
  int error() const { return error_; }
  /// True when the text read so far ends inside a line without a line break.
  bool lineOpen() const { return decoder_.lineOpen(); }
  int close() { return file_.close(); }

private:
  RawFile file_;
  /// One byte more than a block: room for a CR held back from the previous
  /// read. Left uninitialised: a small file touches only the pages it fills.
  std::unique_ptr<char[]> buffer_;
  std::size_t bufferSize_;
  TextDecoder decoder_;
  int error_ = 0;
};

} // namespace dravenik::platform
