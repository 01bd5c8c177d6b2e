#include "platform/output_folder.h"

#include "constants.h"
#include "platform/windows/system.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <windows.h>

namespace dravenik::platform {

namespace {

/// Every output name, so that strays of a killed run can be found by name.
constexpr std::array<std::string_view, 4> kOutputNames = {
    kIncludeFileName, kNameListFileName, kOffsetTableFileName, kSourceTextFileName};
/// The attributes that SetFileAttributesW takes.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_TEMPORARY;

/// What a taken output folder holds on to.
struct Held {
  /// The folder itself, opened without FILE_SHARE_DELETE: nobody can rename
  /// or remove it while the run lasts, so its path keeps leading to it.
  HANDLE folder = INVALID_HANDLE_VALUE;
  /// The include file's new file, made when the folder is taken. One byte
  /// of it, locked, is the run's hold on the folder: the file system (or the
  /// server of a network share) refuses a second run that byte, whichever
  /// session, user or machine it comes from.
  HANDLE lock = INVALID_HANDLE_VALUE;
  /// True while that file stands under its staging name; once it is in
  /// place, the name is free for the next run and the folder is no longer ours.
  bool lockStaged = false;
};

Held* asHeld(std::intptr_t handle) {
  return reinterpret_cast<Held*>(handle);
}

std::string withSuffix(std::string_view name, std::string_view suffix) {
  std::string path(name);
  path += suffix;
  return path;
}

/// The system path of name in the folder at directory (as typed).
int pathIn(const std::string& directory, std::string_view name, std::wstring& path) {
  std::string narrow = directory;
  if (narrow.empty() ||
      (narrow.back() != kWindowsPathSeparator && narrow.back() != kPosixPathSeparator)) {
    narrow += kWindowsPathSeparator;
  }
  narrow += name;
  return windows::systemPath(narrow, path);
}

bool isMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

DWORD settable(DWORD attributes) {
  const DWORD kept = attributes & kSettableAttributes;
  return kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
}

/// Removes what stands at path (a file, or a link, never what it points
/// at); nothing there is no failure. Read-only files go too: only names of
/// our own are ever removed.
int removeEntry(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return isMissing(error) ? 0 : windows::errorCode(error);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      return EISDIR;
    }
    return ::RemoveDirectoryW(path.c_str()) ? 0 : windows::lastError();
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
      !::SetFileAttributesW(path.c_str(), settable(attributes & ~FILE_ATTRIBUTE_READONLY))) {
    return windows::lastError();
  }
  return ::DeleteFileW(path.c_str()) ? 0 : windows::lastError();
}

int move(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), 0) ? 0 : windows::lastError();
}

/// Opens the lock file at path, made if missing: always a plain file of
/// its own, never one that a link placed under the name points at.
int openLockFile(const std::wstring& path, HANDLE& lock) {
  for (int attempt = 0;; ++attempt) {
    // Shares everything: a second run must get as far as the lock to be
    // told, and this run reads and renames the file through other handles.
    lock =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (lock != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION info{};
      const bool plain =
          ::GetFileType(lock) == FILE_TYPE_DISK && ::GetFileInformationByHandle(lock, &info) &&
          (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
      if (plain) {
        return 0;
      }
      ::CloseHandle(lock);
      lock = INVALID_HANDLE_VALUE;
    } else if (::GetLastError() != ERROR_ACCESS_DENIED) {
      return windows::lastError();
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      return EACCES; // the folder refuses a new file
    }
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link) {
      return EISDIR;
    }
    // A link, or a read-only file, under the name is no lock file of a run
    // (a run's never is either): it goes, once.
    if (attempt > 0 || !(link || (attributes & FILE_ATTRIBUTE_READONLY) != 0)) {
      return EACCES;
    }
    if (const int error = removeEntry(path); error != 0) {
      return error;
    }
  }
}

/// Takes the run's lock on the lock file without waiting.
int takeLock(HANDLE lock) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(kWindowsLockOffset);
  at.OffsetHigh = static_cast<DWORD>(kWindowsLockOffset >> 32);
  if (::LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    return 0;
  }
  const DWORD error = ::GetLastError();
  return error == ERROR_LOCK_VIOLATION ? kErrorDirectoryInUse : windows::errorCode(error);
}

/// Why the folder at path cannot be opened as a folder: a file where the
/// folder should be is "not a directory", as on POSIX hosts.
int folderError(DWORD error, std::wstring path) {
  if (isMissing(error) || error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY) {
    while (path.size() > 1 && path.back() == kWindowsPathSeparator) {
      path.pop_back();
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return ENOTDIR;
    }
  }
  return windows::errorCode(error);
}

