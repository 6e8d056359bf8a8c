// Runs a decoder body and turns its fault into the image's last error and a false answer, so no
// exception leaves a decode operation.
#pragma once

#include "imaging/decode_error.h"
#include "imaging/dib_image.h"
#include "platform/win/layouts/byte_order.h"

#include <new>

namespace imaging {

template <class Body>
bool GuardedDecode(CDibImage& image, Body body) {
  try {
    return body();
  } catch (const DecodeError& error) {
    image.SetLastError(error.message);
  } catch (const win::FieldOutsideRecord&) {
    image.SetLastError("record too short");
  } catch (const std::bad_alloc&) {
    image.SetLastError("Out of memory");
  }
  image.Destroy();
  return false;
}

}  // namespace imaging
