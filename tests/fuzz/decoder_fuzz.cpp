// Every text-mode decoder version this processor runs, in memory, against a
// whole-input model: once called directly on the whole input, and once
// through the TextDecoder in blocks of arbitrary sizes, each in a buffer of
// its exact size so that the sanitizer sees any access outside it.

#include "constants.h"
#include "platform/text_decode.h"
#include "support/text_mode_model.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace dravenik;

/// The size of a block: mostly around the vector widths.
constexpr std::size_t kLargestBlock = 200;

void fail(std::string_view version, const char* what) {
  std::fprintf(stderr, "%.*s: %s differs from the model\n", static_cast<int>(version.size()),
               version.data(), what);
  std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<platform::DecoderVersion> versions = test::usableDecoderVersions();
  FuzzedDataProvider input(data, size);
  const char lineBreak = input.ConsumeBool() ? LineMark : kLineFeed;
  std::vector<std::size_t> blocks(input.ConsumeIntegralInRange<std::size_t>(1, 4));
  for (std::size_t& block : blocks) {
    block = input.ConsumeIntegralInRange<std::size_t>(0, kLargestBlock);
  }
  const std::string disk = input.ConsumeRemainingBytesAsString();
  const test::DecodedInput expected = test::decodeWhole(disk, lineBreak);

  const std::size_t consumed = std::min(disk.find(kEndOfText), disk.size());
  const bool lineFeedLast = consumed > 0 && disk[consumed - 1] == kLineFeed;
  for (const platform::DecoderVersion& version : versions) {
    const auto whole = std::make_unique<char[]>(disk.size());
    std::copy(disk.begin(), disk.end(), whole.get());
    const platform::DecodedText text = version.decode(whole.get(), disk.size(), lineBreak);
    if (std::string_view(whole.get(), text.size) != expected.text) {
      fail(version.name, "the whole input's text");
    }
    if (text.consumed != consumed || (consumed > 0 && text.lineFeedLast != lineFeedLast)) {
      fail(version.name, "the whole input's end");
    }
    if (test::decodeInBlocks(disk, blocks, lineBreak, version.decode) != expected) {
      fail(version.name, "the text decoded in blocks");
    }
  }
  return 0;
}
