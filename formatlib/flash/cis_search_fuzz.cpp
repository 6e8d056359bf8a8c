// Fuzzes the structure search and the disabled-block list over card answers taken from the
// input: the first two bytes choose the media size code and how reads fail, the rest is what
// the card answers, read in turn.
#include "formatlib/command/format_library_state.h"
#include "formatlib/flash/cis_search.h"
#include "formatlib/flash/redundant_area.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

class FuzzedCard final : public pradvik::CisSearchSource {
 public:
  FuzzedCard(std::span<const std::uint8_t> bytes, std::uint8_t failures) : bytes_(bytes), failures_(failures) {}
  std::uint8_t ReadRedundant(std::uint32_t, std::span<std::uint8_t> reply) override { return Fill(reply); }
  std::uint8_t ReadPage(std::uint32_t, std::span<std::uint8_t, 512> data) override { return Fill(data); }

 private:
  std::uint8_t Fill(std::span<std::uint8_t> out) {
    const std::uint8_t failing = (failures_ >> (reads_++ % 8)) & 1;
    for (std::uint8_t& byte : out) byte = bytes_.empty() ? 0xFF : bytes_[at_++ % bytes_.size()];
    return failing != 0 ? 0 : 1;
  }
  std::span<const std::uint8_t> bytes_;
  std::uint8_t failures_;
  std::size_t at_ = 0;
  unsigned reads_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::span<const std::uint8_t> input(data, size);
  FuzzedCard card(input.subspan(2), input[1]);
  std::array<std::uint8_t, 512> page{};
  pradvik::SearchCis(card, input[0], page);
  pradvik::ResetBadBlocks();
  pradvik::LoadDisabledBlocks(input.subspan(2));
  return 0;
}
