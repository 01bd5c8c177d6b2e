#pragma once

#include "output/long_table_writer.h"
#include "output/outcome.h"
#include "platform/output_folder.h"
#include "platform/text_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dravenik {

/// "prgsrc.asm" and "prgscr.dat": the source text file holds one block per
/// program (its lines, each followed by LineMark, then an end mark); the offset
/// table is a long table whose entry n is "ProjectScr+<offset of block n>",
/// entry 1 being "ProjectScr" alone.
class SourceText {
public:
  /// Makes the new versions of the offset table file, then of the source
  /// text file, in folder (the output directory as typed being
  /// outputDirectory), and starts the offset table.
  Outcome create(platform::OutputFolder& folder, const std::string& outputDirectory);
  /// Adds the offset table entry and the block of the program that reader
  /// has open (path names it in messages). An offset that a table entry
  /// cannot hold fails as a file too large.
  Outcome addProgram(platform::TextFileReader& reader, const std::string& path);
  /// Closes the offset table, then the source text file; reports the first
  /// failure, so that a full disk shows before the run reports success.
  Outcome close();

private:
  std::string offsetTablePath_;
  std::string sourceTextPath_;
  platform::TextFileWriter offsetTable_{};
  platform::TextFileWriter sourceText_{};
  LongTableWriter offsets_;
};

/// The offset table entry of program number (counted from 1) whose block
/// starts at offset; nothing when a "dc.l" cannot hold offset.
std::optional<std::string> offsetEntry(std::size_t number, std::uint64_t offset);

} // namespace dravenik
