#include "platform/text_mode.h"

#include "constants.h"

namespace dravenik::platform {

std::span<char> TextDecoder::decode(std::span<char> buffer, std::size_t got) {
  if (ended_) {
    return {};
  }
  char* const data = buffer.data();
  const std::size_t start = heldCr_ ? 0 : 1;
  if (heldCr_) {
    data[0] = kCarriageReturn;
  }
  // A CR at the end of the block may be the first half of a CR LF pair: it
  // waits for the next block, unless a Ctrl-Z before it ends the input.
  const bool crLast = got > 0 && data[got] == kCarriageReturn;
  const std::size_t size = 1 + got - start - (crLast ? 1 : 0);
  const DecodedText text = decodeFunction_(data + start, size, lineBreak_);
  ended_ = got == 0 || text.consumed < size;
  heldCr_ = crLast && !ended_;
  if (text.consumed > 0) {
    lineOpen_ = !text.lineFeedLast;
  }
  return {data + start, text.size};
}

} // namespace dravenik::platform
