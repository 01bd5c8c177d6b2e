#include "output/source_text.h"

#include "constants.h"
#include "output/line_copier.h"
#include "output/marks.h"
#include "platform/raw_file.h"

#include <cerrno>

namespace dravenik {

std::optional<std::string> offsetEntry(std::size_t number, std::uint64_t offset) {
  std::string entry(kSourceLabel);
  if (number == 1) {
    return entry;
  }
  if (offset > kMaxOffset) {
    return std::nullopt;
  }
  entry += kOffsetPlus;
  entry += std::to_string(offset);
  return entry;
}

Outcome SourceText::create(platform::OutputFolder& folder, const std::string& outputDirectory) {
  offsetTablePath_ = platform::joinPath(outputDirectory, kOffsetTableFileName);
  sourceTextPath_ = platform::joinPath(outputDirectory, kSourceTextFileName);
  if (const int error = offsetTable_.open(folder, kOffsetTableFileName); error != 0) {
    return Outcome::check(FailureKind::Create, offsetTablePath_, error);
  }
  if (const int error = sourceText_.open(folder, kSourceTextFileName); error != 0) {
    return Outcome::check(FailureKind::Create, sourceTextPath_, error);
  }
  offsets_.begin(offsetTable_);
  return Outcome::success();
}

Outcome SourceText::addProgram(platform::TextFileReader& reader, const std::string& path) {
  const std::optional<std::string> entry =
      offsetEntry(offsets_.count() + 1, sourceText_.position());
  if (!entry) {
    // The block would start where no table entry can point.
    return Outcome::check(FailureKind::Write, sourceTextPath_, EFBIG);
  }
  offsets_.add(offsetTable_, *entry);

  const int readError = copyLines(reader, sourceText_);
  reader.close();
  if (readError != 0) {
    return Outcome::check(FailureKind::ReadProjectFile, path, readError);
  }
  writeEndMark(sourceText_);
  if (sourceText_.error() != 0) {
    return Outcome::check(FailureKind::Write, sourceTextPath_, sourceText_.error());
  }
  return Outcome::check(FailureKind::Write, offsetTablePath_, offsetTable_.error());
}

Outcome SourceText::close() {
  if (const int error = offsetTable_.close(); error != 0) {
    return Outcome::check(FailureKind::Write, offsetTablePath_, error);
  }
  return Outcome::check(FailureKind::Write, sourceTextPath_, sourceText_.close());
}

} // namespace dravenik
