#pragma once

#include "constants.h"
#include "platform/output_folder.h"
#include "platform/text_file.h"
#include "support/temp_dir.h"

#include <string>

namespace dravenik::test {

/// A generated file made the way the tool makes one: a writer on a new file
/// in a temporary output folder, put in place when its bytes are asked for.
class WrittenFile {
public:
  explicit WrittenFile(std::size_t bufferSize = kIoBlockSize);
  /// The writer, open on the new file.
  platform::TextFileWriter& writer() { return writer_; }
  /// Closes the writer, puts the file in place and returns what it holds;
  /// fails the test when any step fails.
  std::string bytes();

private:
  TempDir dir_;
  platform::OutputFolder folder_;
  platform::TextFileWriter writer_;
};

} // namespace dravenik::test
