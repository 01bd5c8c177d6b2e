#pragma once

#include "constants.h"
#include "output/long_table_writer.h"
#include "output/outcome.h"
#include "platform/text_file.h"

#include <string>
#include <string_view>

namespace dravenik {

/// "prgsrc.asm" and "prgscr.dat": the source text file holds one block per
/// program (its lines, each followed by LineMark, then an end mark); the offset
/// table is a long table whose entry n is "ProjectScr+<offset of block n>",
/// entry 1 being "ProjectScr" alone.
class SourceText {
public:
  /// Creates the offset table file, then the source text file, in
  /// outputDirectory, and starts the offset table.
  Outcome create(const std::string& outputDirectory);
  /// Adds the offset table entry and the block of the program file at path.
  Outcome addProgram(const std::string& path);
  /// Closes the offset table and hands the source text file's bytes to the
  /// system, so that a full disk shows before the run reports success.
  Outcome finishTable();
  /// Closes the source text file.
  Outcome close();

private:
  std::string offsetTablePath_;
  std::string sourceTextPath_;
  platform::TextFileWriter offsetTable_{};
  platform::TextFileWriter sourceText_{};
  platform::TextFileReader reader_{kIoBlockSize, LineMark};
  LongTableWriter offsets_;
};

} // namespace dravenik
