// 32-bit addresses for memory that a record names in a 32-bit field (request buffers, register
// blocks, driver requests, device-node chains): a 64-bit process cannot put a pointer there,
// so the memory is registered and gets an address in a 32-bit space of its own. Address
// token + k names byte k of the range, as a real address would. Tokens are handed out in rising
// order through the whole space before any is used again, so a stale token fails instead of
// naming newer memory. GlobalAlloc registers its blocks itself (global_memory.h).
#pragma once

#include "platform/win/types.h"

#include <cstddef>

namespace win {

// Registers (base, length) for as long as the object lives. A failed registration (null base,
// or no room left in the 32-bit space) has token 0 and sets ERROR_NOT_ENOUGH_MEMORY or
// ERROR_INVALID_PARAMETER.
class AddressRegistration {
 public:
  AddressRegistration() = default;
  AddressRegistration(void* base, std::size_t length);
  ~AddressRegistration();
  AddressRegistration(AddressRegistration&& other) noexcept;
  AddressRegistration& operator=(AddressRegistration&& other) noexcept;
  AddressRegistration(const AddressRegistration&) = delete;
  AddressRegistration& operator=(const AddressRegistration&) = delete;

  // The 32-bit address of the first byte; never 0 for a live registration.
  DWORD token() const { return token_; }

 private:
  void Release();

  DWORD token_ = 0;
};

// The memory of length bytes at address + offset when it lies wholly inside one live
// registration; otherwise null with ERROR_NOACCESS.
void* ResolveAddressToken(DWORD address, std::size_t offset, std::size_t length);
inline void* ResolveAddressToken(DWORD address, std::size_t length) { return ResolveAddressToken(address, 0, length); }

}  // namespace win
