#include "platform/win/system/global_memory.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

TEST(GlobalMemory, ZeroInitialisedBlocksAreZeroAndSized) {
  // Small blocks come from the heap, large ones from the host's pages: both start zero, and
  // their last byte is theirs to write.
  for (const std::size_t size : {std::size_t{32830}, std::size_t{5} << 20}) {
    for (const UINT flags : {GPTR, GHND}) {
      const HGLOBAL block = GlobalAlloc(flags, size);
      ASSERT_NE(block, nullptr);
      auto* bytes = static_cast<BYTE*>(GlobalLock(block));
      ASSERT_NE(bytes, nullptr);
      EXPECT_TRUE(std::all_of(bytes, bytes + size, [](BYTE b) { return b == 0; })) << size;
      EXPECT_EQ(GlobalSize(block), size);
      bytes[size - 1] = 0x5A;
      GlobalUnlock(block);
      EXPECT_EQ(GlobalFree(block), nullptr);
    }
  }
}

TEST(GlobalMemory, FixedBlocksAreTheirOwnMemory) {
  const HGLOBAL block = GlobalAlloc(GMEM_FIXED, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), block);
  EXPECT_TRUE(GlobalUnlock(block));
  GlobalFree(block);
}

TEST(GlobalMemory, MoveableBlocksCountTheirLocks) {
  const HGLOBAL block = GlobalAlloc(GHND, 8);
  void* memory = GlobalLock(block);
  ASSERT_NE(memory, nullptr);
  EXPECT_NE(memory, block);
  EXPECT_EQ(GlobalLock(block), memory);
  EXPECT_TRUE(GlobalUnlock(block));
  SetLastError(kSentinel);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  GlobalFree(block);
}

TEST(GlobalMemory, FreedAndUnknownHandlesFail) {
  const HGLOBAL block = GlobalAlloc(GMEM_FIXED, 8);
  ASSERT_EQ(GlobalFree(block), nullptr);
  SetLastError(kSentinel);
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SetLastError(kSentinel);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GlobalSize(block), 0U);
  EXPECT_EQ(GlobalAddressToken(block), 0U);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemory, BlocksHaveAddressesUntilFreed) {
  const HGLOBAL block = GlobalAlloc(GHND, 26);
  auto* bytes = static_cast<BYTE*>(GlobalLock(block));
  const DWORD address = GlobalAddressToken(block);
  ASSERT_NE(address, 0U);
  EXPECT_EQ(ResolveAddressToken(address, 26), bytes);
  EXPECT_EQ(ResolveAddressToken(address, 11, 15), bytes + 11);
  EXPECT_EQ(ResolveAddressToken(address, 11, 16), nullptr);
  GlobalFree(block);
  SetLastError(kSentinel);
  EXPECT_EQ(ResolveAddressToken(address, 1), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
}

TEST(GlobalMemory, EmptyBlocksAreDistinct) {
  const HGLOBAL first = GlobalAlloc(GMEM_FIXED, 0);
  const HGLOBAL second = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(GlobalSize(first), 0U);
  EXPECT_NE(GlobalAddressToken(first), GlobalAddressToken(second));
  GlobalFree(first);
  GlobalFree(second);
}

TEST(GlobalMemory, ALimitRefusesLargerBlocksAsShortMemoryDoes) {
  SetGlobalAllocLimit(4096);
  SetLastError(kSentinel);
  EXPECT_EQ(GlobalAlloc(GPTR, 4097), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  const HGLOBAL fits = GlobalAlloc(GPTR, 4096);
  EXPECT_NE(fits, nullptr);
  GlobalFree(fits);
  SetGlobalAllocLimit(0);
  const HGLOBAL large = GlobalAlloc(GPTR, 1 << 20);
  EXPECT_NE(large, nullptr);
  GlobalFree(large);
}

}  // namespace
}  // namespace win
