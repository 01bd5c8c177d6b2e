#include "platform/text_file.h"
#include "support/temp_dir.h"
#include "support/written_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace dravenik::platform {
namespace {

using namespace std::string_literals;

std::string readAll(TextFileReader& reader) {
  std::string text;
  for (auto piece = reader.read(); !piece.empty(); piece = reader.read()) {
    text.append(piece.data(), piece.size());
  }
  return text;
}

TEST(TextFileReaderTest, DecodesTextModeAcrossEveryBlockBoundary) {
  struct Case {
    std::string disk;
    std::string text;
  };
  const Case cases[] = {
      {"", ""},
      {"a\r\nb\r\n", "a\nb\n"},
      {"a\nb", "a\nb"},
      {"a\rb\r", "a\rb\r"},   // lone CRs stay, also the last byte
      {"\r\r\n\r", "\r\n\r"}, // only the CR right before LF goes
      {"ab\x1a"
       "cd\r\n",
       "ab"},             // Ctrl-Z ends the input
      {"\r\x1a\n", "\r"}, // a CR before Ctrl-Z is a lone CR
      {"\x1a", ""},
      {"x\x80\0y\r\n"s, "x\x80\0y\n"s}, // every other byte unchanged
  };
  for (const std::size_t block : {1, 2, 3, 1 << 20}) {
    for (const Case& c : cases) {
      test::TempDir dir;
      dir.write("in.asm", c.disk);
      TextFileReader reader(block);
      ASSERT_EQ(reader.open(dir.at("in.asm")), 0);
      EXPECT_EQ(readAll(reader), c.text) << "block " << block << ", input size " << c.disk.size();
      EXPECT_EQ(reader.error(), 0);
    }
  }
}

TEST(TextDecoderTest, DeliversLineBreaksAsAskedAndKnowsWhetherALineIsOpen) {
  struct Case {
    std::string disk;
    std::string text;
    bool lineOpen;
  };
  const Case cases[] = {
      {"ab\r\ncd\n", "ab#cd#", false}, {"ab\ncd", "ab#cd", true},
      {"a#\r", "a#\r", true}, // the line's own '#' is no line break
      {"a\r\r\n", "a\r#", false},      {"", "", false},
  };
  for (const std::size_t block : {1, 2, 64}) {
    for (const Case& c : cases) {
      TextDecoder decoder('#');
      std::string text;
      std::vector<char> buffer(block + 1);
      for (std::size_t at = 0; !decoder.ended();) {
        const std::size_t got = std::min(block, c.disk.size() - at);
        std::copy_n(c.disk.data() + at, got, buffer.data() + 1);
        at += got;
        const std::span<char> piece = decoder.decode(buffer, got);
        text.append(piece.data(), piece.size());
      }
      EXPECT_EQ(text, c.text) << "block " << block << ", input " << c.disk;
      EXPECT_EQ(decoder.lineOpen(), c.lineOpen) << "block " << block << ", input " << c.disk;
    }
  }
}

TEST(TextFileReaderTest, RefusesWhatIsNoRegularFile) {
  test::TempDir dir;
  dir.makeDir("old.asm");
  dir.link("dangling.asm", dir.at("nowhere"));
  TextFileReader reader;
  EXPECT_EQ(reader.open(dir.at("old.asm")), kErrorNotRegularFile);
  EXPECT_EQ(reader.open(dir.at("dangling.asm")), ENOENT);
  EXPECT_EQ(reader.open("/dev/zero"), kErrorNotRegularFile);
}

TEST(TextFileWriterTest, StoresLineFeedsAsCrLfAndCountsStoredBytes) {
  for (const std::size_t bufferSize : {1, 4, 1 << 20}) {
    test::WrittenFile written(bufferSize);
    TextFileWriter& file = written.writer();
    file.write(" dc.l Prg1\nPrg1");
    file.writeByte('\0');
    file.write("long piece without a break\x80");
    EXPECT_EQ(file.position(), 44u);
    EXPECT_EQ(written.bytes(), " dc.l Prg1\r\nPrg1\0long piece without a break\x80"s)
        << "buffer " << bufferSize;
  }
}

TEST(TextFileWriterTest, GathersSmallPiecesAndSendsALargeOneOutWithWhatIsBuffered) {
  constexpr std::size_t kBuffer = 8;
  struct Case {
    std::vector<std::size_t> pieces;
    std::size_t onDiskBeforeFlush; // what a piece that did not fit took out with it
  };
  const Case cases[] = {
      {{8}, 0},           // fills the buffer exactly
      {{3, 5}, 0},        // so do two
      {{3, 6}, 9},        // the second does not fit: both go out together
      {{9}, 9},           // larger than the buffer, nothing buffered
      {{0, 1, 7, 1}, 9},  // the last byte does not fit
      {{2, 100, 3}, 102}, // buffering starts over after a piece went out
      {{5, 5, 5, 5}, 20}, // every second piece takes the one before it
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    OutputFolder folder;
    ASSERT_EQ(folder.open(dir.path()), 0);
    TextFileWriter file(kBuffer);
    ASSERT_EQ(file.open(folder, "out.dat"), 0);
    // Until the commit, the bytes are in the new file under its staging name.
    const std::string onDisk = dir.at("out.dat" + std::string(kStagingSuffix));
    std::string all;
    for (const std::size_t size : c.pieces) {
      std::string piece;
      for (std::size_t i = 0; i < size; ++i) {
        piece += static_cast<char>('a' + (all.size() + i) % 26);
      }
      file.writeBytes(piece);
      all += piece;
      EXPECT_EQ(file.position(), all.size());
    }
    EXPECT_EQ(test::readFile(onDisk).size(), c.onDiskBeforeFlush)
        << c.pieces.size() << " pieces, " << all.size() << " bytes";
    ASSERT_EQ(file.flush(), 0);
    EXPECT_EQ(test::readFile(onDisk), all);
    ASSERT_EQ(file.close(), 0);
  }
}

TEST(TextFileReaderTest, NeverReadsAFileSomebodyHoldsForWriting) {
  test::TempDir dir;
  dir.write("busy.asm", "kept");
  const int holder = ::open(dir.at("busy.asm").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  TextFileReader reader;
  EXPECT_EQ(reader.open(dir.at("busy.asm")), kErrorLocked);
  ::close(holder);
  EXPECT_EQ(reader.open(dir.at("busy.asm")), 0);
}

TEST(TextFileWriterTest, ReportsAFailedWriteAndKeepsTheFirstFailure) {
  // A file-size limit fails a write the way a full disk does.
  std::signal(SIGXFSZ, SIG_IGN); // as the tool does: a write past it fails, nothing is killed
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 8;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  int firstError = 0;
  int closeError = 0;
  {
    test::TempDir dir;
    OutputFolder folder;
    TextFileWriter file(4);
    if (folder.open(dir.path()) == 0 && file.open(folder, "out.dat") == 0) {
      file.write("more than eight bytes");
      firstError = file.error();
      file.write("x");
      closeError = file.close();
    }
  }
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_EQ(firstError, EFBIG);
  EXPECT_EQ(closeError, EFBIG);
}

} // namespace
} // namespace dravenik::platform
