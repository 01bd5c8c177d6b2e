#pragma once

#include "platform/text_file.h"

#include <span>

namespace dravenik {

/// Turns decoded text into source-text bytes in place, piece by piece: every
/// line break becomes LineMark. Remembers whether the text so far ends inside
/// a line, which then still needs its mark.
class LineMarker {
public:
  void mark(std::span<char> text);
  /// True when the last line seen had no line break of its own.
  bool lineOpen() const { return lineOpen_; }

private:
  bool lineOpen_ = false;
};

/// Copies every line of reader into writer, each followed by LineMark, in
/// pieces of bounded size whatever the line length. Returns the reader's
/// error, or 0; writer failures stay in writer.error().
int copyLines(platform::TextFileReader& reader, platform::TextFileWriter& writer);

} // namespace dravenik
