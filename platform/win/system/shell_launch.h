// The road from the shell services to the desktop: start a program, hand a document, folder or
// address to the desktop's opener, play a sound. The desktop's launcher is the default; tests
// install their own so that nothing is started.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace win {

struct ShellLaunch {
  enum class Kind { Program, Document, Sound };
  Kind kind = Kind::Document;
  // Program and Sound: the host file. Document: the host path, or an address such as "mailto:...".
  std::string target;
  // Program only: its arguments, and the folder it starts in (empty: the caller's).
  std::vector<std::string> arguments;
  std::filesystem::path workingFolder;
  // Sound only: play to the end before answering.
  bool wait = false;
};

// Answers whether the launch was started.
using ShellLauncher = std::function<bool(const ShellLaunch&)>;

// An empty launcher restores the desktop's.
void SetShellLauncher(ShellLauncher launcher);
bool LaunchOnDesktop(const ShellLaunch& launch);

}  // namespace win
