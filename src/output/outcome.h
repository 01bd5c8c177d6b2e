#pragma once

#include <string>

namespace dravenik {

/// What went wrong with a file, for the driver to report.
enum class FailureKind {
  None,
  Create,          ///< a generated file could not be created
  ReadProjectFile, ///< a project file could not be opened or read
  Write,           ///< a write, flush or close of a generated file failed
};

/// The result of a step that touches files: success, or which file failed and why.
struct [[nodiscard]] Outcome {
  FailureKind kind = FailureKind::None;
  std::string path;
  /// An error code for platform::errorText.
  int code = 0;

  bool ok() const { return kind == FailureKind::None; }
  static Outcome success() { return {}; }
  /// Success when code is 0, otherwise a failure of kind on path.
  static Outcome check(FailureKind kind, const std::string& path, int code) {
    return code == 0 ? Outcome{} : Outcome{kind, path, code};
  }
};

} // namespace dravenik
