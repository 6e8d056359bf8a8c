#include "platform/win/address_tokens.h"

#include "platform/win/last_error.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace win {
namespace {

// The space handed out: low addresses stay unused so that small numbers never resolve, and
// every range is followed by a gap so that one past its end is not the next range's start.
constexpr std::uint64_t kFirstAddress = 0x00100000;
constexpr std::uint64_t kEndAddress = 0xFFFF0000;
constexpr std::uint64_t kAlignment = 16;
constexpr std::uint64_t kGap = 16;

struct Range {
  BYTE* host;
  std::size_t length;
  std::uint64_t reserved;  // address space taken, gap included
};

struct AddressSpace {
  std::mutex lock;
  std::map<std::uint64_t, Range> ranges;  // by first address
  std::uint64_t cursor = kFirstAddress;

  // The first address at or after start where need bytes fit below limit.
  std::optional<std::uint64_t> FindRoom(std::uint64_t start, std::uint64_t limit, std::uint64_t need) const {
    std::uint64_t candidate = start;
    auto next = ranges.upper_bound(candidate);
    if (next != ranges.begin()) {
      const auto& [base, range] = *std::prev(next);
      candidate = std::max(candidate, base + range.reserved);
    }
    while (candidate + need <= limit) {
      if (next == ranges.end() || candidate + need <= next->first) return candidate;
      candidate = std::max(candidate, next->first + next->second.reserved);
      ++next;
    }
    return std::nullopt;
  }
};

AddressSpace& Space() {
  static AddressSpace space;
  return space;
}

DWORD Register(void* base, std::size_t length) {
  if (base == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::uint64_t span = std::max<std::uint64_t>(length, 1);
  if (span > kEndAddress - kFirstAddress - kGap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  const std::uint64_t need = (span + kAlignment - 1) / kAlignment * kAlignment + kGap;
  auto& space = Space();
  std::lock_guard guard(space.lock);
  auto address = space.FindRoom(space.cursor, kEndAddress, need);
  if (!address) address = space.FindRoom(kFirstAddress, kEndAddress, need);
  if (!address) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  space.ranges.emplace(*address, Range{static_cast<BYTE*>(base), length, need});
  space.cursor = *address + need;
  return static_cast<DWORD>(*address);
}

void Unregister(DWORD token) {
  auto& space = Space();
  std::lock_guard guard(space.lock);
  space.ranges.erase(token);
}

}  // namespace

AddressRegistration::AddressRegistration(void* base, std::size_t length) : token_(Register(base, length)) {}

AddressRegistration::~AddressRegistration() { Release(); }

AddressRegistration::AddressRegistration(AddressRegistration&& other) noexcept : token_(other.token_) {
  other.token_ = 0;
}

AddressRegistration& AddressRegistration::operator=(AddressRegistration&& other) noexcept {
  if (this != &other) {
    Release();
    token_ = other.token_;
    other.token_ = 0;
  }
  return *this;
}

void AddressRegistration::Release() {
  if (token_ != 0) Unregister(token_);
  token_ = 0;
}

void* ResolveAddressToken(DWORD address, std::size_t offset, std::size_t length) {
  auto& space = Space();
  std::lock_guard guard(space.lock);
  // An offset beyond the space cannot land in a range; checked first so the sum cannot wrap.
  if (offset < kEndAddress) {
    const std::uint64_t first = std::uint64_t{address} + offset;
    const auto after = space.ranges.upper_bound(first);
    if (after != space.ranges.begin()) {
      const auto& [base, range] = *std::prev(after);
      const std::uint64_t inside = first - base;
      if (inside <= range.length && length <= range.length - inside) return range.host + inside;
    }
  }
  SetLastError(ERROR_NOACCESS);
  return nullptr;
}

}  // namespace win
