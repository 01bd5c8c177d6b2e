#pragma once

#include "platform/text_file.h"

namespace dravenik {

/// Ends a data file's list or block: one EndMark byte, and a second one when
/// the file's length is then odd, so that the file ends at an even length.
void writeEndMark(platform::TextFileWriter& file);

} // namespace dravenik
