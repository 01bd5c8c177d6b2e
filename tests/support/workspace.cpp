#include "support/workspace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

namespace dravenik::test {

namespace fs = std::filesystem;

namespace {

/// Longest path the Windows build's narrow file calls take.
constexpr std::size_t kWindowsMaxPath = 259;
constexpr std::string_view kWindowsForbidden = "<>:\"\\|?*";

/// True when Windows can hold every entry below root as it is: folders and
/// regular files only, with names it allows and paths it can open.
bool windowsCanHold(const std::string& root) {
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end; it != end; it.increment(error)) {
    if (error) {
      return false;
    }
    const fs::file_status status = it->symlink_status();
    if (!fs::is_regular_file(status) && !fs::is_directory(status)) {
      return false;
    }
    const std::string name = it->path().filename().string();
    for (const char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte > 0x7e || kWindowsForbidden.find(c) != std::string_view::npos) {
        return false;
      }
    }
    if (name.back() == ' ' || name.back() == '.' ||
        it->path().string().size() + 16 > kWindowsMaxPath) { // room for "\prginc.asm"
      return false;
    }
  }
  return !error;
}

/// Every regular file below root, by path relative to it, with its content.
std::map<std::string, std::string> treeOf(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    files[relative] = entry.is_regular_file() ? readFile(entry.path().string()) : "<folder>";
  }
  return files;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

/// Runs the Windows build in twin, the copy of root made before the Linux
/// run, and compares what both builds did.
void compareWithWindows(const TempDir& root, const TempDir& twin,
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
  EXPECT_EQ(windows.status, linux.status) << "Windows and Linux builds end differently";
  EXPECT_EQ(console, linux.out) << "Windows and Linux builds print differently";
  EXPECT_EQ(treeOf(twin.path()), treeOf(root.path()))
      << "Windows and Linux builds leave different files";
}

} // namespace

RunResult Workspace::runWith(const std::vector<std::string>& arguments) const {
  std::optional<TempDir> twin;
  if (windowsComparable && std::getenv("DRAVENIK_WINDOWS_TOOL") != nullptr &&
      std::getenv("DRAVENIK_WINDOWS_RUNNER") != nullptr && windowsCanHold(root.path())) {
    twin.emplace();
    fs::copy(root.path(), twin->path(), fs::copy_options::recursive);
  }
  RunResult result = runTool(arguments);
  EXPECT_EQ(result.err, "") << "nothing goes to standard error";
  if (twin) {
    compareWithWindows(root, *twin, arguments, result);
  }
  return result;
}

} // namespace dravenik::test
