#include "constants.h"
#include "platform/text_decode.h"
#include "support/text_mode_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravenik::platform {
namespace {

/// Inputs with the bytes that matter planted on both sides of every vector
/// width (16, 32, 64) and of twice the widest, and some dense ones.
std::vector<std::string> edgeInputs() {
  const std::string_view plants[] = {"\r\n",   "\r",     "\n",     "\x1a",
                                     "\r\r\n", "\n\r\n", "\r\x1a", "\x80\r\n"};
  const std::size_t edges[] = {0, 1, 14, 15, 16, 17, 30, 31, 32, 33, 62, 63, 64, 65, 126, 127, 128};
  constexpr std::size_t kLength = 140;
  std::vector<std::string> inputs;
  for (const std::string_view plant : plants) {
    for (const std::size_t edge : edges) {
      std::string input(kLength, 'x');
      input.replace(edge, plant.size(), plant);
      inputs.push_back(input);
    }
  }
  std::string lines;
  std::string pairs;
  for (int i = 0; i < 40; ++i) {
    lines += "ab\r\n";
    pairs += "\r\n\r\n";
  }
  inputs.push_back(lines);
  inputs.push_back(pairs);
  inputs.push_back(std::string(100, '\r'));
  inputs.push_back(std::string(100, '\n'));
  // Line breaks, lone CRs and marks in every mix, ended by a Ctrl-Z late on.
  std::string mixed;
  std::uint32_t state = 1;
  for (int i = 0; i < 300; ++i) {
    state = state * 1103515245 + 12345;
    mixed += "a\r\n\x80"[(state >> 16) % 4];
  }
  inputs.push_back(mixed);
  inputs.push_back(mixed + "\x1a" + mixed);
  return inputs;
}

TEST(TextDecoderVersionsTest, EveryVersionDecodesLikeTheWholeInputWhateverTheBlocks) {
  std::vector<std::vector<std::size_t>> blockRuns;
  for (std::size_t size = 1; size <= 130; ++size) {
    blockRuns.push_back({size});
  }
  blockRuns.push_back({63, 1, 65, 2});
  blockRuns.push_back({0, 17, 31, 33});
  const std::vector<std::string> inputs = edgeInputs();
  const std::vector<DecoderVersion> versions = test::usableDecoderVersions();
  ASSERT_FALSE(versions.empty());
  EXPECT_EQ(versions.front().name, kDecoderPortable); // runs everywhere
  for (const char lineBreak : {LineMark, kLineFeed}) {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const test::DecodedInput expected = test::decodeWhole(inputs[i], lineBreak);
      for (const DecoderVersion& version : versions) {
        for (const std::vector<std::size_t>& blocks : blockRuns) {
          const test::DecodedInput decoded =
              test::decodeInBlocks(inputs[i], blocks, lineBreak, version.decode);
          ASSERT_EQ(decoded.text, expected.text)
              << version.name << ", input " << i << ", first block " << blocks.front();
          ASSERT_EQ(decoded.lineOpen, expected.lineOpen)
              << version.name << ", input " << i << ", first block " << blocks.front();
        }
      }
    }
  }
}

} // namespace
} // namespace dravenik::platform
