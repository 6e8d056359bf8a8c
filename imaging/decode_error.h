// How an image decoder gives up: it throws the constant message text of its fault and catches
// it at the end of its own decode operation. Nothing of this leaves the image classes.
#pragma once

#include <cstdint>

namespace imaging {

struct DecodeError {
  const char* message;
};

[[noreturn]] inline void Fail(const char* message) { throw DecodeError{message}; }

// Fails with message unless condition holds.
inline void Require(bool condition, const char* message) {
  if (!condition) Fail(message);
}

}  // namespace imaging
