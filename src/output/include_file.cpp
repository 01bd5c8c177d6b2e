#include "output/include_file.h"

#include "constants.h"
#include "platform/raw_file.h"

namespace dravenik {

std::string programLabel(std::size_t number) {
  return std::string(kProgramLabel) + std::to_string(number);
}

std::string includeFilePath(const std::string& outputDirectory) {
  return platform::joinPath(outputDirectory, kIncludeFileName);
}

Outcome IncludeFile::create(platform::OutputFolder& folder, const std::string& outputDirectory) {
  path_ = includeFilePath(outputDirectory);
  if (const int error = file_.open(folder, kIncludeFileName); error != 0) {
    return Outcome::check(FailureKind::Create, path_, error);
  }
  labels_.begin(file_);
  return Outcome::success();
}

void IncludeFile::addLabel(std::size_t number) {
  labels_.add(file_, programLabel(number));
}

void IncludeFile::endLabelTable() {
  file_.write(kLineBreak);
}

void IncludeFile::addIncludeLine(std::size_t number, std::string_view name, bool last) {
  std::string line = programLabel(number);
  line += kIncludeDirective;
  line += kIncludePathPrefix;
  line += name;
  line += kIncludeClose;
  if (!last) {
    line += kLineBreak;
  }
  file_.write(line);
}

Outcome IncludeFile::close() {
  return Outcome::check(FailureKind::Write, path_, file_.close());
}

} // namespace dravenik
