#include "platform/win/system/shell_launch.h"

#include "platform/win/system/guarded_slot.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace win {
namespace {

// The first executable of that name on PATH.
std::optional<std::filesystem::path> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const auto candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// Starts argv[0] in its own session, without a shell. A detached start is reaped by a thread
// of its own so that it leaves no zombie; otherwise the call waits for it to end.
bool Spawn(const std::vector<std::string>& arguments, const std::filesystem::path& workingFolder, bool wait) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  pid_t child = 0;
  const int result = posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) return false;

  const auto reap = [child] {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return status;
  };
  if (!wait) {
    std::thread(reap).detach();
    return true;
  }
  const int status = reap();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SoundDevicePresent() { return std::filesystem::exists("/dev/snd"); }

bool DesktopLaunch(const ShellLaunch& launch) {
  switch (launch.kind) {
    case ShellLaunch::Kind::Program: {
      std::vector<std::string> arguments{launch.target};
      arguments.insert(arguments.end(), launch.arguments.begin(), launch.arguments.end());
      return Spawn(arguments, launch.workingFolder, false);
    }
    case ShellLaunch::Kind::Document: {
      const auto opener = FindOnPath("xdg-open");
      return opener && Spawn({opener->string(), launch.target}, {}, false);
    }
    case ShellLaunch::Kind::Sound: {
      const auto player = FindOnPath("aplay");
      return SoundDevicePresent() && player && Spawn({player->string(), "-q", launch.target}, {}, launch.wait);
    }
  }
  return false;
}

GuardedSlot<ShellLauncher>& Launcher() {
  static GuardedSlot<ShellLauncher> launcher;
  return launcher;
}

}  // namespace

void SetShellLauncher(ShellLauncher launcher) { Launcher().Set(std::move(launcher)); }

bool LaunchOnDesktop(const ShellLaunch& launch) {
  const ShellLauncher launcher = Launcher().Get();
  return launcher ? launcher(launch) : DesktopLaunch(launch);
}

}  // namespace win
