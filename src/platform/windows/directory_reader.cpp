#include "platform/directory_reader.h"

#include "constants.h"
#include "platform/windows/system.h"

#include <climits>
#include <windows.h>

namespace dravenik::platform {

namespace {

struct Search {
  HANDLE handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW entry{};
  bool pending = false; ///< entry holds a match not yet delivered
};

/// name in the system code page; false when some character of it has no
/// place there, or stands for another (a "best fit"), so that the narrow
/// name would not lead back to this entry.
bool narrowExactly(const std::wstring& wide, std::string& name) {
  name.clear();
  if (wide.empty()) {
    return true;
  }
  const int size = static_cast<int>(wide.size());
  // A code page of the UTF family takes no flags and has no default character;
  // the way back below still tells a name it could not hold.
  const UINT codePage = ::GetACP();
  const bool unicodePage = codePage == CP_UTF8 || codePage == CP_UTF7;
  const DWORD flags = unicodePage ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = unicodePage ? nullptr : kWindowsDefaultChar;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultFlag = unicodePage ? nullptr : &usedDefault;
  const int needed = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0,
                                           defaultChar, usedDefaultFlag);
  if (needed <= 0) {
    // Something to name it by in a message: its ASCII characters.
    for (const wchar_t c : wide) {
      name += c < 0x80 ? static_cast<char>(c) : *kWindowsDefaultChar;
    }
    return false;
  }
  name.resize(static_cast<std::size_t>(needed));
  if (::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, name.data(), needed, defaultChar,
                            usedDefaultFlag) != needed ||
      usedDefault) {
    return false;
  }
  std::wstring back;
  return windows::widen(name, back) && back == wide;
}

} // namespace

DirectoryReader::~DirectoryReader() {
  auto* search = static_cast<Search*>(handle_);
  if (search != nullptr) {
    if (search->handle != INVALID_HANDLE_VALUE) {
      ::FindClose(search->handle);
    }
    delete search;
  }
}

int DirectoryReader::open(const std::string& path) {
  auto* search = new Search;
  handle_ = search;
  error_ = 0;
  std::wstring pattern;
  if (const int error = windows::systemPath(path, pattern); error != 0) {
    error_ = error;
    return error_;
  }
  // The system's own search narrows the listing; the scan still checks every
  // name it delivers (Windows matches "*.asm" against short names too, a.asmx).
  pattern += kWindowsSearchPattern;
  search->handle = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &search->entry,
                                      FindExSearchNameMatch, nullptr, 0);
  if (search->handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // An empty search is no failure; a missing or unreadable folder is one.
    error_ = error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES
                 ? 0
                 : windows::errorCode(error);
    return error_;
  }
  search->pending = true;
  return 0;
}

bool DirectoryReader::next(std::string& name) {
  auto* search = static_cast<Search*>(handle_);
  if (search == nullptr || !search->pending) {
    return false;
  }
  exact_ = narrowExactly(search->entry.cFileName, name);
  search->pending = ::FindNextFileW(search->handle, &search->entry) != 0;
  if (!search->pending && ::GetLastError() != ERROR_NO_MORE_FILES) {
    error_ = windows::lastError();
  }
  return true;
}

} // namespace dravenik::platform
