#include "driver/run.h"

#include "constants.h"
#include "output/include_file.h"
#include "output/name_list.h"
#include "output/outcome.h"
#include "output/source_text.h"
#include "platform/output_folder.h"
#include "platform/raw_file.h"
#include "platform/text_file.h"
#include "scan/directory_search.h"
#include "scan/project_file_table.h"

namespace dravenik {

namespace {

int fatal(Console& console, std::string_view what) {
  std::string message(kFatalPrefix);
  message += what;
  message += kFatalSuffix;
  console.print(message);
  return kExitFailure;
}

std::string_view failurePrefix(FailureKind kind) {
  switch (kind) {
  case FailureKind::Create:
    return kCannotCreate;
  case FailureKind::ReadProjectFile:
    return kCannotReadProjectFile;
  case FailureKind::Write:
  case FailureKind::None:
    break;
  }
  return kCannotWrite;
}

int fatal(Console& console, const Outcome& failure) {
  if (failure.code == platform::kErrorStopped) {
    // The stop request ends the process as it would have; nothing to add.
    return kExitFailure;
  }
  std::string what(failurePrefix(failure.kind));
  what += failure.path;
  what += kReasonSeparator;
  what += platform::errorText(failure.code);
  return fatal(console, what);
}

/// The run's two folders, as typed, and the output folder taken for the run.
struct Folders {
  const std::string& project;
  const std::string& output;
  platform::OutputFolder& taken;
  /// True when the project folder is the output folder: the include file
  /// this run writes is then one of the programs.
  bool shared = false;
};

/// Puts the files made so far in place; the message names the one that failed.
int commit(Console& console, const Folders& folders) {
  std::string failedName;
  if (const int error = folders.taken.commit(failedName); error != 0) {
    return fatal(console, Outcome{FailureKind::Create,
                                  platform::joinPath(folders.output, failedName), error});
  }
  return kExitSuccess;
}

/// Phase 1: fills table from the search and writes the include file and the name list.
int includeProjectFiles(const Folders& folders, ProjectFileTable& table, Console& console) {
  IncludeFile include;
  if (Outcome created = include.create(folders.taken, folders.output); !created.ok()) {
    return fatal(console, created);
  }
  DirectorySearch search(folders.project, folders.shared ? kIncludeFileName : std::string_view{});
  std::string name;
  while (search.next(name)) {
    if (!search.exact()) {
      return fatal(console,
                   Outcome{FailureKind::ReadProjectFile, platform::joinPath(folders.project, name),
                           platform::kErrorNameOutsideCodePage});
    }
    if (holdsLineBreak(name)) {
      return fatal(console,
                   Outcome{FailureKind::ReadProjectFile, platform::joinPath(folders.project, name),
                           platform::kErrorNameHoldsLineBreak});
    }
    if (!table.append(name)) {
      return fatal(console, kTooManyProjectFiles);
    }
    include.addLabel(table.count());
  }
  if (table.count() == 0) {
    // The one file a run without programs replaces: its table start.
    if (Outcome closed = include.close(); !closed.ok()) {
      return fatal(console, closed);
    }
    if (const int status = commit(console, folders); status != kExitSuccess) {
      return status;
    }
    return fatal(console, kNoProjectFiles);
  }
  include.endLabelTable();

  NameList names;
  if (Outcome created = names.create(folders.taken, folders.output); !created.ok()) {
    return fatal(console, created);
  }
  for (std::size_t i = 0; i < table.count(); ++i) {
    const bool last = i + 1 == table.count();
    include.addIncludeLine(i + 1, table.name(i), last);
    names.addName(table.name(i), last);
  }
  if (Outcome finished = names.finish(); !finished.ok()) {
    return fatal(console, finished);
  }
  if (Outcome closed = include.close(); !closed.ok()) {
    return fatal(console, closed);
  }
  return kExitSuccess;
}

/// Opens program name for reading: from the project folder, or, for the
/// include file this run wrote into the same folder, what it wrote.
int openProgram(const Folders& folders, const std::string& name, platform::TextFileReader& reader) {
  if (folders.shared && name == kIncludeFileName) {
    return reader.openNew(folders.taken, name);
  }
  return reader.open(platform::joinPath(folders.project, name));
}

/// Phase 2: writes the offset table and copies every program into the source text file.
int parseSourceCode(const Folders& folders, const ProjectFileTable& table, Console& console) {
  SourceText source;
  if (Outcome created = source.create(folders.taken, folders.output); !created.ok()) {
    return fatal(console, created);
  }
  platform::TextFileReader reader(kIoBlockSize, LineMark);
  for (std::size_t i = 0; i < table.count(); ++i) {
    const std::string path = platform::joinPath(folders.project, table.name(i));
    if (const int error = openProgram(folders, table.name(i), reader); error != 0) {
      return fatal(console, Outcome{FailureKind::ReadProjectFile, path, error});
    }
    if (Outcome added = source.addProgram(reader, path); !added.ok()) {
      return fatal(console, added);
    }
  }
  if (Outcome closed = source.close(); !closed.ok()) {
    return fatal(console, closed);
  }
  return kExitSuccess;
}

} // namespace

int run(const std::vector<std::string>& arguments, Console& console) {
  console.print(kTitle);
  console.print(kCredit);
  if (arguments.size() != kArgumentCount) {
    console.print(kFatalIllegalArguments);
    return kExitFailure;
  }
  const std::string& projectDirectory = arguments[0];
  const std::string& outputDirectory = arguments[1];
  if (projectDirectory.empty() || outputDirectory.empty()) {
    console.print(kFatalEmptyArgument);
    return kExitFailure;
  }

  ProjectFileTable table;
  console.print(kPhase1Progress);
  // Held to the end of the run: a second run into the same folder stops
  // before it touches a file, so the folder never mixes two runs' files.
  // Whatever stops this run before its commit leaves the folder as it was.
  platform::OutputFolder outputFolder;
  if (const int error = outputFolder.open(platform::joinPath(outputDirectory, "")); error != 0) {
    return fatal(console, Outcome{FailureKind::Create, includeFilePath(outputDirectory), error});
  }
  const Folders folders{projectDirectory, outputDirectory, outputFolder,
                        outputFolder.isSameAs(platform::joinPath(projectDirectory, ""))};
  if (const int status = includeProjectFiles(folders, table, console); status != kExitSuccess) {
    return status;
  }
  console.print(kPhase1Done);

  console.print(kPhase2Progress);
  if (const int status = parseSourceCode(folders, table, console); status != kExitSuccess) {
    return status;
  }
  if (platform::stopRequested()) {
    return kExitFailure; // asked to stop before anything moved: nothing does
  }
  if (const int status = commit(console, folders); status != kExitSuccess) {
    return status;
  }
  console.print(kPhase2Done);
  return kExitSuccess;
}

} // namespace dravenik
