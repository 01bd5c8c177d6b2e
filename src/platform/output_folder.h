#pragma once

#include "platform/raw_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravenik::platform {

/// The output folder of one run. It is taken for the run's whole length, so
/// that two runs never mix their files in it, and every file of the run is
/// made in the folder that was taken, never again by path, so that a folder
/// renamed or replaced meanwhile never receives part of a run.
///
/// A run's files are made as new files under staging names that no search
/// for programs takes (the output name followed by kStagingSuffix) and put in
/// place all together by commit(), over whatever stood at the output names:
/// a link or a device there is replaced, never written through, and a run
/// that stops before its commit leaves the folder as it was.
class OutputFolder {
public:
  OutputFolder() = default;
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;
  /// Removes the new files that were not committed, then lets the folder go.
  ~OutputFolder();

  /// Takes the folder at directory (used exactly as typed) without waiting,
  /// and removes what a killed run left under the staging names. Returns 0,
  /// kErrorDirectoryInUse when another run holds it, or the system's error.
  int open(const std::string& directory);
  /// True when directory leads to this same folder, whatever its path.
  bool isSameAs(const std::string& directory) const;
  /// Makes the new, empty file that commit() puts in place as name, and
  /// opens it into file for writing. A file replacing a regular file gets
  /// its permission bits; a new one gets the host's default.
  int create(std::string_view name, RawFile& file);
  /// Opens the new file made for name, for reading what this run wrote.
  int openNew(std::string_view name, RawFile& file) const;
  /// Puts every new file in place as its name, all or none as far as the
  /// host allows: whatever would keep one from its place is found before
  /// the first one moves. On failure, failedName names that output. The
  /// files must be closed.
  int commit(std::string& failedName);
  /// Removes every new file that was not committed.
  void discard();

private:
  std::intptr_t handle_ = -1;
  /// The path the folder was taken by, for hosts whose calls take paths.
  std::string directory_;
  /// What the folder is, whatever path leads to it.
  std::uint64_t volume_ = 0;
  std::uint64_t index_ = 0;
  /// Output names whose new files exist and are not yet in place.
  std::vector<std::string> made_;
};

/// Makes the process fit to run unattended: standard descriptors that are
/// closed are opened on the null device (so no file of the run takes them),
/// a console or file-size limit that went away reports a failed write
/// instead of killing the process, and stop requests (interrupt, terminate,
/// hang-up) are held back, to be acted on where the run chooses.
void prepareProcess();
/// True when a stop request is waiting.
bool stopRequested();
/// Ends the process the way the waiting stop request would have, had it not
/// been held back; returns only when none is waiting.
void actOnStopRequest();

} // namespace dravenik::platform
