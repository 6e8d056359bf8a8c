#include "tests/support/x_server.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarnlok::test_support {
namespace {

bool WaitForSocket(int number) {
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
  for (int tries = 0; tries < 100; ++tries) {
    if (std::filesystem::exists(socket)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace

XServer::XServer() {
  for (int number = 90 + getpid() % 100; number < 300 && pid_ == 0; number += 7) {
    if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
    display_ = ":" + std::to_string(number);
    std::vector<std::string> args{"Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    if (pid_ != 0 && !WaitForSocket(number)) Stop();
  }
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
