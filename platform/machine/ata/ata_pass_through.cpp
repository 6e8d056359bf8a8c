#include "platform/machine/ata/ata_pass_through.h"

#include "platform/machine/reader/identify_block.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/last_error.h"
#include "platform/win/layouts/pass_through_layout.h"

#include <algorithm>
#include <vector>

namespace machine {
namespace {

namespace ipt = win::ide_pass_through;
namespace smart = win::smart_command;

constexpr std::uint8_t kSmartIdeErrorAborted = 0x04;
constexpr std::uint8_t kSmartDriverError = 0x01;  // SMART_IDE_ERROR

}  // namespace

win::DWORD RunIdePassThrough(Reader& reader, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                             win::DWORD& returned) {
  if (!reader.AnswersAta()) return win::ERROR_INVALID_FUNCTION;
  if (input.size() < ipt::kData || output.size() < ipt::kData) return win::ERROR_INVALID_PARAMETER;
  const AtaTaskFile taskFile = AtaTaskFileAt(input, ipt::kFeatures);
  const win::DWORD dataSize = win::ReadLe32(input, ipt::kDataSize);
  const bool writes = AtaCommandWrites(taskFile.command);
  const std::size_t area = (writes ? input.size() : output.size()) - ipt::kData;
  if (dataSize > kMaxIdeData || dataSize > area) return win::ERROR_INVALID_PARAMETER;

  // The data travel in a buffer of their own: input and output may be the same memory.
  std::vector<win::BYTE> data(dataSize, 0);
  if (writes) std::copy_n(input.begin() + ipt::kData, dataSize, data.begin());
  const AtaResult result = writes ? reader.ExecuteAta(taskFile, {}, data) : reader.ExecuteAta(taskFile, data, {});
  if (!result.answered) return win::ERROR_IO_DEVICE;

  std::copy_n(input.begin(), ipt::kData, output.begin());
  output[ipt::kCommand] = result.status;
  output[ipt::kFeatures] = result.error;
  returned = static_cast<win::DWORD>(ipt::kData);
  if (result.Failed()) return win::ERROR_SUCCESS;
  if (!writes) std::copy(data.begin(), data.end(), output.begin() + ipt::kData);
  returned += dataSize;
  return win::ERROR_SUCCESS;
}

win::DWORD RunSmartReceive(Reader& reader, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                           win::DWORD& returned) {
  if (!reader.AnswersAta()) return win::ERROR_INVALID_FUNCTION;
  if (input.size() < smart::kInputSize) return win::ERROR_INVALID_PARAMETER;
  if (output.size() < smart::kOutputData + win::identify_layout::kSize) return win::ERROR_INSUFFICIENT_BUFFER;
  AtaTaskFile taskFile = AtaTaskFileAt(input, smart::kDriveRegisters);
  taskFile.deviceHead = 0xA0;
  std::vector<win::BYTE> data(win::identify_layout::kSize, 0);
  const AtaResult result = taskFile.command == kAtaIdentify ? reader.ExecuteAta(taskFile, data, {}) : AtaResult{};
  std::fill_n(output.begin(), smart::kOutputData, win::BYTE{0});
  if (!result.answered || result.Failed()) {
    output[smart::kDriverError] = kSmartDriverError;
    output[smart::kIdeError] = result.answered ? result.error : kSmartIdeErrorAborted;
    returned = static_cast<win::DWORD>(smart::kOutputData);
    return win::ERROR_IO_DEVICE;
  }
  win::WriteLe32(output, smart::kBufferSize, static_cast<win::DWORD>(win::identify_layout::kSize));
  std::copy(data.begin(), data.end(), output.begin() + smart::kOutputData);
  returned = static_cast<win::DWORD>(smart::kOutputData + win::identify_layout::kSize);
  return win::ERROR_SUCCESS;
}

}  // namespace machine
