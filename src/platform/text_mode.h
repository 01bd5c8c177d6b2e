#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace dravenik::platform {

/// Removes, in place, every CR that is directly followed by LF in data[0, size)
/// and returns the new size. A CR at the very end is kept: the caller holds it
/// back when more input may follow.
std::size_t collapseCrLf(char* data, std::size_t size);

/// Decodes text mode in place, one block at a time: CR LF becomes LF, a lone
/// CR stays, Ctrl-Z ends the input. A CR at the end of a block is held back
/// until the next block shows whether LF follows it.
///
/// Each block is read into buffer[1, buffer.size()); buffer[0] is kept free
/// for the held CR, so decoding never copies a block.
class TextDecoder {
public:
  /// Decodes the got bytes just read into buffer[1, 1 + got); got == 0 means
  /// the input has ended. Returns the decoded text, a part of buffer, which is
  /// empty when the block held only a CR or nothing is left.
  std::span<char> decode(std::span<char> buffer, std::size_t got);
  /// True once the end of the input or a Ctrl-Z has been seen.
  bool ended() const { return ended_; }

private:
  bool heldCr_ = false;
  bool ended_ = false;
};

/// Appends text to out with every LF written as CR LF.
void appendExpandingLineFeeds(std::string& out, std::string_view text);

} // namespace dravenik::platform
