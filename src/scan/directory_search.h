#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dravenik {

/// True when name ends in ".asm", ASCII letters compared without regard to case.
bool isProjectFileName(std::string_view name);

/// True when name holds a CR or an LF byte, which would break the line of an
/// assembler source it is written into.
bool holdsLineBreak(std::string_view name);

/// The fixed order of the search: bytes compared unsigned after upper-casing
/// ASCII letters; names equal in that light by their raw bytes. A strict total
/// order, so that every machine numbers the same programs the same way.
bool searchOrderLess(std::string_view left, std::string_view right);

/// The search of a project directory for program files: every kind of entry
/// whose name matches, delivered in search order. The directory is read when
/// the search starts; only matching names are kept.
class DirectorySearch {
public:
  /// Reads projectDirectory (used exactly as typed). A directory that is
  /// missing or cannot be read yields no match. A non-empty alsoMatch is
  /// delivered as a match too, once, whether or not the directory holds it
  /// yet: a file this run is about to write there.
  explicit DirectorySearch(const std::string& projectDirectory, std::string_view alsoMatch = {});
  /// Delivers the next match; false when there is none left.
  bool next(std::string& name);
  /// False when the match last delivered only stands in for the entry's
  /// name, which the host's narrow character set cannot hold (see
  /// platform::DirectoryReader::exact()).
  bool exact() const { return exact_; }

private:
  struct Match {
    std::string name;
    bool exact = true;
  };
  std::vector<Match> matches_;
  std::size_t next_ = 0;
  bool exact_ = true;
};

} // namespace dravenik
