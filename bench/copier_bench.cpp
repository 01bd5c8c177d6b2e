// The line copier's hot loop without the file system: text-mode decoding,
// line breaks delivered as line marks, over blocks as large as the tool reads, in bytes per second.

#include "constants.h"
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

void copyBlocks(benchmark::State& state, const std::string& disk) {
  std::vector<char> buffer(kIoBlockSize + 1);
  std::size_t marked = 0;
  for (auto _ : state) {
    platform::TextDecoder decoder(LineMark);
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

void BM_TypicalLines(benchmark::State& state) {
  copyBlocks(state, typicalLines());
}
void BM_OneLongLine(benchmark::State& state) {
  copyBlocks(state, oneLongLine());
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

BENCHMARK(BM_CopyOnly);
BENCHMARK(BM_TypicalLines);
BENCHMARK(BM_OneLongLine);

} // namespace

BENCHMARK_MAIN();
