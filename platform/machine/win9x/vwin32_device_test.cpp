// The Windows 9x "\\.\vwin32" device: absolute sector reads and writes counted from the
// volume's start, their errors, and the DOS volume locks with their levels, permissions and
// the two categories of the lock call.
#include "platform/machine/testing/machine_testing.h"

#include "platform/win/layouts/vwin32_registers.h"

#include <gtest/gtest.h>

#include <array>

namespace machine {
namespace {

constexpr win::DWORD kCarry = 1;

using Registers = win::DiocRegisters;

class Vwin32Test : public ::testing::Test {
 protected:
  void Start(const std::string& windows) {
    if (vwin32_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(vwin32_);
    test_support::WriteMbr(test_support::WriteNumberedImage("e.img", 4096), 32, 4064);
    std::filesystem::remove(tarnlok::test_support::TestDataHome() / "fresh.img");
    machine_ =
        std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":")" + windows + R"(","readers":[
      {"bus":"usb","maker":true,"letter":"E","card":{"kind":"cf","image":"e.img","sectors":4096}},
      {"bus":"pcmcia","maker":true,"letter":"F","card":{"kind":"cf","image":"fresh.img","sectors":8192}}]})"));
    machine_->Install();
    vwin32_ = test_support::OpenDevice("vwin32");
    ASSERT_NE(vwin32_, win::INVALID_HANDLE_VALUE);
  }
  void TearDown() override {
    if (vwin32_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(vwin32_);
  }

  win::BOOL Send(win::DWORD code, Registers& registers) {
    std::array<std::uint8_t, win::kDiocRegistersSize> block{};
    win::WriteDiocRegisters(block, registers);
    win::DWORD returned = 0;
    const auto size = static_cast<win::DWORD>(block.size());
    const win::BOOL result =
        win::DeviceIoControl(vwin32_, code, block.data(), size, block.data(), size, &returned, nullptr);
    registers = win::ReadDiocRegisters(block);
    return result;
  }

  // INT 25h (read) or 26h (write) of count sectors of drive (0 = A:) into or from buffer.
  Registers Sectors(bool write, win::DWORD drive, win::DWORD first, std::uint16_t count,
                    std::vector<std::uint8_t>& buffer) {
    const win::AddressRegistration data(buffer.data(), buffer.size());
    std::array<std::uint8_t, 10> diskIo{};
    win::WriteLe32(diskIo, 0, first);
    win::WriteLe16(diskIo, 4, count);
    win::WriteLe32(diskIo, 6, data.token());
    const win::AddressRegistration record(diskIo.data(), diskIo.size());
    Registers registers{record.token(), 0, 0xFFFFFFFF, drive, 0, 0, write ? 0U : kCarry};
    EXPECT_TRUE(Send(write ? 3 : 2, registers));
    return registers;
  }

  // The DOS volume lock (minor 4Ah) or unlock (6Ah) of drive (1 = A:).
  Registers Ioctl(win::DWORD ecx, win::BYTE drive, win::BYTE level = 0, win::DWORD permissions = 0) {
    Registers registers{static_cast<win::DWORD>((level << 8) | drive), permissions, ecx, 0x440D, 0, 0, 0};
    EXPECT_TRUE(Send(1, registers));
    return registers;
  }

  std::unique_ptr<Machine> machine_;
  win::HANDLE vwin32_ = win::INVALID_HANDLE_VALUE;
};

TEST_F(Vwin32Test, AbsoluteSectorsCountFromTheVolumeStart) {
  Start("98");
  std::vector<std::uint8_t> buffer(1024, 0);
  Registers read = Sectors(false, 4, 0, 2, buffer);
  EXPECT_EQ(read.flags & kCarry, 0u);
  EXPECT_EQ(read.eax, 0u);
  EXPECT_EQ(win::ReadLe32(buffer, 0), 32u) << "sector 0 of the volume is the partition's first";
  EXPECT_EQ(win::ReadLe32(buffer, 512), 33u);

  std::vector<std::uint8_t> written(512, 0xA5);
  EXPECT_EQ(Sectors(true, 4, 10, 1, written).eax, 0u);
  std::vector<std::uint8_t> back(512, 0);
  Sectors(false, 4, 10, 1, back);
  EXPECT_EQ(back, written);
  std::vector<std::uint8_t> raw(512, 0);
  machine_->ReaderAt('E')->ReadCard(42, raw);
  EXPECT_EQ(raw, written) << "card sector 32 + 10";
}

TEST_F(Vwin32Test, SectorErrorsSetCarryAndTheirCodeInEax) {
  Start("98");
  std::vector<std::uint8_t> buffer(512, 0);
  const Registers beyond = Sectors(false, 4, 4064, 1, buffer);
  EXPECT_EQ(beyond.flags & kCarry, kCarry);
  EXPECT_EQ(beyond.eax, 0x0408u) << "sector not found";
  EXPECT_EQ(Sectors(false, 25, 0, 1, buffer).eax, 0x0101u) << "no such drive";

  machine_->SetWriteProtected('E', true);
  EXPECT_EQ(Sectors(true, 4, 0, 1, buffer).eax, 0x0300u) << "write protected";
  machine_->RemoveCard('E');
  EXPECT_EQ(Sectors(false, 4, 0, 1, buffer).eax, 0x8002u) << "drive not ready";

  Registers oldForm{0, 0, 1, 4, 0, 0, kCarry};
  EXPECT_TRUE(Send(2, oldForm));
  EXPECT_EQ(oldForm.eax, 0x0105u) << "only the DISKIO form";

  Registers wild{0x7FFFFF00, 0, 0xFFFFFFFF, 4, 0, 0, kCarry};
  EXPECT_FALSE(Send(2, wild)) << "a DISKIO address that names no memory";
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOACCESS);
}

