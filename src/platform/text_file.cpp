#include "platform/text_file.h"

#include "platform/text_mode.h"

#include <cerrno>
#include <cstring>

namespace dravenik::platform {

TextFileWriter::~TextFileWriter() {
  close();
}

int TextFileWriter::open(const std::string& path) {
  buffer_.clear();
  buffer_.reserve(bufferSize_);
  position_ = 0;
  error_ = file_.openForWriting(path);
  return error_;
}

void TextFileWriter::write(std::string_view text) {
  if (error_ != 0) {
    return;
  }
  const std::size_t before = buffer_.size();
  if (text.size() >= bufferSize_ && text.find(kLineFeed) == std::string_view::npos) {
    // A large piece with nothing to translate skips the copy into the buffer.
    writeThrough(text);
    return;
  }
  appendExpandingLineFeeds(buffer_, text);
  position_ += buffer_.size() - before;
  if (buffer_.size() >= bufferSize_) {
    flush();
  }
}

void TextFileWriter::writeByte(char byte) {
  if (error_ != 0) {
    return;
  }
  buffer_ += byte;
  ++position_;
  if (buffer_.size() >= bufferSize_) {
    flush();
  }
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

TextFileReader::TextFileReader(std::size_t blockSize)
    : blockSize_(blockSize), buffer_(blockSize + 1) {}

int TextFileReader::open(const std::string& path) {
  heldCr_ = false;
  ended_ = false;
  error_ = file_.openForReading(path);
  return error_;
}

std::span<char> TextFileReader::read() {
  while (!ended_ && error_ == 0) {
    char* const data = buffer_.data();
    const std::size_t start = heldCr_ ? 1 : 0;
    if (heldCr_) {
      data[0] = kCarriageReturn;
    }
    std::size_t got = 0;
    error_ = file_.read(data + start, blockSize_, got);
    if (error_ != 0) {
      return {};
    }
    std::size_t size = start + got;
    if (got == 0) {
      ended_ = true;
    } else if (const void* stop = std::memchr(data + start, kEndOfText, got); stop != nullptr) {
      size = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
      ended_ = true;
    }
    // A CR at the end of the block may be the first half of a CR LF pair.
    heldCr_ = !ended_ && size > 0 && data[size - 1] == kCarriageReturn;
    if (heldCr_) {
      --size;
    }
    size = collapseCrLf(data, size);
    if (size > 0) {
      return {data, size};
    }
  }
  return {};
}

} // namespace dravenik::platform
