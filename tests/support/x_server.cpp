#include "tests/support/x_server.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnlok::test_support {
namespace {

// The display number Xvfb writes to its -displayfd once it accepts connections; empty when it
// writes none in time.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  pollfd ready{fd, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    if (poll(&ready, 1, 100) <= 0) continue;
    char byte = 0;
    if (read(fd, &byte, 1) != 1) break;
    if (byte == '\n') return number;
    number.push_back(byte);
  }
  return {};
}

}  // namespace

// Xvfb chooses a free display itself and names it when it is ready: two tests starting at once
// can no longer take the same number, nor start before the server listens.
XServer::XServer() {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  constexpr int kDisplayFd = 3;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], kDisplayFd);
  std::vector<std::string> args{"Xvfb",      "-displayfd", std::to_string(kDisplayFd), "-screen", "0", "1024x768x24",
                                "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  const std::string number = pid_ != 0 ? ReadDisplayNumber(pipeFds[0]) : std::string();
  close(pipeFds[0]);
  if (number.empty()) {
    Stop();
    return;
  }
  display_ = ":" + number;
}

XServer::~XServer() { Stop(); }

void XServer::Stop() {
  if (pid_ == 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
}

bool DesktopToolsInstalled() { return std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") == 0; }

}  // namespace tarnlok::test_support
