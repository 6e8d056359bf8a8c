// The deliverables as the program folder holds them: each library exports only extern "C"
// names, each module answers from its own resources, and the program starts and ends cleanly.
// This test executable carries the program's resources, standing in for the program.
#include "platform/win/system/last_error.h"
#include "platform/win/modules/module_resources.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/process.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct CommandResult {
  int status = -1;
  std::string output;
};

CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) result.output += chunk.data();
  result.status = ::pclose(pipe);
  return result;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string String(win::HMODULE module, win::UINT id) {
  std::array<char, 512> buffer{};
  win::LoadStringA(module, id, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

TEST(Deliverables, LibrariesExportOnlyExternCNames) {
  for (const char* library : {"libPradvik2k.so", "libPradvik9x.so", "libViduvod.so"}) {
    const auto result = RunCommand("nm -D --defined-only " + Quoted(win::ExecutableFolder() / library) + " 2>&1");
    ASSERT_EQ(result.status, 0) << library << ": " << result.output;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
      const std::string symbol = line.substr(line.find_last_of(' ') + 1);
      EXPECT_NE(symbol.rfind("_Z", 0), 0u) << library << " exports the C++ name " << symbol;
    }
  }
}

TEST(Deliverables, EachModuleAnswersFromItsOwnStringTable) {
  EXPECT_EQ(String(nullptr, 104), "Tarnlok V2");
  EXPECT_EQ(String(nullptr, 57344), "Tarnlok V2");
  EXPECT_EQ(String(nullptr, 57430), "Format Dll load failed. Quiting the application.");

  // Loaded as the program loads it: its folder upper-cased.
  const win::HMODULE format = win::LoadLibraryA("C:\\PROGRAM FILES\\TARNLOK\\PRADVIK2K.DLL");
  ASSERT_NE(format, nullptr) << win::GetLastError();
  EXPECT_EQ(String(format, 57344), "Format");
  EXPECT_NE(String(format, 53).find("Pradvik2k.DLL file."), std::string::npos);
  EXPECT_EQ(String(format, 104), "");
  win::FreeLibrary(format);

  const win::HMODULE format9x = win::LoadLibraryA("Pradvik9x.DLL");
  ASSERT_NE(format9x, nullptr) << win::GetLastError();
  EXPECT_NE(String(format9x, 52).find("Pradvik9x.DLL file."), std::string::npos);
  win::FreeLibrary(format9x);

  const win::HMODULE exif = win::LoadLibraryA("VIDUVOD.DLL");
  EXPECT_NE(exif, nullptr) << win::GetLastError();
  win::FreeLibrary(exif);
}

// The program starts on a described machine and waits for its user at the start-up notes
// (there is nobody to answer them here), or ends cleanly; it never crashes on the way.
TEST(Deliverables, ProgramStartsAndWaitsForItsUser) {
  const auto home = tarnlok::test_support::MakeTestDataHome();
  const auto machine = home / "machine.json";
  std::ofstream(machine) << R"({ "version": 1, "windows": "xp", "readers": [] })";
  const auto result =
      RunCommand("XDG_DATA_HOME=" + Quoted(home) + " TARNLOK_MACHINE=" + Quoted(machine) +
                 " QT_QPA_PLATFORM=offscreen timeout 10 " + Quoted(win::ExecutableFolder() / "Tarnlok") + " 2>&1");
  std::filesystem::remove_all(home);
  ASSERT_TRUE(WIFEXITED(result.status)) << result.output;
  constexpr int kStillRunning = 124;
  EXPECT_TRUE(WEXITSTATUS(result.status) == 0 || WEXITSTATUS(result.status) == kStillRunning) << result.output;
}

// On a first start the program makes the default machine, finds its six drives (the log of its
// device scan names each) and waits for its user in the main window (the start-up notes were
// already turned off).
TEST(Deliverables, ProgramFindsTheDefaultMachinesSixDrives) {
  const auto home = tarnlok::test_support::MakeTestDataHome();
  std::filesystem::create_directories(home / "tarnlok");
  std::ofstream(home / "tarnlok" / "registry")
      << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quarnwell\\Tarnlok V2\\Settings]\n\"START\"=hex:01\n";
  const auto log = home / "tarnlok" / "drive_c" / "Program Files" / "Tarnlok" / "QWITLK.LOG";
  const std::string scanned = "grep -c 'Handle created successfully' " + Quoted(log) + " 2>/dev/null";
  // Polls until the scan is logged or the program ends, for at most two minutes.
  const auto result =
      RunCommand("env -u TARNLOK_MACHINE XDG_DATA_HOME=" + Quoted(home) + " QT_QPA_PLATFORM=offscreen " +
                 Quoted(win::ExecutableFolder() / "Tarnlok") + " >/dev/null 2>&1 & program=$!; " +
                 "for i in $(seq 1200); do kill -0 $program 2>/dev/null || break; [ \"$(" + scanned +
                 ")\" = 6 ] && break; sleep 0.1; done; sleep 1; " +
                 "if kill -0 $program 2>/dev/null; then echo waiting; kill $program; wait $program; fi");
  std::ostringstream text;
  text << std::ifstream(log).rdbuf();
  const std::string lines = text.str();
  std::filesystem::remove_all(home);
  EXPECT_EQ(result.output, "waiting\n") << "the program ended before its user answered";
  for (char letter : std::string("AEFGHI")) {
    EXPECT_NE(lines.find(std::string("Drive ->") + letter + " Handle created successfully\n"), std::string::npos)
        << letter << " in " << lines;
  }
  EXPECT_EQ(lines.find("Handle creation failure"), std::string::npos) << lines;
}

}  // namespace
