// Short names, long-name slots and name text.
#include "platform/machine/fat/fat_long_name.h"
#include "platform/machine/fat/fat_name_text.h"
#include "platform/machine/fat/fat_short_name.h"

#include <gtest/gtest.h>

#include <set>

namespace machine {
namespace {

ShortName Raw(const char (&text)[12]) {
  ShortName raw{};
  std::copy_n(text, 11, raw.begin());
  return raw;
}

TEST(FatShortNameTest, NamesThatFitKeepTheirCaseInFlags) {
  const auto lower = ExactShortName("readme.txt");
  ASSERT_TRUE(lower);
  EXPECT_EQ(lower->raw, Raw("README  TXT"));
  EXPECT_EQ(lower->caseFlags, kLowerCaseBase | kLowerCaseExtension);
  EXPECT_EQ(ShortNameText(lower->raw, lower->caseFlags), "readme.txt");
  EXPECT_EQ(ExactShortName("DSC0001.JPG")->caseFlags, 0);
  EXPECT_FALSE(ExactShortName("ReadMe.txt"));  // mixed case needs a long name
  EXPECT_FALSE(ExactShortName("toolongname.txt"));
  EXPECT_FALSE(ExactShortName("a b.txt"));
  EXPECT_FALSE(ExactShortName("a.jpeg"));
  EXPECT_FALSE(ExactShortName("a+b.txt"));
}

TEST(FatShortNameTest, GeneratedNamesTakeTheFirstFreeTail) {
  std::set<ShortName> taken;
  const auto generate = [&](std::string_view name) {
    auto made = GenerateShortName(name, [&](const ShortName& n) { return taken.count(n) != 0; });
    EXPECT_TRUE(made.ok());
    taken.insert(*made);
    return ShortNameText(*made, 0);
  };
  EXPECT_EQ(generate("Holiday picture.jpeg"), "HOLIDA~1.JPE");
  EXPECT_EQ(generate("Holiday pictures.jpeg"), "HOLIDA~2.JPE");
  EXPECT_EQ(generate("ReadMe.txt"), "README.TXT");
  EXPECT_EQ(generate("readme.TXT"), "README~1.TXT");
  EXPECT_EQ(generate(".profile"), "PROFIL~1");
  EXPECT_EQ(generate("a+b;c.d.e"), "A_B_CD~1.E");
  EXPECT_EQ(generate("\xE9t\xE9.txt"), "_T_~1.TXT");
}

TEST(FatShortNameTest, LeadingE5IsStoredAs05) {
  auto made = GenerateShortName("\xE5 long name", [](const ShortName&) { return false; });
  ASSERT_TRUE(made.ok());
  EXPECT_NE((*made)[0], 0xE5);
  ShortName stored =
      Raw("\x05"
          "BC     TXT");
  EXPECT_EQ(ShortNameText(stored, 0),
            "\xE5"
            "BC.TXT");
}

TEST(FatLongNameTest, SlotsRoundTripAndBindToTheirShortName) {
  const std::u16string name = u"A name that needs three slots.jpeg";
  const ShortName shortName = Raw("ANAMET~1JPE");
  const std::uint8_t checksum = ShortNameChecksum(shortName);
  const auto slots = EncodeLongName(name, checksum);
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_EQ(slots.front()[0], 0x43);  // the last part comes first, flagged
  LongNameAssembler assembler;
  for (const auto& slot : slots) assembler.Feed(slot);
  EXPECT_EQ(assembler.Finish(checksum), name);
  for (const auto& slot : slots) assembler.Feed(slot);
  EXPECT_FALSE(assembler.Finish(static_cast<std::uint8_t>(checksum + 1)));
  // A run with a slot missing is no name.
  assembler.Feed(slots[0]);
  assembler.Feed(slots[2]);
  EXPECT_FALSE(assembler.Finish(checksum));
}

TEST(FatLongNameTest, HostileOrdinalsAreIgnored) {
  DirSlot slot{};
  slot[11] = 0x0F;
  slot[0] = 0x00;  // ordinal 0 without a run
  LongNameAssembler assembler;
  assembler.Feed(slot);
  slot[0] = 0x40 | 0x1F;  // more slots than a 255-character name needs
  assembler.Feed(slot);
  EXPECT_FALSE(assembler.Finish(0));
}

TEST(FatNameTextTest, CodePageAndCase) {
  EXPECT_EQ(AnsiToUtf16("\x80"), u"\u20AC");
  EXPECT_EQ(Utf16ToAnsi(u"\u20AC\u00E9\u4E2D"), "\x80\xE9?");
  EXPECT_TRUE(SameName("Holiday \xE9t\xE9.JPG", "HOLIDAY \xC9T\xC9.jpg"));
  EXPECT_FALSE(SameName("a.jpg", "a.jpeg"));
  EXPECT_FALSE(IsValidLongName("a?b"));
  EXPECT_FALSE(IsValidLongName(".."));
  EXPECT_TRUE(IsValidLongName("a+b [1].jpg"));
}

}  // namespace
}  // namespace machine