/// Puts back every file of a killed run's commit that stood aside, or lets
/// it go where its successor is in place, and removes its new files: nobody
/// else touches these names while the folder is ours. What cannot be
/// removed here shows when it is made again.
void clearStrays(const std::string& directory) {
  for (const std::string_view name : kOutputNames) {
    std::wstring target;
    std::wstring staged;
    std::wstring retired;
    if (pathIn(directory, name, target) != 0 ||
        pathIn(directory, withSuffix(name, kStagingSuffix), staged) != 0 ||
        pathIn(directory, withSuffix(name, kRetiredSuffix), retired) != 0) {
      continue;
    }
    if (name != kIncludeFileName) { // that one is the lock file, ours now
      static_cast<void>(removeEntry(staged));
    }
    if (::GetFileAttributesW(retired.c_str()) == INVALID_FILE_ATTRIBUTES) {
      continue;
    }
    const bool targetMissing = ::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
                               isMissing(::GetLastError());
    static_cast<void>(targetMissing ? move(retired, target) : removeEntry(retired));
  }
}

/// One output's way into place.
struct Step {
  std::string name;
  std::wstring target;
  std::wstring staged;
  std::wstring retired;
  /// Something stands at target now and must step aside first.
  bool occupied = false;
  /// What stands there is a read-only file: its successor becomes one too.
  bool readOnly = false;
};

/// Fills step for name and checks what stands at its place: a folder keeps
/// the new file out.
int prepare(const std::string& directory, const std::string& name, Step& step) {
  step.name = name;
  if (const int error = pathIn(directory, name, step.target); error != 0) {
    return error;
  }
  if (const int error = pathIn(directory, withSuffix(name, kStagingSuffix), step.staged);
      error != 0) {
    return error;
  }
  if (const int error = pathIn(directory, withSuffix(name, kRetiredSuffix), step.retired);
      error != 0) {
    return error;
  }
  const DWORD attributes = ::GetFileAttributesW(step.target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return isMissing(error) ? 0 : windows::errorCode(error);
  }
  step.occupied = true;
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !link) {
    return EISDIR;
  }
  step.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0 && !link;
  return 0;
}

/// Puts back the first count files that stepped aside, last first. One that
/// cannot go back waits under its retired name for the next run's open.
void putBack(const std::vector<Step>& steps, std::size_t count) {
  while (count > 0) {
    --count;
    if (steps[count].occupied) {
      static_cast<void>(move(steps[count].retired, steps[count].target));
    }
  }
}

} // namespace

OutputFolder::~OutputFolder() {
  discard();
  if (handle_ != -1) {
    Held* held = asHeld(handle_);
    ::CloseHandle(held->lock); // lets the lock go
    ::CloseHandle(held->folder);
    delete held;
  }
}

int OutputFolder::open(const std::string& directory) {
  std::wstring path;
  if (const int error = pathIn(directory, "", path); error != 0) {
    return error;
  }
  // Listing, reading and writing inside stay open to everyone.
  const HANDLE folder = ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return folderError(::GetLastError(), path);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder, &info)) {
    const int error = windows::lastError();
    ::CloseHandle(folder);
    return error;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::CloseHandle(folder);
    return ENOTDIR;
  }
  std::wstring lockPath;
  HANDLE lock = INVALID_HANDLE_VALUE;
  int error = pathIn(directory, withSuffix(kIncludeFileName, kStagingSuffix), lockPath);
  if (error == 0) {
    error = openLockFile(lockPath, lock);
  }
  if (error == 0) {
    error = takeLock(lock);
  }
  if (error != 0) {
    if (lock != INVALID_HANDLE_VALUE) {
      ::CloseHandle(lock);
    }
    ::CloseHandle(folder);
    return error;
  }
  handle_ = reinterpret_cast<std::intptr_t>(new Held{folder, lock, true});
  directory_ = directory;
  volume_ = info.dwVolumeSerialNumber;
  index_ = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  clearStrays(directory_);
  return 0;
}

