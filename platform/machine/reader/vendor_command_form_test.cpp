// The vendor forms' decoding. Blocks and sub-commands are written as raw bytes on purpose: they
// check the decoder against docs/reader-protocol.md, not against the constants it decodes with.
#include "platform/machine/reader/vendor_command_form.h"

#include <gtest/gtest.h>

#include <vector>

namespace machine {
namespace {

TEST(VendorCommandForm, EachGenerationTakesItsFormOnEachRoad) {
  EXPECT_EQ(AcceptedForm(Firmware::Older, Road::Nt), VendorForm::CommandLast);
  EXPECT_EQ(AcceptedForm(Firmware::Older, Road::Win9x), VendorForm::CommandFirst);
  EXPECT_EQ(AcceptedForm(Firmware::Newer, Road::Nt), VendorForm::CommandFirst);
  EXPECT_EQ(AcceptedForm(Firmware::Wide, Road::Nt), VendorForm::Wide);
  EXPECT_FALSE(AcceptedForm(Firmware::None, Road::Nt));
}

TEST(VendorCommandForm, FieldsOfTheThreeForms) {
  const std::vector<std::uint8_t> first{0x20, 0x85, 0x01, 0x02, 0x03, 0x00, 0x40, 0x00};
  const auto a = DecodeVendorCommand(first, VendorForm::CommandFirst);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->subCommand, 0x85);
  EXPECT_EQ(a->address, 0x01020300U);
  EXPECT_EQ(a->length, 0x4000);

  const std::vector<std::uint8_t> last{0x04, 0x01, 0x02, 0x03, 0x00, 0xB0, 0x02, 0x84};
  const auto b = DecodeVendorCommand(last, VendorForm::CommandLast);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->subCommand, 0x84);
  EXPECT_EQ(b->address, 0x01020300U);
  EXPECT_EQ(b->length, 0x0204);

  const std::vector<std::uint8_t> wide{0x20, 0, 0, 0, 0, 0, 0, 0, 6, 0x80, 0, 0};
  const auto c = DecodeVendorCommand(wide, VendorForm::Wide);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->subCommand, 0x80);
  EXPECT_EQ(c->replyLength, 6);
}

TEST(VendorCommandForm, BlocksOfAnotherFormAreNotRead) {
  const std::vector<std::uint8_t> first{0x20, 0x80, 0, 0, 0, 0, 0, 0};
  const std::vector<std::uint8_t> last{0, 0, 0, 0, 0, 0xB0, 0, 0x80};
  EXPECT_FALSE(DecodeVendorCommand(first, VendorForm::CommandLast));
  EXPECT_FALSE(DecodeVendorCommand(last, VendorForm::CommandFirst));
  EXPECT_FALSE(DecodeVendorCommand(first, VendorForm::Wide));
  const std::vector<std::uint8_t> noSubCommand{0x20, 0x10, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(DecodeVendorCommand(noSubCommand, VendorForm::CommandFirst));
  const std::vector<std::uint8_t> wideWithByteOne{0x20, 0x80, 0, 0, 0, 0, 0, 0, 6, 0x80, 0, 0};
  EXPECT_FALSE(DecodeVendorCommand(wideWithByteOne, VendorForm::Wide));
}

}  // namespace
}  // namespace machine
