#include "platform/text_mode.h"

#include "constants.h"

#include <cstring>

namespace dravenik::platform {

std::size_t TextDecoder::markLineBreaks(char* data, std::size_t size) {
  std::size_t in = 0;
  std::size_t out = 0;
  // One search per line; the bytes move only once a CR LF pair has shrunk the text.
  while (const void* found = std::memchr(data + in, kLineFeed, size - in)) {
    const auto lf = static_cast<std::size_t>(static_cast<const char*>(found) - data);
    const std::size_t lineEnd = lf > in && data[lf - 1] == kCarriageReturn ? lf - 1 : lf;
    if (out != in) {
      std::memmove(data + out, data + in, lineEnd - in);
    }
    out += lineEnd - in;
    data[out] = lineBreak_;
    ++out;
    in = lf + 1;
  }
  if (out != in) {
    std::memmove(data + out, data + in, size - in);
  }
  if (size > 0) {
    lineOpen_ = in < size;
  }
  return out + (size - in);
}

std::span<char> TextDecoder::decode(std::span<char> buffer, std::size_t got) {
  if (ended_) {
    return {};
  }
  char* const data = buffer.data();
  const std::size_t start = heldCr_ ? 0 : 1;
  if (heldCr_) {
    data[0] = kCarriageReturn;
  }
  std::size_t end = 1 + got;
  if (got == 0) {
    ended_ = true;
  } else if (const void* stop = std::memchr(data + 1, kEndOfText, got); stop != nullptr) {
    end = static_cast<std::size_t>(static_cast<const char*>(stop) - data);
    ended_ = true;
  }
  // A CR at the end of the block may be the first half of a CR LF pair.
  heldCr_ = !ended_ && end > start && data[end - 1] == kCarriageReturn;
  if (heldCr_) {
    --end;
  }
  return {data + start, markLineBreaks(data + start, end - start)};
}

} // namespace dravenik::platform
