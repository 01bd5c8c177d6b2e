#include "driver/run.h"

#include "constants.h"
#include "output/include_file.h"
#include "output/name_list.h"
#include "output/outcome.h"
#include "output/source_text.h"
#include "platform/directory_lock.h"
#include "platform/raw_file.h"
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
  std::string what(failurePrefix(failure.kind));
  what += failure.path;
  what += kReasonSeparator;
  what += platform::errorText(failure.code);
  return fatal(console, what);
}

/// Phase 1: fills table from the search and writes the include file and the name list.
int includeProjectFiles(const std::string& projectDirectory, const std::string& outputDirectory,
                        ProjectFileTable& table, Console& console) {
  IncludeFile include;
  if (Outcome created = include.create(outputDirectory); !created.ok()) {
    return fatal(console, created);
  }
  DirectorySearch search(projectDirectory);
  std::string name;
  while (search.next(name)) {
    if (!table.append(name)) {
      // The labels written so far stay; nothing else is touched.
      if (Outcome closed = include.close(); !closed.ok()) {
        return fatal(console, closed);
      }
      return fatal(console, kTooManyProjectFiles);
    }
    include.addLabel(table.count());
  }
  if (table.count() == 0) {
    if (Outcome closed = include.close(); !closed.ok()) {
      return fatal(console, closed);
    }
    return fatal(console, kNoProjectFiles);
  }
  include.endLabelTable();

  NameList names;
  if (Outcome created = names.create(outputDirectory); !created.ok()) {
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

/// Phase 2: writes the offset table and copies every program into the source text file.
int parseSourceCode(const std::string& projectDirectory, const std::string& outputDirectory,
                    const ProjectFileTable& table, Console& console) {
  SourceText source;
  if (Outcome created = source.create(outputDirectory); !created.ok()) {
    return fatal(console, created);
  }
  for (std::size_t i = 0; i < table.count(); ++i) {
    if (Outcome added = source.addProgram(platform::joinPath(projectDirectory, table.name(i)));
        !added.ok()) {
      return fatal(console, added);
    }
  }
  if (Outcome finished = source.finishTable(); !finished.ok()) {
    return fatal(console, finished);
  }
  console.print(kPhase2Done);
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

  ProjectFileTable table;
  console.print(kPhase1Progress);
  // Held to the end of the run: a second run into the same folder stops
  // before it touches a file, so the folder never mixes two runs' files.
  platform::DirectoryLock outputLock;
  if (const int error = outputLock.lock(platform::joinPath(outputDirectory, "")); error != 0) {
    return fatal(console, Outcome{FailureKind::Create, includeFilePath(outputDirectory), error});
  }
  if (const int status = includeProjectFiles(projectDirectory, outputDirectory, table, console);
      status != kExitSuccess) {
    return status;
  }
  console.print(kPhase1Done);

  console.print(kPhase2Progress);
  return parseSourceCode(projectDirectory, outputDirectory, table, console);
}

} // namespace dravenik
