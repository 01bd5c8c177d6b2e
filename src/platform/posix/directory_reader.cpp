#include "platform/directory_reader.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>

namespace dravenik::platform {

namespace {

DIR* asDir(void* handle) {
  return static_cast<DIR*>(handle);
}

bool isDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

} // namespace

DirectoryReader::~DirectoryReader() {
  if (handle_ != nullptr) {
    ::closedir(asDir(handle_));
  }
}

int DirectoryReader::open(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) {
    error_ = errno != 0 ? errno : EIO;
    return error_;
  }
  handle_ = dir;
  error_ = 0;
  return 0;
}

bool DirectoryReader::next(std::string& name) {
  if (handle_ == nullptr) {
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(asDir(handle_));
    if (entry == nullptr) {
      error_ = errno;
      return false;
    }
    if (!isDotEntry(entry->d_name)) {
      name = entry->d_name;
      return true;
    }
  }
}

} // namespace dravenik::platform
