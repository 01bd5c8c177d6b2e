#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace dravenik::platform {

/// What one decoding pass over a block did.
struct DecodedText {
  /// Bytes of decoded text, now at the start of the block.
  std::size_t size;
  /// Input bytes decoded: the whole block, or the bytes before its first Ctrl-Z.
  std::size_t consumed;
  /// The last input byte decoded was a LF (meaningless when consumed is 0).
  bool lineFeedLast;
};

/// Decodes text mode in place in data[0, size), in one pass: a LF becomes
/// lineBreak, the CR of a CR LF pair goes, every other byte stays, and the
/// first Ctrl-Z ends the text. A CR in the last byte stays: whether a LF
/// follows is the caller's to find out. Writes only inside data[0, size),
/// each decoded byte at or before the place it was read from.
using DecodeFunction = DecodedText (*)(char* data, std::size_t size, char lineBreak);

/// One way to decode, for one instruction set.
struct DecoderVersion {
  std::string_view name;
  DecodeFunction decode;
  /// True when this processor can run it.
  bool (*usable)();
};

/// Every version this build holds: the portable one first, then the ones for
/// wider and wider vectors. Each delivers the same bytes.
std::span<const DecoderVersion> decoderVersions();

/// The last version of decoderVersions() that this processor can run.
DecodeFunction fastestDecoder();

/// The portable version: a search per line, bytes moved only where a CR LF
/// pair shrank the text.
DecodedText decodePortable(char* data, std::size_t size, char lineBreak);

/// Carries on decoding data[in, size) where a vector loop stopped, writing
/// from data[out] on (out <= in); lineFeedLast tells whether the byte before
/// data[in] was a LF. A CR at data[in - 1] is already settled: the vector loop
/// looked at data[in] to decide it.
DecodedText decodeRest(char* data, std::size_t size, std::size_t in, std::size_t out,
                       char lineBreak, bool lineFeedLast);

} // namespace dravenik::platform
