// An X server (Xvfb) on a display number of its own, for tests that give input the way a
// person does: through the X server, with xdotool. Ended with the object.
#pragma once

#include <string>

#include <sys/types.h>

namespace tarnlok::test_support {

class XServer {
 public:
  XServer();
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool Running() const { return pid_ != 0; }
  // ":93"
  const std::string& Display() const { return display_; }

 private:
  void Stop();

  pid_t pid_ = 0;
  std::string display_;
};

// Whether Xvfb and xdotool are installed (scripts/install-deps installs them).
bool DesktopToolsInstalled();

}  // namespace tarnlok::test_support
