#include "platform/text_file.h"

#include "platform/text_mode.h"

namespace dravenik::platform {

TextFileWriter::~TextFileWriter() {
  close();
}

int TextFileWriter::open(OutputFolder& folder, std::string_view name) {
  buffer_.clear();
  buffer_.reserve(bufferSize_);
  position_ = 0;
  error_ = folder.create(name, file_);
  return error_;
}

void TextFileWriter::write(std::string_view text) {
  if (text.find(kLineFeed) == std::string_view::npos) {
    writeBytes(text);
    return;
  }
  if (error_ != 0) {
    return;
  }
  const std::size_t before = buffer_.size();
  appendExpandingLineFeeds(buffer_, text);
  position_ += buffer_.size() - before;
  if (buffer_.size() >= bufferSize_) {
    flush();
  }
}

void TextFileWriter::writeBytes(std::string_view bytes) {
  if (error_ != 0) {
    return;
  }
  if (bytes.size() >= bufferSize_ / kWriteThroughDivisor) {
    // A large piece costs less as one more system call than as a copy into the buffer.
    writeThrough(bytes);
    return;
  }
  buffer_.append(bytes);
  position_ += bytes.size();
  if (buffer_.size() >= bufferSize_) {
    flush();
  }
}

void TextFileWriter::writeByte(char byte) {
  writeBytes({&byte, 1});
}

void TextFileWriter::writeThrough(std::string_view bytes) {
  if (flush() != 0) {
    return;
  }
  error_ = file_.write(bytes.data(), bytes.size());
  position_ += bytes.size();
}

int TextFileWriter::flush() {
  if (error_ == 0 && !buffer_.empty()) {
    error_ = file_.write(buffer_.data(), buffer_.size());
  }
  buffer_.clear();
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

TextFileReader::TextFileReader(std::size_t blockSize, char lineBreak)
    : buffer_(std::make_unique_for_overwrite<char[]>(blockSize + 1)), bufferSize_(blockSize + 1),
      decoder_(lineBreak) {}

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
