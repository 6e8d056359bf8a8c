#include "platform/win/address_tokens.h"

#include "platform/win/last_error.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <set>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

// Resolves and answers the last error when it fails (ERROR_SUCCESS when it succeeds).
DWORD ResolveError(DWORD address, std::size_t offset, std::size_t length) {
  SetLastError(kSentinel);
  return ResolveAddressToken(address, offset, length) == nullptr ? GetLastError() : ERROR_SUCCESS;
}

TEST(AddressTokens, ResolveInsideTheRegisteredRange) {
  std::array<BYTE, 100> buffer{};
  const AddressRegistration registration(buffer.data(), buffer.size());
  const DWORD token = registration.token();
  ASSERT_NE(token, 0U);
  EXPECT_EQ(ResolveAddressToken(token, 100), buffer.data());
  EXPECT_EQ(ResolveAddressToken(token, 10, 90), buffer.data() + 10);
  // An address inside the range works as a real one would.
  EXPECT_EQ(ResolveAddressToken(token + 99, 1), buffer.data() + 99);
  EXPECT_EQ(ResolveAddressToken(token + 40, 20, 40), buffer.data() + 60);
  EXPECT_EQ(ResolveAddressToken(token, 100, 0), buffer.data() + 100);
}

TEST(AddressTokens, RangesBeyondTheRegistrationFail) {
  std::array<BYTE, 100> buffer{};
  const AddressRegistration registration(buffer.data(), buffer.size());
  const DWORD token = registration.token();
  EXPECT_EQ(ResolveError(token, 0, 101), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(token, 99, 2), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(token + 100, 0, 1), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(token - 1, 0, 1), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(0, 0, 0), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(0x10, 0, 1), ERROR_NOACCESS);
}

TEST(AddressTokens, HugeOffsetsAndLengthsDoNotWrapAround) {
  std::array<BYTE, 64> buffer{};
  const AddressRegistration registration(buffer.data(), buffer.size());
  const DWORD token = registration.token();
  constexpr auto kMax = std::numeric_limits<std::size_t>::max();
  EXPECT_EQ(ResolveError(token, 1, kMax), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(token, kMax, 2), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(token, kMax - token + 1, 8), ERROR_NOACCESS);  // token + offset wraps to 0 in 64 bits
  EXPECT_EQ(ResolveError(0xFFFFFFFF, 1, 1), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(token + 32, 0x100000000ULL, 1), ERROR_NOACCESS);
}

TEST(AddressTokens, TokensStopResolvingWhenTheirScopeEnds) {
  std::array<BYTE, 16> buffer{};
  DWORD stale = 0;
  {
    const AddressRegistration registration(buffer.data(), buffer.size());
    stale = registration.token();
    ASSERT_NE(ResolveAddressToken(stale, 16), nullptr);
  }
  EXPECT_EQ(ResolveError(stale, 0, 1), ERROR_NOACCESS);
  // Newer registrations of the same memory get other addresses, so the stale one stays dead.
  std::set<DWORD> seen{stale};
  for (int i = 0; i < 100; ++i) {
    const AddressRegistration again(buffer.data(), buffer.size());
    EXPECT_TRUE(seen.insert(again.token()).second);
  }
  EXPECT_EQ(ResolveError(stale, 0, 1), ERROR_NOACCESS);
}

TEST(AddressTokens, MovedRegistrationsKeepTheirTokenAndReleaseOnce) {
  std::array<BYTE, 8> first{};
  std::array<BYTE, 8> second{};
  AddressRegistration a(first.data(), first.size());
  const DWORD firstToken = a.token();
  AddressRegistration b(std::move(a));
  EXPECT_EQ(a.token(), 0U);  // NOLINT(bugprone-use-after-move): a moved-from registration is empty
  EXPECT_EQ(b.token(), firstToken);
  EXPECT_EQ(ResolveAddressToken(firstToken, 8), first.data());
  AddressRegistration c(second.data(), second.size());
  const DWORD secondToken = c.token();
  b = std::move(c);
  EXPECT_EQ(ResolveError(firstToken, 0, 1), ERROR_NOACCESS);
  EXPECT_EQ(ResolveAddressToken(secondToken, 8), second.data());
}

TEST(AddressTokens, NeighbouringRangesDoNotTouch) {
  std::array<BYTE, 32> first{};
  std::array<BYTE, 32> second{};
  const AddressRegistration a(first.data(), first.size());
  const AddressRegistration b(second.data(), second.size());
  ASSERT_GT(b.token(), a.token());
  EXPECT_EQ(ResolveError(a.token(), 32, 1), ERROR_NOACCESS);
  EXPECT_EQ(ResolveError(a.token(), 16, 32), ERROR_NOACCESS);
}

TEST(AddressTokens, NullMemoryIsRefused) {
  SetLastError(kSentinel);
  const AddressRegistration registration(nullptr, 4);
  EXPECT_EQ(registration.token(), 0U);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace win
