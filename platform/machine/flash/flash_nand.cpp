#include "platform/machine/flash/flash_nand.h"

#include "platform/machine/cards/file_io.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace machine {
namespace {

bool AllErased(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t value) { return value == 0xFF; });
}

}  // namespace

NandArray::NandArray(const CardDescription& card, const FlashGeometry& geometry) : geometry_(geometry) {
  defective_ = card.factoryBadBlocks;
  defective_.insert(defective_.end(), card.failingBlocks.begin(), card.failingBlocks.end());
  for (const Fault& fault : card.faults) {
    if (!fault.block) continue;
    faults_.push_back(fault);
    faultsLeft_.push_back(fault.times);
  }
  const OpenedImage opened = OpenImage(card.image);
  fd_ = opened.fd;
  readOnly_ = opened.readOnly;
  if (fd_ < 0)
    throw MachineDescriptionError("card image " + card.image.string() + " cannot be opened: " + opened.problem);
  struct stat status {};
  if (::fstat(fd_, &status) != 0 || static_cast<std::uint64_t>(status.st_size) != geometry_.ImageBytes()) {
    const auto held = static_cast<std::uint64_t>(status.st_size);
    ::close(fd_);
    throw MachineDescriptionError("card image " + card.image.string() + " holds " + std::to_string(held) +
                                  " bytes, the card's geometry needs " + std::to_string(geometry_.ImageBytes()));
  }
}

NandArray::~NandArray() { ::close(fd_); }

bool NandArray::Defective(std::uint32_t block) const {
  return std::find(defective_.begin(), defective_.end(), block) != defective_.end();
}

bool NandArray::TakeFault(FaultOperation operation, std::uint32_t block) {
  for (std::size_t i = 0; i < faults_.size(); ++i) {
    if (faults_[i].operation != operation || *faults_[i].block != block) continue;
    if (faults_[i].times == 0) return true;
    if (faultsLeft_[i] == 0) continue;
    --faultsLeft_[i];
    return true;
  }
  return false;
}

// Reads consecutive records of `size` bytes from `first` (of `limit`) into out, the last one cut
// to what out still holds; `fails` tells whether an injected fault stops a record.
template <class OffsetOf, class Fails>
FlashResult NandArray::ReadRecords(std::span<std::uint8_t> out, std::size_t size, std::uint64_t first,
                                   std::uint64_t limit, OffsetOf offsetOf, Fails fails) {
  if (size == 0) return FlashResult::OutOfRange;
  const std::uint64_t count = (out.size() + size - 1) / size;
  if (!InRange(first, count, limit)) return FlashResult::OutOfRange;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (fails(first + i)) return FlashResult::Failed;
    const std::size_t at = i * size;
    if (!ReadAt(fd_, out.subspan(at, std::min(size, out.size() - at)), offsetOf(first + i))) return FlashResult::Failed;
  }
  return FlashResult::Ok;
}

FlashResult NandArray::ReadData(std::uint64_t page, std::span<std::uint8_t> out) {
  return ReadRecords(
      out, geometry_.pageSize, page, geometry_.Pages(), [this](std::uint64_t at) { return geometry_.PageOffset(at); },
      [this](std::uint64_t at) {
        return TakeFault(FaultOperation::Read, static_cast<std::uint32_t>(at / geometry_.pagesPerBlock));
      });
}

FlashResult NandArray::ReadSpare(std::uint64_t page, std::span<std::uint8_t> out) {
  return ReadRecords(
      out, geometry_.pageSpare, page, geometry_.Pages(), [this](std::uint64_t at) { return geometry_.SpareOffset(at); },
      [](std::uint64_t) { return false; });
}

FlashResult NandArray::ReadExtra(std::uint32_t block, std::span<std::uint8_t> out) {
  return ReadRecords(
      out, geometry_.blockExtra, block, geometry_.blocks,
      [this](std::uint64_t at) { return geometry_.BlockOffset(static_cast<std::uint32_t>(at)); },
      [](std::uint64_t) { return false; });
}

bool NandArray::PageErased(std::uint64_t page) {
  std::vector<std::uint8_t> bytes(geometry_.pageSize + geometry_.pageSpare);
  return page < geometry_.Pages() && ReadAt(fd_, bytes, geometry_.PageOffset(page)) && AllErased(bytes);
}

FlashResult NandArray::ProgramPage(std::uint64_t page, std::span<const std::uint8_t> data,
                                   std::span<const std::uint8_t> spare) {
  if (page >= geometry_.Pages() || data.size() != geometry_.pageSize || spare.size() != geometry_.pageSpare) {
    return FlashResult::OutOfRange;
  }
  const auto block = static_cast<std::uint32_t>(page / geometry_.pagesPerBlock);
  if (Defective(block) || TakeFault(FaultOperation::Write, block)) return FlashResult::Failed;
  std::vector<std::uint8_t> bytes(data.begin(), data.end());
  bytes.insert(bytes.end(), spare.begin(), spare.end());
  return ClearBits(geometry_.PageOffset(page), bytes);
}

FlashResult NandArray::ClearBits(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> now(bytes.size());
  if (!ReadAt(fd_, now, offset)) return FlashResult::Failed;
  for (std::size_t i = 0; i < now.size(); ++i) now[i] &= bytes[i];
  return WriteAt(fd_, now, offset) ? FlashResult::Ok : FlashResult::Failed;
}

FlashResult NandArray::ProgramSpare(std::uint64_t page, std::size_t offset, std::span<const std::uint8_t> bytes) {
  if (page >= geometry_.Pages() || offset > geometry_.pageSpare || bytes.size() > geometry_.pageSpare - offset) {
    return FlashResult::OutOfRange;
  }
  return ClearBits(geometry_.SpareOffset(page) + offset, bytes);
}

FlashResult NandArray::ProgramExtra(std::uint32_t block, std::span<const std::uint8_t> bytes) {
  if (block >= geometry_.blocks || bytes.size() > geometry_.blockExtra) return FlashResult::OutOfRange;
  return ClearBits(geometry_.BlockOffset(block), bytes);
}

FlashResult NandArray::Erase(std::uint32_t block) {
  if (block >= geometry_.blocks) return FlashResult::OutOfRange;
  if (Defective(block) || TakeFault(FaultOperation::Erase, block)) return FlashResult::Failed;
  const std::vector<std::uint8_t> erased(geometry_.BlockBytes(), 0xFF);
  return WriteAt(fd_, erased, geometry_.BlockOffset(block)) ? FlashResult::Ok : FlashResult::Failed;
}

}  // namespace machine
