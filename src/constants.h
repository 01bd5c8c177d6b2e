#pragma once

// Every text and number the tool uses. Generated files and console output
// are read by scripts and assemblers, so these bytes are part of the contract.

#include <cstddef>
#include <string_view>

namespace dravenik {

// --- Console --------------------------------------------------------------

/// First line of every run.
inline constexpr std::string_view kTitle = "\nDRAVENIK v.1.0\n";
/// Says what the tool does and how to call it; the empty line after it is part of the dialogue.
inline constexpr std::string_view kCredit =
    "Gathers the programs of a 68000 assembly project into tables. "
    "Usage: dravenik PROJECT_DIR OUTPUT_DIR\n\n";
/// Progress texts; each is completed on the same line by its "ok".
inline constexpr std::string_view kPhase1Progress = "Including project files... ";
inline constexpr std::string_view kPhase1Done = "ok\n";
inline constexpr std::string_view kPhase2Progress = "Parsing source code... ";
inline constexpr std::string_view kPhase2Done = "ok\n\n";

/// Fatal messages. The argument check comes right after the credit's empty
/// line; every later one starts on a fresh line after an unfinished progress text.
inline constexpr std::string_view kFatalIllegalArguments =
    "Fatal Error: Illegal arguments amount.\n\n";
inline constexpr std::string_view kFatalPrefix = "\nFatal Error: ";
inline constexpr std::string_view kFatalSuffix = ".\n\n";
inline constexpr std::string_view kNoProjectFiles = "No project files found";
inline constexpr std::string_view kTooManyProjectFiles = "Too many project files (at most 31)";
inline constexpr std::string_view kCannotCreate = "Cannot create ";
inline constexpr std::string_view kCannotReadProjectFile = "Cannot read project file ";
inline constexpr std::string_view kCannotWrite = "Cannot write ";
/// Between a path and the system's reason in a fatal message.
inline constexpr std::string_view kReasonSeparator = ": ";

/// Number of arguments after the program name.
inline constexpr std::size_t kArgumentCount = 2;
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

// --- Project scan ---------------------------------------------------------

/// Slots of the project file table; consumers of the tables rely on this limit.
inline constexpr std::size_t MaxProjectFiles = 31;
/// A directory entry is a program when its name ends in this, ASCII case ignored.
inline constexpr std::string_view kProjectFileSuffix = ".asm";

// --- Generated files ------------------------------------------------------

inline constexpr std::string_view kIncludeFileName = "prginc.asm";
inline constexpr std::string_view kNameListFileName = "prglst.dat";
inline constexpr std::string_view kOffsetTableFileName = "prgsrc.asm";
inline constexpr std::string_view kSourceTextFileName = "prgscr.dat";

/// Long table layout: every line starts with kLongTableStart.
inline constexpr std::string_view kLongTableStart = " dc.l ";
inline constexpr std::string_view kLongTableNewLine = "\n dc.l ";
inline constexpr std::string_view kLongTableSeparator = ",";
inline constexpr std::size_t EntriesPerLine = 8;

/// Include file pieces: "Prg<n> include 'proj\<name>'".
inline constexpr std::string_view kProgramLabel = "Prg";
inline constexpr std::string_view kIncludeDirective = " include '";
inline constexpr std::string_view kIncludePathPrefix = "proj\\";
inline constexpr std::string_view kIncludeClose = "'";
inline constexpr std::string_view kLineBreak = "\n";

/// Offset table entries: "ProjectScr" or "ProjectScr+<offset>".
inline constexpr std::string_view kSourceLabel = "ProjectScr";
inline constexpr std::string_view kOffsetPlus = "+";

/// Stands between two names and after every copied source line.
inline constexpr char LineMark = '\x80';
/// Ends a data file's list or block; doubled when needed for an even length.
inline constexpr char EndMark = '\0';

// --- Text mode --------------------------------------------------------------

inline constexpr char kLineFeed = '\n';
inline constexpr char kCarriageReturn = '\r';
/// Ctrl-Z: a text-mode reader treats it as the end of the file.
inline constexpr char kEndOfText = '\x1a';

/// How a text-mode file stores a line break.
inline constexpr std::string_view kStoredLineBreak = "\r\n";

/// Names of the text-mode decoder's versions, one per instruction set.
inline constexpr std::string_view kDecoderPortable = "portable";
inline constexpr std::string_view kDecoderAvx2 = "avx2";
inline constexpr std::string_view kDecoderAvx512Vbmi2 = "avx512vbmi2";

/// Size of a read: large blocks keep system calls few, and a fixed size keeps
/// memory constant whatever the line length.
inline constexpr std::size_t kIoBlockSize = std::size_t{1} << 20;
/// Size of a writer's buffer, which gathers only small writes (table entries,
/// names, end marks): larger pieces go out from the caller's memory, so a
/// larger buffer would only cost memory pages and a second copy.
inline constexpr std::size_t kWriteBufferSize = std::size_t{4} << 10;

// --- Platform -----------------------------------------------------------------

/// Reasons of our own in fatal messages, beside the system's words.
inline constexpr std::string_view kReasonNotRegularFile = "not a regular file";
inline constexpr std::string_view kReasonLocked = "in use by another program";
inline constexpr std::string_view kReasonDirectoryInUse =
    "the output directory is in use by another run";

/// What stands for the backslash that starts each path literal, per host.
inline constexpr char kPosixPathSeparator = '/';
inline constexpr char kWindowsPathSeparator = '\\';
/// Permissions of a created file on POSIX hosts, narrowed by the user's umask.
inline constexpr unsigned kPosixCreateMode = 0666;
/// What a Windows directory search is given after the directory.
inline constexpr std::string_view kWindowsSearchPattern = "*.asm";
/// The largest single read or write on Windows, whose calls take a 32-bit count.
inline constexpr std::size_t kWindowsMaxTransfer = std::size_t{1} << 30;
/// The named mutex that locks an output folder on Windows, from the volume's
/// serial number and the folder's file index, whatever path leads to it.
inline constexpr const char* kWindowsLockNameFormat = "Local\\dravenik-output-%08lx-%08lx%08lx";
inline constexpr std::size_t kWindowsLockNameSize = 64;

} // namespace dravenik
