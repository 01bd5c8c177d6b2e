#pragma once

// Text-mode decoding written the plain way, over the whole input at once, and
// the real decoder fed block by block, for the tests and the fuzz targets to
// hold against each other. Header only: the fuzz targets build without the
// test support library.

#include "constants.h"
#include "platform/text_mode.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravenik::test {

/// Decoded text and whether its last line is still open.
struct DecodedInput {
  std::string text;
  bool lineOpen = false;

  bool operator==(const DecodedInput&) const = default;
};

/// The whole input decoded at once: cut at the first Ctrl-Z, the CR of each
/// CR LF pair dropped, each LF written as lineBreak.
inline DecodedInput decodeWhole(std::string_view disk, char lineBreak) {
  disk = disk.substr(0, disk.find(kEndOfText));
  DecodedInput decoded;
  for (std::size_t i = 0; i < disk.size(); ++i) {
    if (disk[i] == kLineFeed) {
      decoded.text += lineBreak;
    } else if (!(disk[i] == kCarriageReturn && i + 1 < disk.size() && disk[i + 1] == kLineFeed)) {
      decoded.text += disk[i];
    }
  }
  decoded.lineOpen = !disk.empty() && disk.back() != kLineFeed;
  return decoded;
}

/// The input fed to a TextDecoder using decode, in blocks of the given sizes
/// (repeated; a size of 0 counts as 1, since a read of 0 bytes is the end).
/// Each block gets a buffer of its exact size, so that a sanitizer sees any
/// access outside it.
inline DecodedInput decodeInBlocks(std::string_view disk, std::span<const std::size_t> blocks,
                                   char lineBreak, platform::DecodeFunction decode) {
  platform::TextDecoder decoder(lineBreak, decode);
  DecodedInput decoded;
  std::size_t at = 0;
  for (std::size_t k = 0; !decoder.ended(); ++k) {
    const std::size_t wanted = std::max<std::size_t>(1, blocks[k % blocks.size()]);
    const std::size_t got = std::min(wanted, disk.size() - at);
    // Fresh each time: a vector's spare capacity would hide an overrun.
    const auto buffer = std::make_unique<char[]>(got + 1);
    std::copy_n(disk.data() + at, got, buffer.get() + 1);
    at += got;
    const std::span<char> text = decoder.decode({buffer.get(), got + 1}, got);
    decoded.text.append(text.data(), text.size());
  }
  decoded.lineOpen = decoder.lineOpen();
  return decoded;
}

/// The decoder versions this processor can run.
inline std::vector<platform::DecoderVersion> usableDecoderVersions() {
  std::vector<platform::DecoderVersion> usable;
  for (const platform::DecoderVersion& version : platform::decoderVersions()) {
    if (version.usable()) {
      usable.push_back(version);
    }
  }
  return usable;
}

} // namespace dravenik::test
