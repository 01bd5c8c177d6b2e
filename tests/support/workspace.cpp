#include "support/workspace.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

namespace dravenik::test {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kWindowsForbidden = "<>:\"\\|?*";
/// The longest name either side takes: Windows counts UTF-16 units (one per
/// character of a single-byte code page), Linux counts bytes.
constexpr std::size_t kMaxNameLength = 255;
/// What DRAVENIK_WINDOWS_CODE_PAGE says when the Windows build runs with
/// code page 1252, the only one whose characters this file knows.
constexpr std::string_view kCodePage1252 = "1252";
/// The characters of code page 1252 for the bytes 0x80 to 0x9F, 0 where it
/// has none; from 0xA0 on, byte and character are the same number.
constexpr std::array<char32_t, 32> kCp1252Upper = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
constexpr unsigned char kFirstControl = 0x20;
constexpr unsigned char kDelete = 0x7f;
constexpr unsigned char kFirstUpper = 0x80;
constexpr unsigned char kFirstLatin1 = 0xa0;

void appendUtf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xc0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3f));
  } else {
    text += static_cast<char>(0xe0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
    text += static_cast<char>(0x80 | (code & 0x3f));
  }
}

/// The name under which Wine shows the Windows build an entry whose bytes,
/// in the Windows code page, are name: its characters in UTF-8, the form of
/// Wine's file names. nullopt when Windows cannot hold such a name.
std::optional<std::string> windowsName(std::string_view name) {
  const char* codePage = std::getenv("DRAVENIK_WINDOWS_CODE_PAGE");
  const bool knownCodePage = codePage != nullptr && codePage == kCodePage1252;
  if (name.empty() || name.size() > kMaxNameLength || name.back() == ' ' || name.back() == '.') {
    return std::nullopt;
  }
  std::string wine;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstControl || byte == kDelete ||
        kWindowsForbidden.find(c) != std::string_view::npos) {
      return std::nullopt;
    }
    if (byte < kFirstUpper) {
      wine += c;
      continue;
    }
    const char32_t code = byte < kFirstLatin1 ? kCp1252Upper[byte - kFirstUpper] : byte;
    if (!knownCodePage || code == 0) {
      return std::nullopt;
    }
    appendUtf8(wine, code);
  }
  if (wine.size() > kMaxNameLength) {
    return std::nullopt;
  }
  return wine;
}

/// Why Windows cannot hold every entry below root as it is (folders and
/// regular files only, names it allows, no two names that differ only in
/// case); empty when it can.
std::string windowsCannotHold(const std::string& root) {
  std::error_code error;
  std::map<fs::path, std::set<std::string>> namesByFolder;
  for (fs::recursive_directory_iterator it(root, error), end; it != end; it.increment(error)) {
    if (error) {
      return "the folder cannot be read";
    }
    const fs::file_status status = it->symlink_status();
    const std::string name = it->path().filename().string();
    if (!fs::is_regular_file(status) && !fs::is_directory(status)) {
      return "'" + name + "' is neither a folder nor a regular file";
    }
    const std::optional<std::string> wine = windowsName(name);
    if (!wine) {
      return "Windows has no name for '" + name + "'";
    }
    std::string folded = *wine;
    for (char& c : folded) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (!namesByFolder[it->path().parent_path()].insert(folded).second) {
      return "'" + name + "' differs from another name only in case";
    }
  }
  return error ? "the folder cannot be read" : "";
}

/// relative with each of its names as Wine shows it (see windowsName).
fs::path asWindows(const fs::path& relative) {
  fs::path mapped;
  for (const fs::path& part : relative) {
    mapped /= windowsName(part.string()).value_or(part.string());
  }
  return mapped;
}

/// Copies root into twin with every name as Wine shows it to the Windows build.
void copyForWindows(const std::string& root, const std::string& twin) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    const fs::path to = twin / asWindows(fs::relative(entry.path(), root));
    if (entry.is_directory()) {
      fs::create_directory(to, entry.path());
    } else {
      fs::copy_file(entry.path(), to);
    }
  }
}

/// Every entry below root, by path relative to it (each name as Wine shows
/// it when windows is set), with the content of each regular file.
std::map<std::string, std::string> treeOf(const std::string& root, bool windows) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    fs::path relative = fs::relative(entry.path(), root);
    if (windows) {
      relative = asWindows(relative);
    }
    files[relative.string()] =
        entry.is_regular_file() ? readFile(entry.path().string()) : "<folder>";
  }
  return files;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

/// Adds a line about the running test to the file DRAVENIK_WINDOWS_LOG
/// names, if any: what became of one of its runs on the Windows side.
void note(const std::string& what) {
  const char* log = std::getenv("DRAVENIK_WINDOWS_LOG");
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (log == nullptr || test == nullptr) {
    return;
  }
  std::ofstream out(log, std::ios::app);
  out << test->test_suite_name() << '.' << test->name() << '\t' << what << '\n';
}

/// Runs the Windows build in twin, the copy of root made before the Linux
/// run, and compares what both builds did; true when they agree.
bool compareWithWindows(const TempDir& root, const TempDir& twin,
                        const std::vector<std::string>& arguments, const RunResult& linux) {
  std::vector<std::string> windowsArguments = {std::getenv("DRAVENIK_WINDOWS_TOOL")};
  for (std::string argument : arguments) {
    replaceAll(argument, root.path(), twin.path());
    windowsArguments.push_back(argument);
  }
  const RunResult windows = runProgram(std::getenv("DRAVENIK_WINDOWS_RUNNER"), windowsArguments);
  // The runtime writes the console in text mode (CR LF), and the Windows
  // build joins paths with a backslash; neither is a difference of the tool's.
  std::string console = windows.out;
  replaceAll(console, "\r\n", "\n");
  replaceAll(console, twin.path(), root.path());
  replaceAll(console, "\\", "/");
  const auto windowsFiles = treeOf(twin.path(), false);
  const auto linuxFiles = treeOf(root.path(), true);
  EXPECT_EQ(windows.status, linux.status) << "Windows and Linux builds end differently";
  EXPECT_EQ(console, linux.out) << "Windows and Linux builds print differently";
  EXPECT_EQ(windowsFiles, linuxFiles) << "Windows and Linux builds leave different files";
  return windows.status == linux.status && console == linux.out && windowsFiles == linuxFiles;
}

} // namespace

RunResult Workspace::runWith(const std::vector<std::string>& arguments) const {
  const bool windowsBuild = std::getenv("DRAVENIK_WINDOWS_TOOL") != nullptr &&
                            std::getenv("DRAVENIK_WINDOWS_RUNNER") != nullptr;
  std::optional<TempDir> twin;
  if (windowsBuild && !windowsComparable) {
    note("linux-only\tthe test leaves this run to the Linux build");
  } else if (windowsBuild) {
    if (const std::string why = windowsCannotHold(root.path()); !why.empty()) {
      note("linux-only\t" + why);
    } else {
      twin.emplace();
      copyForWindows(root.path(), twin->path());
    }
  }
  RunResult result = runTool(arguments);
  EXPECT_EQ(result.err, "") << "nothing goes to standard error";
  if (twin) {
    const bool agree = compareWithWindows(root, *twin, arguments, result);
    ++windowsRuns;
    note(agree ? "compared\tagree" : "compared\tDIFFER");
  }
  return result;
}

} // namespace dravenik::test
