#pragma once

#include "constants.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace dravenik {

/// The ordered names of the project's programs. Position i holds program
/// number i + 1 in every generated file; names are kept as the search gave them.
class ProjectFileTable {
public:
  /// Stores name in the next slot; false, and nothing stored, when all
  /// MaxProjectFiles slots are taken.
  bool append(std::string_view name);
  std::size_t count() const { return count_; }
  /// The name at position i, for i < count().
  const std::string& name(std::size_t i) const { return slots_.at(i); }

private:
  std::array<std::string, MaxProjectFiles> slots_;
  std::size_t count_ = 0;
};

} // namespace dravenik
