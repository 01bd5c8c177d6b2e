#include "platform/raw_file.h"

#include "constants.h"

#include <cerrno>
#include <cstring>

namespace dravenik::platform {

std::string errorText(int code) {
  switch (code) {
  case kErrorNotRegularFile:
    return std::string(kReasonNotRegularFile);
  case kErrorLocked:
    return std::string(kReasonLocked);
  case kErrorDirectoryInUse:
    return std::string(kReasonDirectoryInUse);
  case kErrorStopped:
    // Never printed (the stop ends the process), but an interruption all the same.
    return std::strerror(EINTR);
  case kErrorNameHoldsLineBreak:
    return std::string(kReasonNameHoldsLineBreak);
  case kErrorNameOutsideCodePage:
    return std::string(kReasonNameOutsideCodePage);
  default:
    // Both hosts report the system's failures as errno values.
    return std::strerror(code);
  }
}

RawFile::~RawFile() {
  close();
}

} // namespace dravenik::platform
