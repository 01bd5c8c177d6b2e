#include "platform/text_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
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
    test::TempDir dir;
    TextFileWriter file(bufferSize);
    ASSERT_EQ(file.open(dir.at("out.asm")), 0);
    file.write(" dc.l Prg1\nPrg1");
    file.writeByte('\0');
    file.write("long piece without a break\x80");
    EXPECT_EQ(file.position(), 44u);
    ASSERT_EQ(file.close(), 0);
    EXPECT_EQ(test::readFile(dir.at("out.asm")),
              " dc.l Prg1\r\nPrg1\0long piece without a break\x80"s)
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
    TextFileWriter file(kBuffer);
    ASSERT_EQ(file.open(dir.at("out.dat")), 0);
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
    EXPECT_EQ(test::readFile(dir.at("out.dat")).size(), c.onDiskBeforeFlush)
        << c.pieces.size() << " pieces, " << all.size() << " bytes";
    ASSERT_EQ(file.flush(), 0);
    EXPECT_EQ(test::readFile(dir.at("out.dat")), all);
    ASSERT_EQ(file.close(), 0);
  }
}

TEST(TextFileWriterTest, EmptiesAnExistingFile) {
  test::TempDir dir;
  dir.write("out.dat", "stale content");
  TextFileWriter file;
  ASSERT_EQ(file.open(dir.at("out.dat")), 0);
  file.write("new");
  ASSERT_EQ(file.close(), 0);
  EXPECT_EQ(test::readFile(dir.at("out.dat")), "new");
}

TEST(TextFileWriterTest, NeverTouchesAFileSomebodyHasOpen) {
  test::TempDir dir;
  dir.write("busy.asm", "kept");
  {
    TextFileReader reader;
    ASSERT_EQ(reader.open(dir.at("busy.asm")), 0);
    TextFileWriter writer;
    EXPECT_EQ(writer.open(dir.at("busy.asm")), kErrorLocked);
  }
  EXPECT_EQ(test::readFile(dir.at("busy.asm")), "kept"); // refused before emptying it
  TextFileWriter first;
  ASSERT_EQ(first.open(dir.at("busy.asm")), 0);
  TextFileWriter second;
  EXPECT_EQ(second.open(dir.at("busy.asm")), kErrorLocked);
  TextFileReader reader;
  EXPECT_EQ(reader.open(dir.at("busy.asm")), kErrorLocked);
}

TEST(TextFileWriterTest, ReportsAFullDiskAndKeepsTheFirstFailure) {
  TextFileWriter file(4);
  ASSERT_EQ(file.open("/dev/full"), 0);
  file.write("more than four bytes");
  EXPECT_EQ(file.error(), ENOSPC);
  file.write("x");
  EXPECT_EQ(file.close(), ENOSPC);
}

TEST(TextFileWriterTest, ReportsWhereAFileCannotBeCreated) {
  test::TempDir dir;
  TextFileWriter file;
  EXPECT_EQ(file.open(dir.at("missing/out.asm")), ENOENT);
  dir.makeDir("sub.asm");
  EXPECT_EQ(file.open(dir.at("sub.asm")), EISDIR);
}

} // namespace
} // namespace dravenik::platform
