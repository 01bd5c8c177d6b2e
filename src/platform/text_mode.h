#pragma once

#include "constants.h"
#include "platform/text_decode.h"

#include <cstddef>
#include <span>

namespace dravenik::platform {

/// Decodes text mode in place, one block at a time: a CR LF pair or a lone
/// LF is a line break, a lone CR stays, Ctrl-Z ends the input. Every line
/// break is delivered as one byte of the caller's choosing: LF for plain
/// text-mode reading, or a mark that the output wants in its place, which
/// saves a second pass over the text. A CR at the end of a block is held back
/// until the next block shows whether LF follows it.
///
/// Each block is read into buffer[1, buffer.size()); buffer[0] is kept free
/// for the held CR, so decoding never copies a block. The block is decoded in
/// one pass by decodeFunction (one of decoderVersions(), by default the
/// fastest this processor runs).
class TextDecoder {
public:
  explicit TextDecoder(char lineBreak = kLineFeed, DecodeFunction decodeFunction = fastestDecoder())
      : lineBreak_(lineBreak), decodeFunction_(decodeFunction) {}

  /// Decodes the got bytes just read into buffer[1, 1 + got); got == 0 means
  /// the input has ended. Returns the decoded text, a part of buffer, which is
  /// empty when the block held only a CR or nothing is left.
  std::span<char> decode(std::span<char> buffer, std::size_t got);
  /// Starts over for a new input, keeping the line-break byte and the version.
  void restart() { *this = TextDecoder(lineBreak_, decodeFunction_); }
  /// True once the end of the input or a Ctrl-Z has been seen.
  bool ended() const { return ended_; }
  /// True when the text delivered so far ends inside a line: its last line
  /// has no line break (whatever bytes that line holds).
  bool lineOpen() const { return lineOpen_; }

private:
  char lineBreak_;
  DecodeFunction decodeFunction_;
  bool heldCr_ = false;
  bool ended_ = false;
  bool lineOpen_ = false;
};

} // namespace dravenik::platform
