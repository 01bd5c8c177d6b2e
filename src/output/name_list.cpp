#include "output/name_list.h"

#include "constants.h"
#include "output/marks.h"
#include "platform/raw_file.h"

namespace dravenik {

Outcome NameList::create(platform::OutputFolder& folder, const std::string& outputDirectory) {
  path_ = platform::joinPath(outputDirectory, kNameListFileName);
  return Outcome::check(FailureKind::Create, path_, file_.open(folder, kNameListFileName));
}

void NameList::addName(std::string_view name, bool last) {
  file_.write(name);
  if (!last) {
    file_.writeByte(LineMark);
  }
}

Outcome NameList::finish() {
  writeEndMark(file_);
  return Outcome::check(FailureKind::Write, path_, file_.close());
}

} // namespace dravenik
