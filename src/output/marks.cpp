#include "output/marks.h"

#include "constants.h"

namespace dravenik {

void writeEndMark(platform::TextFileWriter& file) {
  file.writeByte(EndMark);
  if (file.position() % 2 != 0) {
    file.writeByte(EndMark);
  }
}

} // namespace dravenik
