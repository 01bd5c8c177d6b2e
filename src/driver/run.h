#pragma once

#include "driver/console.h"

#include <string>
#include <vector>

namespace dravenik {

/// One whole run: the title and credit, the argument check, phase 1 (include
/// file and name list) and phase 2 (offset table and source text file).
/// arguments are those after the program name, exactly as typed. Returns the
/// exit status: kExitSuccess after a complete run, kExitFailure after a fatal message.
int run(const std::vector<std::string>& arguments, Console& console);

} // namespace dravenik