TEST_F(Vwin32Test, LocksNestByLevelAndKeepTheFileServicesOut) {
  Start("98");
  EXPECT_EQ(Ioctl(0x484A, 6, 1).eax, 0x05u) << "level 0 comes first";
  EXPECT_EQ(Ioctl(0x486A, 6).eax, 0xB0u) << "the refused lock left nothing to unlock";
  const Registers first = Ioctl(0x484A, 6, 0, 2);
  EXPECT_EQ(first.flags & kCarry, 0u);
  EXPECT_EQ(Ioctl(0x484A, 6, 0, 4).flags & kCarry, 0u) << "level 0 taken again";
  EXPECT_EQ(Ioctl(0x484A, 6, 2).eax, 0x05u) << "level 2 needs level 1";
  EXPECT_EQ(Ioctl(0x484A, 6, 1, 1).flags & kCarry, 0u);
  EXPECT_EQ(Ioctl(0x484A, 6, 1, 8).eax, 0x57u) << "unknown permission bits";

  const auto file = win::CreateFileA("F:\\NOTE.TXT", win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(file, win::INVALID_HANDLE_VALUE) << "the locked volume refuses file services";
  EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);

  for (int i = 0; i < 3; ++i) EXPECT_EQ(Ioctl(0x486A, 6).flags & kCarry, 0u);
  const Registers notLocked = Ioctl(0x486A, 6);
  EXPECT_EQ(notLocked.flags & kCarry, kCarry);
  EXPECT_EQ(notLocked.eax, 0xB0u);

  const auto open = win::CreateFileA("F:\\NOTE.TXT", win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(open, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(Ioctl(0x484A, 6, 0, 2).eax, 0x05u) << "a file of the volume is open";
  win::CloseHandle(open);
  EXPECT_EQ(Ioctl(0x484A, 6, 0, 2).flags & kCarry, 0u);
  EXPECT_EQ(Ioctl(0x484A, 0).eax, 0x0Fu) << "drive 0 is the default drive, not a card";
  EXPECT_EQ(Ioctl(0x4840, 6).eax, 0x01u) << "an unknown minor code";
}

TEST_F(Vwin32Test, Windows95KnowsOnlyTheOlderLockCategory) {
  Start("95");
  const Registers extended = Ioctl(0x484A, 5, 0, 2);
  EXPECT_EQ(extended.flags & kCarry, kCarry);
  EXPECT_EQ(extended.eax, 0x01u);
  EXPECT_EQ(Ioctl(0x084A, 5, 0, 2).flags & kCarry, 0u);
  EXPECT_EQ(Ioctl(0x086A, 5).flags & kCarry, 0u);

  Start("me");
  EXPECT_EQ(Ioctl(0x484A, 5, 0, 2).flags & kCarry, 0u);
  EXPECT_EQ(Ioctl(0x486A, 5).flags & kCarry, 0u);
}

}  // namespace
}  // namespace machine

