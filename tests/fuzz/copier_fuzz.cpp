// The streaming copier against a plain whole-buffer model of what a block of
// the source text file must hold, over arbitrary bytes and arbitrary block,
// chunk and buffer sizes: in memory with every decoder version this processor
// runs, and through real files with one of them, chosen by the input.

#include "constants.h"
#include "output/line_copier.h"
#include "output/marks.h"
#include "platform/text_file.h"
#include "platform/text_mode.h"
#include "support/text_mode_model.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace dravenik;

/// The block for one project file, computed over the whole input at once.
std::string model(std::string disk) {
  disk = disk.substr(0, disk.find(kEndOfText));
  std::string text;
  for (std::size_t i = 0; i < disk.size(); ++i) {
    if (!(disk[i] == '\r' && i + 1 < disk.size() && disk[i + 1] == '\n')) {
      text += disk[i];
    }
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lf = text.find('\n', start);
    const std::size_t end = lf == std::string::npos ? text.size() : lf;
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::string block;
  for (const std::string& line : lines) {
    block += line;
    block += '\x80';
  }
  block += '\0';
  if (block.size() % 2 != 0) {
    block += '\0';
  }
  return block;
}

/// The decoder fed in chunks of the given sizes, in memory, as the copier uses it.
std::string streamInChunks(const std::string& disk, const std::vector<std::size_t>& chunks,
                           platform::DecodeFunction decode) {
  const test::DecodedInput decoded = test::decodeInBlocks(disk, chunks, LineMark, decode);
  std::string block = decoded.text;
  if (decoded.lineOpen) {
    block += LineMark;
  }
  block += EndMark;
  if (block.size() % 2 != 0) {
    block += EndMark;
  }
  return block;
}

/// The real copier through real files, with the given block and buffer sizes.
std::string copyThroughFiles(const std::string& disk, std::size_t blockSize, std::size_t bufferSize,
                             platform::DecodeFunction decode) {
  static const std::string dir = [] {
    std::string pattern = "/tmp/dravenik-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::abort();
    }
    return pattern;
  }();
  const std::string in = dir + "/in.asm";
  const std::string out = dir + "/out.dat";
  platform::OutputFolder folder;
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(disk.data(), static_cast<std::streamsize>(disk.size()));
  }
  platform::TextFileReader reader(blockSize, LineMark, decode);
  platform::TextFileWriter writer(bufferSize);
  std::string failed;
  if (folder.open(dir) != 0 || reader.open(in) != 0 || writer.open(folder, "out.dat") != 0 ||
      copyLines(reader, writer) != 0) {
    std::abort();
  }
  writeEndMark(writer);
  if (writer.close() != 0 || folder.commit(failed) != 0) {
    std::abort();
  }
  std::ifstream file(out, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<platform::DecoderVersion> versions = test::usableDecoderVersions();
  FuzzedDataProvider input(data, size);
  const std::size_t blockSize = input.ConsumeIntegralInRange<std::size_t>(1, 200);
  const std::size_t bufferSize = input.ConsumeIntegralInRange<std::size_t>(1, 64);
  const platform::DecoderVersion& throughFiles =
      versions[input.ConsumeIntegralInRange<std::size_t>(0, versions.size() - 1)];
  std::vector<std::size_t> chunks(input.ConsumeIntegralInRange<std::size_t>(1, 8));
  for (std::size_t& chunk : chunks) {
    chunk = input.ConsumeIntegralInRange<std::size_t>(0, 100);
  }
  const std::string disk = input.ConsumeRemainingBytesAsString();

  const std::string expected = model(disk);
  for (const platform::DecoderVersion& version : versions) {
    if (streamInChunks(disk, chunks, version.decode) != expected) {
      std::fprintf(stderr, "%s streamed in chunks: differs from the model\n",
                   std::string(version.name).c_str());
      std::abort();
    }
  }
  if (copyThroughFiles(disk, blockSize, bufferSize, throughFiles.decode) != expected) {
    std::fprintf(stderr, "%s copied through files: differs from the model\n",
                 std::string(throughFiles.name).c_str());
    std::abort();
  }
  return 0;
}
