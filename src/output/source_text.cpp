#include "output/source_text.h"

#include "constants.h"
#include "output/line_copier.h"
#include "output/marks.h"
#include "platform/raw_file.h"

namespace dravenik {

Outcome SourceText::create(const std::string& outputDirectory) {
  offsetTablePath_ = platform::joinPath(outputDirectory, kOffsetTableFileName);
  sourceTextPath_ = platform::joinPath(outputDirectory, kSourceTextFileName);
  if (const int error = offsetTable_.open(offsetTablePath_); error != 0) {
    return Outcome::check(FailureKind::Create, offsetTablePath_, error);
  }
  if (const int error = sourceText_.open(sourceTextPath_); error != 0) {
    return Outcome::check(FailureKind::Create, sourceTextPath_, error);
  }
  offsets_.begin(offsetTable_);
  return Outcome::success();
}

Outcome SourceText::addProgram(const std::string& path) {
  std::string entry(kSourceLabel);
  if (offsets_.count() > 0) {
    entry += kOffsetPlus;
    entry += std::to_string(sourceText_.position());
  }
  offsets_.add(offsetTable_, entry);

  if (const int error = reader_.open(path); error != 0) {
    return Outcome::check(FailureKind::ReadProjectFile, path, error);
  }
  const int readError = copyLines(reader_, sourceText_);
  reader_.close();
  if (readError != 0) {
    return Outcome::check(FailureKind::ReadProjectFile, path, readError);
  }
  writeEndMark(sourceText_);
  if (sourceText_.error() != 0) {
    return Outcome::check(FailureKind::Write, sourceTextPath_, sourceText_.error());
  }
  return Outcome::check(FailureKind::Write, offsetTablePath_, offsetTable_.error());
}

Outcome SourceText::finishTable() {
  if (const int error = offsetTable_.close(); error != 0) {
    return Outcome::check(FailureKind::Write, offsetTablePath_, error);
  }
  return Outcome::check(FailureKind::Write, sourceTextPath_, sourceText_.flush());
}

Outcome SourceText::close() {
  return Outcome::check(FailureKind::Write, sourceTextPath_, sourceText_.close());
}

} // namespace dravenik
