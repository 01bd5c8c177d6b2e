#pragma once

#include "output/outcome.h"
#include "platform/text_file.h"

#include <string>
#include <string_view>

namespace dravenik {

/// "prglst.dat": the program names in order, LineMark between two names,
/// then an end mark; no line break, no header.
class NameList {
public:
  /// Makes the file's new version in folder, the output directory as typed
  /// being outputDirectory.
  Outcome create(platform::OutputFolder& folder, const std::string& outputDirectory);
  /// Writes name, and LineMark unless it is the last.
  void addName(std::string_view name, bool last);
  /// Writes the end mark, flushes and closes; reports a failed write.
  Outcome finish();

private:
  std::string path_;
  platform::TextFileWriter file_{};
};

} // namespace dravenik
