#include "output/line_copier.h"

#include "constants.h"

#include <cstring>
#include <string_view>

namespace dravenik {

void LineMarker::mark(std::span<char> text) {
  if (text.empty()) {
    return;
  }
  char* at = text.data();
  char* const end = text.data() + text.size();
  while (auto* lf = static_cast<char*>(std::memchr(at, kLineFeed, end - at))) {
    *lf = LineMark;
    at = lf + 1;
  }
  lineOpen_ = at != end;
}

int copyLines(platform::TextFileReader& reader, platform::TextFileWriter& writer) {
  LineMarker marker;
  for (std::span<char> piece = reader.read(); !piece.empty(); piece = reader.read()) {
    marker.mark(piece);
    writer.write(std::string_view(piece.data(), piece.size()));
    if (writer.error() != 0) {
      return 0;
    }
  }
  if (reader.error() != 0) {
    return reader.error();
  }
  if (marker.lineOpen()) {
    writer.writeByte(LineMark);
  }
  return 0;
}

} // namespace dravenik
