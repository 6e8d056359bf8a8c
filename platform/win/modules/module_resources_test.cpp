#include "platform/win/module_resources.h"

#include "platform/win/last_error.h"
#include "platform/win/modules.h"
#include "platform/win/paths.h"
#include "platform/win/process.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

std::string Text(std::span<const BYTE> bytes) { return std::string(bytes.begin(), bytes.end()); }

class ModuleResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA((WindowsPathOfHost(ExecutableFolder()) + "\\MODOK.DLL").c_str());
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override { FreeLibrary(module_); }

  std::string String(HMODULE module, UINT id) {
    std::array<char, 128> buffer{};
    const int length = LoadStringA(module, id, buffer.data(), static_cast<int>(buffer.size()));
    EXPECT_EQ(static_cast<std::size_t>(length), std::string(buffer.data()).size());
    return buffer.data();
  }

  HMODULE module_ = nullptr;
};

TEST_F(ModuleResources, EachModuleAnswersFromItsOwnStringTable) {
  EXPECT_EQ(String(nullptr, 1), "test program");
  EXPECT_EQ(String(GetModuleHandleA(nullptr), 1), "test program");
  EXPECT_EQ(String(module_, 1), "first module");
  EXPECT_EQ(String(nullptr, 3), "tab\there \"quoted\" \xE9");
}

TEST_F(ModuleResources, LoadStringCutsToTheBufferAndAlwaysEndsTheText) {
  std::array<char, 8> buffer{};
  buffer.fill('#');
  EXPECT_EQ(LoadStringA(module_, 2, buffer.data(), 5), 4);
  EXPECT_EQ(std::string(buffer.data()), "0123");
  EXPECT_EQ(buffer[5], '#');

  buffer.fill('#');
  EXPECT_EQ(LoadStringA(module_, 2, buffer.data(), 1), 0);
  EXPECT_EQ(buffer[0], '\0');

  buffer.fill('#');
  SetLastError(kSentinel);
  EXPECT_EQ(LoadStringA(module_, 2, buffer.data(), 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(LoadStringA(module_, 2, nullptr, 8), 0);
}

TEST_F(ModuleResources, MissingStringsAnswerZeroAndAnEmptyText) {
  std::array<char, 8> buffer{};
  struct Miss {
    HMODULE module;
    UINT id;
    DWORD error;
  };
  const Miss misses[] = {
      {nullptr, 2, ERROR_RESOURCE_NAME_NOT_FOUND},
      {module_, 3, ERROR_RESOURCE_NAME_NOT_FOUND},
      {GetModuleHandleA("USER32.DLL"), 1, ERROR_RESOURCE_DATA_NOT_FOUND},
      {reinterpret_cast<HMODULE>(std::uintptr_t{0x1234}), 1, ERROR_RESOURCE_DATA_NOT_FOUND},
  };
  for (const auto& miss : misses) {
    buffer.fill('#');
    SetLastError(kSentinel);
    EXPECT_EQ(LoadStringA(miss.module, miss.id, buffer.data(), 8), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetLastError(), miss.error);
  }
}

TEST_F(ModuleResources, TypedResourcesAreFoundByTypeAndId) {
  const auto accelerators = FindModuleResource(nullptr, RESOURCE_ACCELERATOR, 145);
  ASSERT_TRUE(accelerators.has_value());
  EXPECT_EQ(Text(*accelerators), "ACCEL 145\n");
  EXPECT_TRUE(FindModuleResource(nullptr, "ACCELERATOR", 145).has_value());

  const auto icon = FindModuleResource(nullptr, RESOURCE_ICON, 7);
  ASSERT_TRUE(icon.has_value());
  EXPECT_TRUE(icon->empty());

  const auto dialog = FindModuleResource(module_, RESOURCE_DIALOG, 129);
  ASSERT_TRUE(dialog.has_value());
  EXPECT_EQ(Text(*dialog), "DIALOG 129 \"Test\"\n");

  SetLastError(kSentinel);
  EXPECT_FALSE(FindModuleResource(nullptr, RESOURCE_DIALOG, 129).has_value());
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
  EXPECT_FALSE(FindModuleResource(nullptr, RESOURCE_ACCELERATOR, 146).has_value());
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_FALSE(FindModuleResource(GetModuleHandleA("USER32.DLL"), RESOURCE_BITMAP, 1).has_value());
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
}

}  // namespace
}  // namespace win
