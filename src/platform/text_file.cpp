#include "platform/text_file.h"

#include "platform/text_mode.h"

#include <cstring>

namespace dravenik::platform {

TextFileWriter::TextFileWriter(std::size_t bufferSize)
    : buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)), bufferSize_(bufferSize) {}

TextFileWriter::~TextFileWriter() {
  close();
}

int TextFileWriter::open(OutputFolder& folder, std::string_view name) {
  buffered_ = 0;
  position_ = 0;
  error_ = folder.create(name, file_);
  return error_;
}

void TextFileWriter::write(std::string_view text) {
  for (std::size_t lf = text.find(kLineFeed); lf != std::string_view::npos;
       lf = text.find(kLineFeed)) {
    writeBytes(text.substr(0, lf));
    writeBytes(kStoredLineBreak);
    text.remove_prefix(lf + 1);
  }
  writeBytes(text);
}

void TextFileWriter::writeBytes(std::string_view bytes) {
  if (error_ != 0 || bytes.empty()) {
    return;
  }
  position_ += bytes.size();
  // Checked before appending, so the buffer never needs to grow.
  if (bytes.size() <= bufferSize_ - buffered_) {
    std::memcpy(buffer_.get() + buffered_, bytes.data(), bytes.size());
    buffered_ += bytes.size();
    return;
  }
  // Too large for the room left: one system call for both, and no copy of the piece.
  error_ = file_.writeTwo({buffer_.get(), buffered_}, bytes);
  buffered_ = 0;
}

void TextFileWriter::writeByte(char byte) {
  writeBytes({&byte, 1});
}

int TextFileWriter::flush() {
  if (error_ == 0 && buffered_ > 0) {
    error_ = file_.write(buffer_.get(), buffered_);
  }
  buffered_ = 0;
  return error_;
}

int TextFileWriter::close() {
  if (!file_.isOpen()) {
    return error_;
  }
  flush();
  const int closeError = file_.close();
  if (error_ == 0) {
    error_ = closeError;
  }
  return error_;
}

TextFileReader::TextFileReader(std::size_t blockSize, char lineBreak, DecodeFunction decode)
    : buffer_(std::make_unique_for_overwrite<char[]>(blockSize + 1)), bufferSize_(blockSize + 1),
      decoder_(lineBreak, decode) {}

int TextFileReader::open(const std::string& path) {
  decoder_.restart();
  error_ = file_.openForReading(path);
  return error_;
}

int TextFileReader::openNew(const OutputFolder& folder, std::string_view name) {
  decoder_.restart();
  error_ = folder.openNew(name, file_);
  return error_;
}

std::span<char> TextFileReader::read() {
  while (!decoder_.ended() && error_ == 0) {
    if (stopRequested()) {
      error_ = kErrorStopped;
      return {};
    }
    std::size_t got = 0;
    error_ = file_.read(buffer_.get() + 1, bufferSize_ - 1, got);
    if (error_ != 0) {
      return {};
    }
    if (const std::span<char> text = decoder_.decode({buffer_.get(), bufferSize_}, got);
        !text.empty()) {
      return text;
    }
  }
  return {};
}

} // namespace dravenik::platform
