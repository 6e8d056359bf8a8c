#include "platform/win/modules/modules.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/paths.h"
#include "platform/win/system/process.h"
#include "platform/win/modules/testdata/module_events.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

// The Windows path of a test module beside the test executable.
std::string TestModule(std::string_view fileName) {
  return WindowsPathOfHost(ExecutableFolder()) + "\\" + std::string(fileName);
}

// Links a test module's shared object into a folder of drive C: under another name.
void LinkInto(const std::filesystem::path& folder, std::string_view target, std::string_view name) {
  std::filesystem::create_directories(folder);
  std::filesystem::create_symlink(ExecutableFolder() / target, folder / name);
}

std::string FileNameOf(HMODULE module) {
  std::array<char, MAX_PATH> path{};
  GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
  return path.data();
}

class Modules : public ::testing::Test {
 protected:
  void SetUp() override { test_support::ForgetModuleEvents(); }
};

TEST_F(Modules, LoadingCountsReferencesAndTheLastFreeRunsExitInstanceOnce) {
  const std::string path = TestModule("MODOK.DLL");
  const HMODULE first = LoadLibraryA(path.c_str());
  ASSERT_NE(first, nullptr) << GetLastError();
  // InitInstance already saw its own strings and file name.
  EXPECT_EQ(test_support::ModuleEvents(), "ok:init:first module:" + path + ";");

  const std::string variant = TestModule("modOK.dll");
  EXPECT_EQ(LoadLibraryA(variant.c_str()), first);
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(test_support::ModuleEvents(), "ok:init:first module:" + path + ";");
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(test_support::ModuleEvents(), "ok:init:first module:" + path + ";ok:exit;");

  SetLastError(kSentinel);
  EXPECT_EQ(FreeLibrary(first), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(GetModuleHandleA("MODOK.DLL"), nullptr);
}

TEST_F(Modules, AFailingInitInstanceFailsTheLoadAndUnloads) {
  const std::string path = TestModule("ModFail.DLL");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SetLastError(kSentinel);
    EXPECT_EQ(LoadLibraryA(path.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    EXPECT_EQ(GetModuleHandleA("MODFAIL.DLL"), nullptr);
  }
  // Each attempt started the object afresh and ended it, as the framework's detach does.
  EXPECT_EQ(test_support::ModuleEvents(), "fail:init;fail:exit;fail:init;fail:exit;");
}

TEST_F(Modules, BrokenResourcesFailTheLoad) {
  const std::string path = TestModule("MODBROKEN.DLL");
  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryA(path.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
  EXPECT_EQ(test_support::ModuleEvents(), "");
}

TEST_F(Modules, GetProcAddressFindsOnlyTheModulesOwnExports) {
  const std::string path = TestModule("MODOK.DLL");
  const HMODULE module = LoadLibraryA(path.c_str());
  ASSERT_NE(module, nullptr);
  const FARPROC answer = GetProcAddress(module, "ModuleAnswer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)()>(answer)(), 42);

  // Hidden, in a library the module depends on, wrong case, an ordinal, the program itself.
  struct Lookup {
    HMODULE module;
    LPCSTR name;
  };
  const Lookup misses[] = {{module, "HiddenAnswer"},
                           {module, "malloc"},
                           {module, "moduleanswer"},
                           {module, reinterpret_cast<LPCSTR>(std::uintptr_t{1})},
                           {nullptr, "main"}};
  for (const auto& miss : misses) {
    SetLastError(kSentinel);
    EXPECT_EQ(GetProcAddress(miss.module, miss.name), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  }
  FreeLibrary(module);
  SetLastError(kSentinel);
  EXPECT_EQ(GetProcAddress(module, "ModuleAnswer"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(Modules, BareNamesSearchTheProgramFolderThenTheSystemFolder) {
  LinkInto(DriveCFolder() / "Windows" / "system32", "libModOk.so", "libModOk.so");
  const HMODULE fromSystem = LoadLibraryA("ModOk");
  ASSERT_NE(fromSystem, nullptr) << GetLastError();
  EXPECT_EQ(FileNameOf(fromSystem), "C:\\Windows\\system32\\ModOk.DLL");
  FreeLibrary(fromSystem);

  LinkInto(DriveCFolder() / "Program Files" / "Tarnlok", "libModOk.so", "libMODOK.so");
  const HMODULE fromProgram = LoadLibraryA("modok.dll");
  ASSERT_NE(fromProgram, nullptr);
  EXPECT_EQ(FileNameOf(fromProgram), "C:\\Program Files\\Tarnlok\\modok.dll");
  FreeLibrary(fromProgram);
}

TEST_F(Modules, OneSharedObjectUnderTwoNamesIsOneModule) {
  LinkInto(DriveCFolder() / "Program Files" / "Tarnlok", "libModOk.so", "libModAlias.so");
  const HMODULE first = LoadLibraryA("C:\\PROGRAM FILES\\TARNLOK\\MODALIAS.DLL");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(LoadLibraryA(TestModule("MODOK.DLL").c_str()), first);
  EXPECT_EQ(FileNameOf(first), "C:\\PROGRAM FILES\\TARNLOK\\MODALIAS.DLL");
  FreeLibrary(first);
  FreeLibrary(first);
  EXPECT_EQ(test_support::ModuleEvents(), "ok:init:first module:C:\\PROGRAM FILES\\TARNLOK\\MODALIAS.DLL;ok:exit;");
}

TEST_F(Modules, MissingModulesFailWithModNotFound) {
  const std::string existingFolderMissingFile = TestModule("NOPE.DLL");
  const std::string otherExtension = TestModule("MODOK.EXE");
  const char* const names[] = {
      "NOPE.DLL",     existingFolderMissingFile.c_str(), otherExtension.c_str(), "C:\\No Such Folder\\MODOK.DLL", "",
      "C:\\Windows\\"};
  for (const char* name : names) {
    SetLastError(kSentinel);
    EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << name;
  }
  SetLastError(kSentinel);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Modules, ModuleHandlesDoNotAddReferences) {
  EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
  EXPECT_EQ(GetModuleHandleA("tarnlok.EXE"), GetModuleHandleA(nullptr));
  EXPECT_EQ(FileNameOf(nullptr), "C:\\Program Files\\Tarnlok\\Tarnlok.exe");
  EXPECT_EQ(FileNameOf(GetModuleHandleA(nullptr)), FileNameOf(nullptr));

  SetLastError(kSentinel);
  EXPECT_EQ(GetModuleHandleA("MODOK.DLL"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  const HMODULE module = LoadLibraryA(TestModule("MODOK.DLL").c_str());
  EXPECT_EQ(GetModuleHandleA("modok"), module);
  FreeLibrary(module);
  EXPECT_EQ(GetModuleHandleA("MODOK.DLL"), nullptr);
  // The program stays loaded whatever is freed.
  EXPECT_EQ(FreeLibrary(GetModuleHandleA(nullptr)), TRUE);
  EXPECT_EQ(FileNameOf(nullptr), "C:\\Program Files\\Tarnlok\\Tarnlok.exe");
}

TEST_F(Modules, GetModuleFileNameCutsTheNameToTheBufferAndEndsIt) {
  const std::string full = "C:\\Program Files\\Tarnlok\\Tarnlok.exe";
  const auto length = static_cast<DWORD>(full.size());
  std::array<char, 64> buffer{};

  buffer.fill('#');
  SetLastError(kSentinel);
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), length + 1), length);
  EXPECT_EQ(std::string(buffer.data()), full);
  EXPECT_EQ(GetLastError(), kSentinel);

  buffer.fill('#');
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), length), length);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(buffer.data()), full.substr(0, length - 1));
  EXPECT_EQ(buffer[length], '#');

  buffer.fill('#');
  SetLastError(kSentinel);
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 0), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(buffer[0], '#');

  SetLastError(kSentinel);
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(std::uintptr_t{0x1234}), buffer.data(), 64), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

}  // namespace
}  // namespace win
