#include "platform/win/system/global_memory.h"

#include "platform/win/host/host_memory.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/system/last_error.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace win {
namespace {

// A block's bytes: from the heap, or for large blocks from the host's pages (already zero).
class BlockMemory {
 public:
  BlockMemory() = default;
  explicit BlockMemory(std::size_t size) : size_(size) {
    if (size >= kHostPagesThreshold) {
      memory_ = static_cast<BYTE*>(AllocateHostPages(size));
      hostPages_ = true;
    } else {
      memory_ = new (std::nothrow) BYTE[size];
    }
  }
  ~BlockMemory() {
    if (hostPages_) {
      FreeHostPages(memory_, size_);
    } else {
      delete[] memory_;
    }
  }
  BlockMemory(const BlockMemory&) = delete;
  BlockMemory& operator=(const BlockMemory&) = delete;

  BYTE* get() const { return memory_; }
  explicit operator bool() const { return memory_ != nullptr; }
  bool AlreadyZero() const { return hostPages_; }

 private:
  BYTE* memory_ = nullptr;
  std::size_t size_ = 0;
  bool hostPages_ = false;
};

struct Block {
  std::unique_ptr<BlockMemory> memory;
  std::size_t size = 0;
  bool moveable = false;
  unsigned lockCount = 0;
  AddressRegistration address;
};

struct BlockTable {
  std::mutex lock;
  // By handle: a fixed block's memory, or the address of a moveable block's Block.
  std::map<HGLOBAL, std::unique_ptr<Block>> blocks;

  Block* Find(HGLOBAL handle) {
    const auto found = blocks.find(handle);
    return found == blocks.end() ? nullptr : found->second.get();
  }
};

BlockTable& Table() {
  static BlockTable table;
  return table;
}

std::atomic<std::size_t> allocLimit{0};

// Runs `use` on the block of the handle under the table's lock; a handle that names no block
// answers `none` with ERROR_INVALID_HANDLE.
template <typename Result, typename Use>
Result WithBlock(HGLOBAL handle, Result none, Use use) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  Block* found = table.Find(handle);
  if (found == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return none;
  }
  return use(*found);
}

}  // namespace

void SetGlobalAllocLimit(std::size_t bytes) { allocLimit = bytes; }

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (const std::size_t limit = allocLimit; limit != 0 && bytes > limit) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto block = std::make_unique<Block>();
  // One byte at least, so that every block has memory of its own and a distinct address.
  block->memory = std::make_unique<BlockMemory>(bytes == 0 ? 1 : bytes);
  if (!*block->memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & GMEM_ZEROINIT) != 0 && !block->memory->AlreadyZero()) std::memset(block->memory->get(), 0, bytes);
  block->size = bytes;
  block->moveable = (flags & GMEM_MOVEABLE) != 0;
  block->address = AddressRegistration(block->memory->get(), bytes);
  const HGLOBAL handle = block->moveable ? static_cast<HGLOBAL>(block.get()) : block->memory->get();
  auto& table = Table();
  std::lock_guard guard(table.lock);
  table.blocks.emplace(handle, std::move(block));
  return handle;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block == nullptr) return nullptr;
  std::unique_ptr<Block> released;  // freed outside the lock
  auto& table = Table();
  std::lock_guard guard(table.lock);
  const auto found = table.blocks.find(block);
  if (found == table.blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return block;
  }
  released = std::move(found->second);
  table.blocks.erase(found);
  return nullptr;
}

void* GlobalLock(HGLOBAL block) {
  return WithBlock<void*>(block, nullptr, [](Block& found) {
    if (found.moveable) ++found.lockCount;
    return found.memory->get();
  });
}

BOOL GlobalUnlock(HGLOBAL block) {
  return WithBlock<BOOL>(block, FALSE, [](Block& found) -> BOOL {
    if (!found.moveable) return TRUE;
    if (found.lockCount == 0) return Fail(ERROR_NOT_LOCKED);
    --found.lockCount;
    if (found.lockCount == 0) return Fail(ERROR_SUCCESS);
    return TRUE;
  });
}

std::size_t GlobalSize(HGLOBAL block) {
  return WithBlock<std::size_t>(block, 0, [](const Block& found) { return found.size; });
}

DWORD GlobalAddressToken(HGLOBAL block) {
  return WithBlock<DWORD>(block, 0, [](const Block& found) { return found.address.token(); });
}

}  // namespace win
