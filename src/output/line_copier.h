#pragma once

#include "platform/text_file.h"

namespace dravenik {

/// Copies every line of reader into writer, each followed by LineMark, in
/// pieces of bounded size whatever the line length. reader must have been
/// made with LineMark as its line break, so that the pieces arrive marked.
/// Returns the reader's error, or 0; writer failures stay in writer.error().
int copyLines(platform::TextFileReader& reader, platform::TextFileWriter& writer);

} // namespace dravenik
