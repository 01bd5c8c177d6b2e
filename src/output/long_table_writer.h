#pragma once

#include "platform/text_file.h"

#include <cstddef>
#include <string_view>

namespace dravenik {

/// Writes a list of "dc.l" entries, EntriesPerLine to a line:
/// " dc.l " before the first, "," between entries on a line, and
/// "\n dc.l " before the first entry of each further line.
class LongTableWriter {
public:
  /// Starts the table with " dc.l ".
  void begin(platform::TextFileWriter& file);
  /// Writes the separator the next entry needs, then entry.
  void add(platform::TextFileWriter& file, std::string_view entry);
  std::size_t count() const { return count_; }

private:
  std::size_t count_ = 0;
};

} // namespace dravenik
