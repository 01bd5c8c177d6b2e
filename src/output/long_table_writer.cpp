#include "output/long_table_writer.h"

#include "constants.h"

namespace dravenik {

void LongTableWriter::begin(platform::TextFileWriter& file) {
  count_ = 0;
  file.write(kLongTableStart);
}

void LongTableWriter::add(platform::TextFileWriter& file, std::string_view entry) {
  if (count_ > 0) {
    file.write(count_ % EntriesPerLine == 0 ? kLongTableNewLine : kLongTableSeparator);
  }
  file.write(entry);
  ++count_;
}

} // namespace dravenik
