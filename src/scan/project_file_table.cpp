#include "scan/project_file_table.h"

namespace dravenik {

bool ProjectFileTable::append(std::string_view name) {
  if (count_ == slots_.size()) {
    return false;
  }
  slots_[count_] = name;
  ++count_;
  return true;
}

} // namespace dravenik
