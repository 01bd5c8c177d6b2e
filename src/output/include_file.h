#pragma once

#include "output/long_table_writer.h"
#include "output/outcome.h"
#include "platform/text_file.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dravenik {

/// "prginc.asm": a long table of the labels Prg1, Prg2, ..., then one line
/// "Prg<n> include 'proj\<name>'" per program, with no line break after the last.
class IncludeFile {
public:
  /// Makes the file's new version in folder, the output directory as typed
  /// being outputDirectory, and starts the label table.
  Outcome create(platform::OutputFolder& folder, const std::string& outputDirectory);
  /// Adds the label of program number (counted from 1) to the table.
  void addLabel(std::size_t number);
  /// Ends the label table with a line break.
  void endLabelTable();
  /// Writes the include line of program number; a line break follows unless it is the last.
  void addIncludeLine(std::size_t number, std::string_view name, bool last);
  /// Flushes and closes; reports a failed write.
  Outcome close();

private:
  std::string path_;
  platform::TextFileWriter file_{};
  LongTableWriter labels_;
};

/// Where the include file of outputDirectory goes.
std::string includeFilePath(const std::string& outputDirectory);

/// "Prg" followed by number in decimal.
std::string programLabel(std::size_t number);

} // namespace dravenik
