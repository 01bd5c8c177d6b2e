#include "output/line_copier.h"

#include "constants.h"

#include <string_view>

namespace dravenik {

int copyLines(platform::TextFileReader& reader, platform::TextFileWriter& writer) {
  for (std::span<char> piece = reader.read(); !piece.empty(); piece = reader.read()) {
    // Marked text holds no LF, so the text-mode rule has nothing to translate;
    // a piece larger than the writer's buffer goes to the system from the read
    // buffer, with no copy in between.
    writer.writeBytes(std::string_view(piece.data(), piece.size()));
    if (writer.error() != 0) {
      return 0;
    }
  }
  if (reader.error() != 0) {
    return reader.error();
  }
  if (reader.lineOpen()) {
    writer.writeByte(LineMark); // the last line had no line break of its own
  }
  return 0;
}

} // namespace dravenik
