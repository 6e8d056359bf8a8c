// The structure search over recorded card answers: which blocks it reads, what it gives back.
#include "formatlib/flash/cis_search.h"

#include "formatlib/flash/cis_write.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace pradvik {
namespace {

// A card of blocks of 32 pages: per block its block status and first page, or a failing read.
class RecordedCard final : public CisSearchSource {
 public:
  struct Block {
    bool readable = true;
    std::uint8_t status = 0xFF;
    std::array<std::uint8_t, 512> page{};
  };
  std::map<std::uint32_t, Block> blocks;
  std::vector<std::uint32_t> pagesRead;

  std::uint8_t ReadRedundant(std::uint32_t page, std::span<std::uint8_t> reply) override {
    const auto found = blocks.find(page / 32);
    if (found == blocks.end() || !found->second.readable) return 0;
    std::fill(reply.begin(), reply.end(), 0xFF);
    reply[5] = found->second.status;
    reply[13] = 0x11;
    reply[8] = 0x22;
    return 1;
  }
  std::uint8_t ReadPage(std::uint32_t page, std::span<std::uint8_t, 512> data) override {
    pagesRead.push_back(page);
    const auto& block = blocks.at(page / 32);
    std::copy(block.page.begin(), block.page.end(), data.begin());
    return 1;
  }
};

TEST(CisSearch, FindsTheStructureInTheFirstReadableGoodBlock) {
  RecordedCard card;
  card.blocks[0] = {true, 0x00, {}};
  card.blocks[1] = {false, 0xFF, {}};
  card.blocks[2].page.fill(0xFF);
  card.blocks[3].page = FixedCisPage(false);
  std::array<std::uint8_t, 512> page{};
  const CisSearchResult result = SearchCis(card, 6, page);
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.cisPage, 3U * 32);
  EXPECT_EQ(result.firstHalfEcc[0], 0x11);
  EXPECT_EQ(result.secondHalfEcc[0], 0x22);
  EXPECT_TRUE(HasCisSignature(page));
  // The bad and the unreadable block were not read at all.
  EXPECT_EQ(card.pagesRead, (std::vector<std::uint32_t>{64, 96}));
}

TEST(CisSearch, ABlankCardIsReadableAndADeadOneIsNot) {
  RecordedCard blank;
  for (std::uint32_t block = 0; block < 30; ++block) blank.blocks[block].page.fill(0xFF);
  std::array<std::uint8_t, 512> page{};
  CisSearchResult result = SearchCis(blank, 8, page);
  EXPECT_FALSE(result.found);
  EXPECT_FALSE(result.nothingReadable);
  EXPECT_EQ(blank.pagesRead.size(), 23U);

  RecordedCard dead;
  result = SearchCis(dead, 8, page);
  EXPECT_FALSE(result.found);
  EXPECT_TRUE(result.nothingReadable);
}

TEST(CisWrite, FixedPagesCarryTheStructureTwiceAndTheirVersionTexts) {
  const auto standard = FixedCisPage(false);
  EXPECT_TRUE(HasCisSignature(standard));
  EXPECT_TRUE(std::equal(standard.begin(), standard.begin() + 0x70, standard.begin() + 0x100));
  EXPECT_EQ(std::string(standard.begin() + 0x59, standard.begin() + 0x60), "       ");
  EXPECT_EQ(std::string(standard.begin() + 0x66, standard.begin() + 0x69), "0.0");
  EXPECT_EQ(standard[0x6D], 0xFF);
  const auto model = FixedCisPage(true);
  EXPECT_EQ(std::string(model.begin() + 0x59, model.begin() + 0x60), "Kestro ");
  EXPECT_EQ(std::string(model.begin() + 0x61, model.begin() + 0x65), "MVDR");
  EXPECT_TRUE(NamesTheModel("USB MAVODRUM"));
  EXPECT_TRUE(NamesTheModel("MAVO DRUM 2"));
  EXPECT_FALSE(NamesTheModel("SmartMedia"));
}

}  // namespace
}  // namespace pradvik
