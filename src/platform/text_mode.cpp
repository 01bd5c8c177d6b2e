#include "platform/text_mode.h"

#include "constants.h"

#include <cstring>

namespace dravenik::platform {

std::size_t collapseCrLf(char* data, std::size_t size) {
  const char* in = data;
  const char* const end = data + size;
  char* out = data;
  for (;;) {
    const auto* cr = static_cast<const char*>(std::memchr(in, kCarriageReturn, end - in));
    const char* const stop = cr == nullptr ? end : cr + 1;
    const bool dropCr = cr != nullptr && stop < end && *stop == kLineFeed;
    const std::size_t keep = static_cast<std::size_t>(stop - in) - (dropCr ? 1 : 0);
    if (out != in) {
      std::memmove(out, in, keep);
    }
    out += keep;
    if (cr == nullptr) {
      return static_cast<std::size_t>(out - data);
    }
    in = stop;
  }
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
  return {data + start, collapseCrLf(data + start, end - start)};
}

void appendExpandingLineFeeds(std::string& out, std::string_view text) {
  for (;;) {
    const std::size_t lf = text.find(kLineFeed);
    if (lf == std::string_view::npos) {
      out.append(text);
      return;
    }
    out.append(text.substr(0, lf));
    out += kCarriageReturn;
    out += kLineFeed;
    text.remove_prefix(lf + 1);
  }
}

} // namespace dravenik::platform
