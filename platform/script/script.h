// A scripted run's steps, read from the plain-text file that TARNLOK_SCRIPT names: one step a
// line, blank lines and lines starting with '#' skipped, words separated by blanks, the last
// argument of text, expect, reply, file, folder, tab and card insert the rest of the line.
// docs/scripting.md gives the grammar.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace script {

enum class Verb {
  Device,
  Tab,
  Press,
  Check,
  Uncheck,
  Text,
  Select,
  Reply,
  File,
  Folder,
  CardInsert,
  CardRemove,
  CardSwap,
  CardProtect,
  Wait,
  Expect,
  Close,
  Quit,
};

// The answers a reply names: the message box results, and Ignore All of the error prompt.
enum class Answer { OK, Cancel, Abort, Retry, Ignore, Yes, No, IgnoreAll };

std::string_view AnswerName(Answer answer);

struct Step {
  int line = 0;
  Verb verb = Verb::Quit;
  int id = 0;  // press, check, uncheck, text, select, expect
  int row = 0;  // select
  char letter = 0;  // device and card: the drive letter, upper case
  char otherLetter = 0;  // card swap
  bool on = false;  // card protect
  int deviceCode = 0;  // card insert: the SmartMedia device code named, 0 when none
  double seconds = 600;  // wait
  Answer answer = Answer::OK;
  std::string text;  // tab caption, typed or expected text, reply text, path, image
};

// A line that does not parse, or a file that cannot be read (line 0).
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& why) : std::runtime_error(why), line_(line) {}
  int Line() const { return line_; }

 private:
  int line_;
};

// "script: line N: <why>", the one form every failure of a run is reported in.
std::string FailureText(int line, const std::string& why);

std::vector<Step> ParseScript(std::string_view text);
std::vector<Step> ReadScript(const std::filesystem::path& file);
// The file TARNLOK_SCRIPT names, when it names one.
std::optional<std::filesystem::path> ScriptFileFromEnvironment();

}  // namespace script
