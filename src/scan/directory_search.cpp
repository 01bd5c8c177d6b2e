#include "scan/directory_search.h"

#include "constants.h"
#include "platform/directory_reader.h"
#include "platform/raw_file.h"

#include <algorithm>

namespace dravenik {

namespace {

unsigned char upperAscii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

/// Like strcmp over unsigned bytes, after mapping each byte through fold.
template <typename Fold>
int compareBytes(std::string_view left, std::string_view right, Fold fold) {
  const std::size_t common = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char l = fold(left[i]);
    const unsigned char r = fold(right[i]);
    if (l != r) {
      return l < r ? -1 : 1;
    }
  }
  if (left.size() == right.size()) {
    return 0;
  }
  return left.size() < right.size() ? -1 : 1;
}

} // namespace

bool isProjectFileName(std::string_view name) {
  if (name.size() < kProjectFileSuffix.size()) {
    return false;
  }
  const std::string_view tail = name.substr(name.size() - kProjectFileSuffix.size());
  return compareBytes(tail, kProjectFileSuffix, upperAscii) == 0;
}

bool holdsLineBreak(std::string_view name) {
  return name.find_first_of(kLineBreakBytes) != std::string_view::npos;
}

bool searchOrderLess(std::string_view left, std::string_view right) {
  const int folded = compareBytes(left, right, upperAscii);
  if (folded != 0) {
    return folded < 0;
  }
  return compareBytes(left, right, [](char c) { return static_cast<unsigned char>(c); }) < 0;
}

DirectorySearch::DirectorySearch(const std::string& projectDirectory, std::string_view alsoMatch) {
  platform::DirectoryReader reader;
  // The directory itself is the argument followed by the separator, as the
  // search pattern would have it.
  if (reader.open(platform::joinPath(projectDirectory, "")) != 0) {
    return;
  }
  std::string name;
  while (reader.next(name)) {
    if (isProjectFileName(name) && name != alsoMatch) {
      matches_.push_back({name, reader.exact()});
    }
  }
  if (reader.error() != 0) {
    // A listing cut short would number the programs wrongly: treat it as unreadable.
    matches_.clear();
    return;
  }
  if (!alsoMatch.empty()) {
    matches_.push_back({std::string(alsoMatch), true});
  }
  std::sort(matches_.begin(), matches_.end(), [](const Match& left, const Match& right) {
    return searchOrderLess(left.name, right.name);
  });
}

bool DirectorySearch::next(std::string& name) {
  if (next_ == matches_.size()) {
    return false;
  }
  name = matches_[next_].name;
  exact_ = matches_[next_].exact;
  ++next_;
  return true;
}

} // namespace dravenik