bool OutputFolder::isSameAs(const std::string& directory) const {
  std::wstring path;
  if (handle_ == -1 || pathIn(directory, "", path) != 0) {
    return false;
  }
  // Attributes only: such an open takes no part in sharing.
  const HANDLE other = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (other == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(other, &info) != 0;
  ::CloseHandle(other);
  return known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         info.dwVolumeSerialNumber == volume_ &&
         ((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) == index_;
}

int OutputFolder::create(std::string_view name, RawFile& file) {
  file.close();
  Held* held = asHeld(handle_);
  if (handle_ == -1 || !held->lockStaged) {
    return kErrorDirectoryInUse; // not taken, or let go by a commit
  }
  const bool known = std::find(made_.begin(), made_.end(), name) != made_.end();
  if (name == kIncludeFileName) {
    // The lock file is this new file: the run writes it through a second
    // handle of the same open, which the lock never stands in the way of.
    HANDLE own = INVALID_HANDLE_VALUE;
    if (!::DuplicateHandle(::GetCurrentProcess(), held->lock, ::GetCurrentProcess(), &own, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
      return windows::lastError();
    }
    file.handle_ = reinterpret_cast<std::intptr_t>(own);
    if (!known) {
      made_.emplace_back(name);
    }
    // Empty, whatever a killed run left in it.
    const LARGE_INTEGER start{};
    if (!::SetFilePointerEx(own, start, nullptr, FILE_BEGIN) || !::SetEndOfFile(own)) {
      return windows::lastError();
    }
    return 0;
  }
  std::wstring staged;
  if (const int error = pathIn(directory_, withSuffix(name, kStagingSuffix), staged); error != 0) {
    return error;
  }
  if (const int error = removeEntry(staged); error != 0) {
    return error;
  }
  // CREATE_NEW: always a new file of our own, never one that a link placed
  // here meanwhile points at.
  const HANDLE made =
      ::CreateFileW(staged.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (made == INVALID_HANDLE_VALUE) {
    return windows::lastError();
  }
  file.handle_ = reinterpret_cast<std::intptr_t>(made);
  if (!known) {
    made_.emplace_back(name);
  }
  return 0;
}

int OutputFolder::openNew(std::string_view name, RawFile& file) const {
  file.close();
  std::wstring staged;
  if (const int error = pathIn(directory_, withSuffix(name, kStagingSuffix), staged); error != 0) {
    return error;
  }
  const HANDLE opened = ::CreateFileW(
      staged.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    return windows::lastError();
  }
  file.handle_ = reinterpret_cast<std::intptr_t>(opened);
  if (::GetFileType(opened) != FILE_TYPE_DISK) {
    file.close();
    return kErrorNotRegularFile;
  }
  return 0;
}

int OutputFolder::commit(std::string& failedName) {
  Held* held = asHeld(handle_);
  if (handle_ == -1 || !held->lockStaged) {
    failedName = made_.empty() ? std::string(kIncludeFileName) : made_.front();
    return kErrorDirectoryInUse;
  }
  // The lock file moves last: until every other file is in place, no
  // second run can take the folder and mistake this run's files for strays.
  std::vector<std::string> names = made_;
  std::stable_partition(names.begin(), names.end(),
                        [](const std::string& name) { return name != kIncludeFileName; });
  std::vector<Step> steps(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (const int error = prepare(directory_, names[i], steps[i]); error != 0) {
      failedName = names[i];
      return error;
    }
  }
  // A file in use cannot be replaced in one step on Windows, so every old
  // one steps aside first: one that another program holds without letting it
  // be moved (no FILE_SHARE_DELETE) stops the commit before anything new
  // stands anywhere, and what stepped aside goes back.
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!steps[i].occupied) {
      continue;
    }
    if (const int error = move(steps[i].target, steps[i].retired); error != 0) {
      failedName = steps[i].name;
      putBack(steps, i);
      return error;
    }
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (const int error = move(steps[i].staged, steps[i].target); error != 0) {
      failedName = steps[i].name;
      for (std::size_t back = i; back > 0; --back) {
        static_cast<void>(move(steps[back - 1].target, steps[back - 1].staged));
      }
      putBack(steps, steps.size());
      return error;
    }
  }
  if (std::find(names.begin(), names.end(), kIncludeFileName) != names.end()) {
    held->lockStaged = false;
  }
  made_.clear();
  // A replaced read-only file's successor is read-only too. Marked only now
  // that it is in place: a new file marked earlier would be read-only under
  // its staging name, where a run that was killed would leave it in the way
  // of the next. An open for attributes takes no part in sharing, so this
  // meets nothing but a file system without the attribute.
  for (const Step& step : steps) {
    const DWORD attributes =
        step.readOnly ? ::GetFileAttributesW(step.target.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      static_cast<void>(::SetFileAttributesW(step.target.c_str(),
                                             settable(attributes | FILE_ATTRIBUTE_READONLY)));
    }
  }
  // The old files go last. One that another program still has open (with
  // FILE_SHARE_DELETE) goes when it is closed, or with the next run's open.
  for (const Step& step : steps) {
    if (step.occupied) {
      static_cast<void>(removeEntry(step.retired));
    }
  }
  return 0;
}

void OutputFolder::discard() {
  Held* held = asHeld(handle_);
  if (handle_ == -1) {
    made_.clear();
    return;
  }
  for (const std::string& name : made_) {
    std::wstring staged;
    if (name != kIncludeFileName &&
        pathIn(directory_, withSuffix(name, kStagingSuffix), staged) == 0) {
      static_cast<void>(removeEntry(staged));
    }
  }
  made_.clear();
  // The lock file goes while it is still locked: removed, its name is free
  // for the next run at once (or when the handle closes, on older systems).
  std::wstring lockPath;
  if (held->lockStaged &&
      pathIn(directory_, withSuffix(kIncludeFileName, kStagingSuffix), lockPath) == 0) {
    static_cast<void>(removeEntry(lockPath));
  }
  held->lockStaged = false;
}

void prepareProcess() {
  // No dialog box ever waits for an answer (a drive without its medium, say).
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

// A Ctrl-C or Ctrl-Break ends the process at once, as a kill would: keeping
// a request for later would take state that outlives a call. What the
// ended run left (new files, and during a commit files standing aside) is
// sorted out by the next run's open, which never loses an old file.
bool stopRequested() {
  return false;
}

void actOnStopRequest() {}

} // namespace dravenik::platform
