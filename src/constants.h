#pragma once

// Every text and number the tool uses. Generated files and console output
// are read by scripts and assemblers, so these bytes are part of the contract.

#include <cstddef>
#include <cstdint>
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
/// An empty argument would mean the file-system root, which nobody means.
inline constexpr std::string_view kFatalEmptyArgument =
    "Fatal Error: Empty project or output directory argument.\n\n";
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
/// The largest offset a "dc.l" entry can hold.
inline constexpr std::uint64_t kMaxOffset = 0xFFFF'FFFFu;

/// Stands between two names and after every copied source line.
inline constexpr char LineMark = '\x80';
/// Ends a data file's list or block; doubled when needed for an even length.
inline constexpr char EndMark = '\0';

// --- Text mode --------------------------------------------------------------

inline constexpr char kLineFeed = '\n';
inline constexpr char kCarriageReturn = '\r';
/// The bytes that end a line in a text file.
inline constexpr std::string_view kLineBreakBytes = "\r\n";
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

/// How much of a new output file is written before its write-back is started.
inline constexpr std::size_t kWriteBackStep = std::size_t{8} << 20;

// --- Platform -----------------------------------------------------------------

/// Reasons of our own in fatal messages, beside the system's words.
inline constexpr std::string_view kReasonNotRegularFile = "not a regular file";
inline constexpr std::string_view kReasonLocked = "in use by another program";
inline constexpr std::string_view kReasonDirectoryInUse =
    "the output directory is in use by another run";
inline constexpr std::string_view kReasonNameHoldsLineBreak = "the name holds a line break";
inline constexpr std::string_view kReasonNameOutsideCodePage =
    "the name cannot be written in the system code page";

/// What follows an output name while its new file is being written: never
/// ".asm", so that a search of the folder for programs never takes it.
inline constexpr std::string_view kStagingSuffix = ".dravenik-new";
/// Permission bits of a replaced file that its successor keeps.
inline constexpr unsigned kPosixPermissionBits = 0777;

/// What stands for the backslash that starts each path literal, per host.
inline constexpr char kPosixPathSeparator = '/';
inline constexpr char kWindowsPathSeparator = '\\';
/// Permissions of a created file on POSIX hosts, narrowed by the user's umask.
inline constexpr unsigned kPosixCreateMode = 0666;
/// What a Windows directory search is given after the directory.
inline constexpr std::wstring_view kWindowsSearchPattern = L"*.asm";
/// The largest single read or write on Windows, whose calls take a 32-bit count.
inline constexpr std::size_t kWindowsMaxTransfer = std::size_t{1} << 30;
/// What follows an output name on Windows while the file it replaces stands
/// aside during a commit (a file in use cannot be replaced in one step
/// there): never ".asm" either.
inline constexpr std::string_view kRetiredSuffix = ".dravenik-old";
/// The byte that a run locks in its include file's new file to hold the
/// output folder on Windows: far beyond any data, so that no read or write
/// of the file ever meets the lock, and below 2^63, where every host that
/// maps the lock to its own (Wine, Samba) can still place it.
inline constexpr std::uint64_t kWindowsLockOffset = std::uint64_t{1} << 62;
/// Prefixes of Windows paths: the form without a length limit, its network
/// form, and the device form that is passed on unchanged.
inline constexpr std::wstring_view kWindowsLongPathPrefix = L"\\\\?\\";
inline constexpr std::wstring_view kWindowsLongUncPrefix = L"\\\\?\\UNC\\";
inline constexpr std::wstring_view kWindowsDevicePrefix = L"\\\\.\\";
inline constexpr std::wstring_view kWindowsUncPrefix = L"\\\\";
/// What stands for a character that the system code page cannot hold.
inline constexpr const char* kWindowsDefaultChar = "?";

} // namespace dravenik
