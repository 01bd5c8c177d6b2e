#include "platform/directory_reader.h"

#include "constants.h"

#include <cerrno>
#include <io.h>

namespace dravenik::platform {

namespace {

struct Search {
  intptr_t handle = -1;
  _finddata_t entry{};
  bool pending = false; ///< entry holds a match not yet delivered
};

} // namespace

DirectoryReader::~DirectoryReader() {
  auto* search = static_cast<Search*>(handle_);
  if (search != nullptr) {
    if (search->handle != -1) {
      _findclose(search->handle);
    }
    delete search;
  }
}

int DirectoryReader::open(const std::string& path) {
  auto* search = new Search;
  handle_ = search;
  error_ = 0;
  // The runtime's own search narrows the listing; the scan still checks every
  // name it delivers (Windows matches "*.asm" against short names too, a.asmx).
  search->handle = _findfirst((path + std::string(kWindowsSearchPattern)).c_str(), &search->entry);
  // -1 means no match, whether the directory is empty, missing or unreadable.
  search->pending = search->handle != -1;
  return 0;
}

bool DirectoryReader::next(std::string& name) {
  auto* search = static_cast<Search*>(handle_);
  if (search == nullptr || !search->pending) {
    return false;
  }
  name = search->entry.name;
  search->pending = _findnext(search->handle, &search->entry) == 0;
  return true;
}

} // namespace dravenik::platform
