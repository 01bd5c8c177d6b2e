// A test helper for the Windows build: holds a file open the way another
// program would, while it runs a program, and ends as that program ended.
//   hold_file.exe PATH reading|writing PROGRAM [ARGUMENTS...]
// "reading" opens PATH for reading and lets others read and write it, but
// not rename or remove it (no FILE_SHARE_DELETE), as a viewer or an
// assembler reading its input does. "writing" opens it for writing and lets
// others only read, as an editor saving it does. Exit status 125 when the
// helper itself fails.

#include <cstdio>
#include <cwchar>
#include <string>
#include <windows.h>

namespace {

constexpr int kHelperFailed = 125;
constexpr int kFirstProgramArgument = 3;

/// argument quoted so that the C runtime's parser gives it back unchanged.
std::wstring quoted(const wchar_t* argument) {
  std::wstring result = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t* c = argument; *c != L'\0'; ++c) {
    if (*c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    result.append(*c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    result += *c;
  }
  result.append(backslashes * 2, L'\\'); // before the closing quote
  result += L'"';
  return result;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc <= kFirstProgramArgument) {
    std::fputs("usage: hold_file PATH reading|writing PROGRAM [ARGUMENTS...]\n", stderr);
    return kHelperFailed;
  }
  const bool writing = std::wcscmp(argv[2], L"writing") == 0;
  if (!writing && std::wcscmp(argv[2], L"reading") != 0) {
    std::fputs("hold_file: the mode is reading or writing\n", stderr);
    return kHelperFailed;
  }
  const HANDLE held = ::CreateFileW(argv[1], writing ? GENERIC_WRITE : GENERIC_READ,
                                    writing ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot open the file (error %lu)\n", ::GetLastError());
    return kHelperFailed;
  }
  std::wstring commandLine;
  for (int i = kFirstProgramArgument; i < argc; ++i) {
    if (!commandLine.empty()) {
      commandLine += L' ';
    }
    commandLine += quoted(argv[i]);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // The held handle is not inheritable: the program never holds it itself.
  if (!::CreateProcessW(argv[kFirstProgramArgument], commandLine.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "hold_file: cannot start the program (error %lu)\n", ::GetLastError());
    ::CloseHandle(held);
    return kHelperFailed;
  }
  DWORD status = kHelperFailed;
  if (::WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process.hProcess, &status)) {
    status = kHelperFailed;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(held);
  return static_cast<int>(status);
}
