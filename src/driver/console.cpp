#include "driver/console.h"

namespace dravenik {

void Console::print(std::string_view text) {
  // A console that cannot be written to leaves nobody to tell; the exit status still tells.
  static_cast<void>(std::fwrite(text.data(), 1, text.size(), stream_));
  static_cast<void>(std::fflush(stream_));
}

} // namespace dravenik