namespace machine {
namespace {

// Get Device Parameters (minor 60h): the disk's geometry, as the NT drive geometry tells it.
class Vwin32DeviceParameters : public ::testing::Test {
 protected:
  void TearDown() override {
    if (vwin32_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(vwin32_);
  }
  win::DiocRegisters Ask(win::BYTE drive, std::array<std::uint8_t, win::device_parameters::kSize>& block) {
    const win::AddressRegistration address(block.data(), block.size());
    win::DiocRegisters registers{drive, address.token(), win::kDosGetDeviceParameters, win::kDosIoctl, 0, 0, 0};
    std::array<std::uint8_t, win::kDiocRegistersSize> raw{};
    win::WriteDiocRegisters(raw, registers);
    win::DWORD returned = 0;
    EXPECT_TRUE(win::DeviceIoControl(vwin32_, 1, raw.data(), win::kDiocRegistersSize, raw.data(),
                                     win::kDiocRegistersSize, &returned, nullptr));
    return win::ReadDiocRegisters(raw);
  }
  std::unique_ptr<Machine> machine_;
  win::HANDLE vwin32_ = win::INVALID_HANDLE_VALUE;
};

TEST_F(Vwin32DeviceParameters, FloppyAndLs120GeometryAndNoDisk) {
  std::filesystem::remove(tarnlok::test_support::TestDataHome() / "params-a.img");
  std::filesystem::remove(tarnlok::test_support::TestDataHome() / "params-ls.img");
  machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"98","readers":[
    {"bus":"floppy","letter":"A","card":{"kind":"floppy","image":"params-a.img"}},
    {"bus":"ls120","letter":"B","card":{"kind":"floppy","image":"params-ls.img"}},
    {"bus":"usb","maker":true,"letter":"E","card":{"kind":"none"}}]})"));
  machine_->Install();
  vwin32_ = test_support::OpenDevice("vwin32");
  ASSERT_NE(vwin32_, win::INVALID_HANDLE_VALUE);
  namespace params = win::device_parameters;

  std::array<std::uint8_t, params::kSize> floppy{};
  EXPECT_EQ(Ask(1, floppy).flags & kCarry, 0u);
  EXPECT_EQ(floppy[params::kDeviceType], 7) << "a 1.44 MB drive";
  EXPECT_EQ(win::ReadLe16(floppy, params::kCylinders), 80);
  EXPECT_EQ(win::ReadLe16(floppy, params::kHeads), 2);
  EXPECT_EQ(win::ReadLe16(floppy, params::kSectorsPerTrack), 18);
  EXPECT_EQ(win::ReadLe16(floppy, params::kBytesPerSector), 512);
  EXPECT_EQ(win::ReadLe16(floppy, params::kTotalSectors), 2880);

  std::array<std::uint8_t, params::kSize> ls120{};
  EXPECT_EQ(Ask(2, ls120).flags & kCarry, 0u);
  EXPECT_EQ(win::ReadLe16(ls120, params::kTotalSectors), 0) << "beyond 16 bits";
  EXPECT_EQ(win::ReadLe32(ls120, params::kBigTotalSectors), 245760u);
  EXPECT_EQ(win::ReadLe16(ls120, params::kCylinders) * win::ReadLe16(ls120, params::kHeads) *
                win::ReadLe16(ls120, params::kSectorsPerTrack),
            245760);

  std::array<std::uint8_t, params::kSize> empty{};
  const win::DiocRegisters none = Ask(5, empty);
  EXPECT_EQ(none.flags & kCarry, kCarry);
  EXPECT_EQ(none.eax, 0x15u) << "not ready";
  EXPECT_EQ(Ask(7, empty).eax, 0x0Fu) << "no reader at G:";
}

}  // namespace
}  // namespace machine
