#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dravenik::platform {

/// Removes, in place, every CR that is directly followed by LF in data[0, size)
/// and returns the new size. A CR at the very end is kept: the caller holds it
/// back when more input may follow.
std::size_t collapseCrLf(char* data, std::size_t size);

/// Appends text to out with every LF written as CR LF.
void appendExpandingLineFeeds(std::string& out, std::string_view text);

} // namespace dravenik::platform
