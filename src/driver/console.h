#pragma once

#include <cstdio>
#include <string_view>

namespace dravenik {

/// Standard output for every message of a run. Each text is flushed at once,
/// so that a user watching a long run sees which phase is running.
class Console {
public:
  explicit Console(std::FILE* stream) : stream_(stream) {}
  void print(std::string_view text);

private:
  std::FILE* stream_;
};

} // namespace dravenik
