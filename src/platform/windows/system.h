#pragma once

// What the Windows units share: the system's paths and its error codes.

#include <string>
#include <string_view>

namespace dravenik::platform::windows {

/// The error code the POSIX build reports for the same cause as the system
/// error systemError, so that both builds say the same words.
int errorCode(unsigned long systemError);
/// errorCode() of the calling thread's last system error.
int lastError();

/// text, in the system code page, as UTF-16; false when it cannot be converted.
bool widen(std::string_view text, std::wstring& wide);

/// path (as typed, or joined from what was typed and a listed name) as the
/// system's wide calls take it: absolute, in the "\\?\" form that has no
/// length limit, separators turned into backslashes. Everything up to the
/// last separator is resolved as Windows resolves any path; the last
/// component is taken literally, so that a listed name such as con.asm is
/// that file, never a device. A path already in the "\\?\" or "\\.\" form
/// is left as it is. Returns 0 or an error code.
int systemPath(const std::string& path, std::wstring& result);

} // namespace dravenik::platform::windows
