// The line copier's hot loop without the file system: text-mode decoding,
// line breaks delivered as line marks, over blocks as large as the tool reads,
// in bytes per second, for each decoder version this processor runs.

#include "constants.h"
#include "platform/text_decode.h"
#include "platform/text_mode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace dravenik;

/// About 8 MiB of ordinary assembler lines with CR LF breaks.
std::string typicalLines() {
  const std::string line = "        move.l  d0,(a0)+        ; store the next long word\r\n";
  std::string text;
  while (text.size() < (std::size_t{8} << 20)) {
    text += line;
  }
  return text;
}

/// 8 MiB of one line without any break.
std::string oneLongLine() {
  return std::string(std::size_t{8} << 20, 'x');
}

void copyBlocks(benchmark::State& state, const std::string& disk, platform::DecodeFunction decode) {
  std::vector<char> buffer(kIoBlockSize + 1);
  std::size_t marked = 0;
  for (auto _ : state) {
    platform::TextDecoder decoder(LineMark, decode);
    std::size_t at = 0;
    while (!decoder.ended()) {
      // Stands in for the read: one copy into the block, as the kernel makes.
      const std::size_t got = std::min(kIoBlockSize, disk.size() - at);
      std::copy_n(disk.data() + at, got, buffer.data() + 1);
      at += got;
      const std::span<char> text = decoder.decode(buffer, got);
      marked += text.size();
      benchmark::DoNotOptimize(text.data());
    }
  }
  benchmark::DoNotOptimize(marked);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(disk.size()));
}

/// The floor: the copy into the block alone.
void BM_CopyOnly(benchmark::State& state) {
  const std::string disk = typicalLines();
  std::vector<char> buffer(kIoBlockSize);
  for (auto _ : state) {
    for (std::size_t at = 0; at < disk.size(); at += kIoBlockSize) {
      const std::size_t got = std::min(kIoBlockSize, disk.size() - at);
      std::copy_n(disk.data() + at, got, buffer.data());
      benchmark::DoNotOptimize(buffer.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(disk.size()));
}

} // namespace

int main(int argc, char** argv) {
  const std::string typical = typicalLines();
  const std::string longLine = oneLongLine();
  benchmark::RegisterBenchmark("CopyOnly", BM_CopyOnly);
  for (const platform::DecoderVersion& version : platform::decoderVersions()) {
    if (!version.usable()) {
      continue;
    }
    const std::string name(version.name);
    benchmark::RegisterBenchmark(("TypicalLines/" + name).c_str(),
                                 [&typical, version](benchmark::State& state) {
                                   copyBlocks(state, typical, version.decode);
                                 });
    benchmark::RegisterBenchmark(("OneLongLine/" + name).c_str(),
                                 [&longLine, version](benchmark::State& state) {
                                   copyBlocks(state, longLine, version.decode);
                                 });
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
