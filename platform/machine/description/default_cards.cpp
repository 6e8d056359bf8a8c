#include "platform/machine/description/default_cards.h"

#include "platform/machine/description/camera_photo.h"
#include "platform/machine/cards/card_image.h"
#include "platform/machine/cards/factory_format.h"
#include "platform/machine/fat/fat_partition.h"
#include "platform/machine/fat/fat_volume.h"
#include "platform/machine/cards/fresh_card.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace machine {
namespace {

constexpr std::uint16_t kPhotoWidth = 640;
constexpr std::uint16_t kPhotoHeight = 480;

struct CardFile {
  std::string path;
  std::vector<std::uint8_t> bytes;
  FatDateTime written;
  bool deleted = false;  // deleted after everything was written, so its data stays
};

struct Camera {
  const char* make;
  const char* model;
  bool bigEndian;
  FatDateTime firstShot;
  int firstNumber;
  int shots;
  std::vector<int> deletedShots;  // positions from 0
};

std::vector<std::uint8_t> Text(std::string_view text) { return {text.begin(), text.end()}; }

FatDateTime Later(FatDateTime when, int minutes) {
  const int total = when.hour * 60 + when.minute + minutes;
  when.hour = static_cast<std::uint8_t>((total / 60) % 24);
  when.minute = static_cast<std::uint8_t>(total % 60);
  return when;
}

std::string ExifTime(const FatDateTime& when) {
  char text[40];
  std::snprintf(text, sizeof text, "%04u:%02u:%02u %02u:%02u:%02u", unsigned{when.year}, unsigned{when.month},
                unsigned{when.day}, unsigned{when.hour}, unsigned{when.minute}, unsigned{when.second});
  return text;
}

std::vector<CardFile> CameraRoll(const Camera& camera) {
  std::vector<CardFile> files;
  for (int i = 0; i < camera.shots; ++i) {
    const FatDateTime when = Later(camera.firstShot, i * 7);
    char name[40];
    std::snprintf(name, sizeof name, "\\DCIM\\100KESTR\\IMG_%04d.JPG", camera.firstNumber + i);
    const ExifFacts facts{camera.make, camera.model, ExifTime(when), kPhotoWidth, kPhotoHeight, camera.bigEndian};
    const bool deleted =
        std::find(camera.deletedShots.begin(), camera.deletedShots.end(), i) != camera.deletedShots.end();
    files.push_back({name, MakeCameraPhoto(facts, static_cast<std::uint32_t>(camera.firstNumber + i)), when, deleted});
  }
  const FatDateTime last = Later(camera.firstShot, camera.shots * 7);
  std::string order = "[HDR]\r\nGEN REV = 01.00\r\nGEN CRT = \"" + std::string(camera.model) + "\"\r\n";
  order += "[JOB]\r\nPRT PID = 001\r\nPRT TYP = STD\r\nPRT QTY = 001\r\n<IMG SRC = \"../DCIM/100KESTR/IMG_" +
           std::to_string(camera.firstNumber) + ".JPG\">\r\n";
  files.push_back({"\\MISC\\AUTPRINT.MRK", Text(order), last});
  return files;
}

std::vector<CardFile> CompactFlashFiles() {
  auto files = CameraRoll({"Kestro", "Kestro Snap 310", false, {2005, 7, 14, 10, 21, 4, 0}, 1, 6, {2, 5}});
  files.push_back({"\\Trip notes.txt",
                   Text("Day 1: harbour at dawn, lighthouse.\r\nDay 2: the hills above the bay.\r\n"),
                   {2005, 7, 14, 21, 5, 12, 0}});
  return files;
}

std::vector<CardFile> MmcSdFiles() {
  auto files = CameraRoll({"Orvana", "Orvana Z5", true, {2006, 3, 2, 15, 40, 30, 0}, 101, 4, {1}});
  files.push_back(
      {"\\Shopping list.txt", Text("bread\r\napples\r\nbatteries for the camera\r\n"), {2006, 3, 1, 9, 12, 0, 0}});
  return files;
}

std::vector<CardFile> SmartMediaFiles() {
  return CameraRoll({"Kestro", "Kestro Snap 110", false, {2002, 5, 18, 9, 3, 12, 0}, 201, 5, {3}});
}

std::vector<CardFile> MemoryStickFiles() {
  auto files = CameraRoll({"Orvana", "Orvana M2", true, {2004, 9, 25, 16, 12, 40, 0}, 301, 4, {0}});
  files.push_back({"\\MEMO.TXT", Text("Museum opens at ten.\r\n"), {2004, 9, 25, 8, 30, 0, 0}});
  return files;
}

std::vector<CardFile> FloppyFiles() {
  return {
      {"\\README.TXT", Text("Disk of letters and drafts.\r\n"), {2003, 11, 20, 18, 2, 44, 0}},
      {"\\Letter to Anna.txt",
       Text("Dear Anna,\r\nthe photographs are on the camera card.\r\n"),
       {2003, 11, 21, 20, 15, 8, 0}},
      {"\\DRAFT.TXT", Text("First draft of the letter, no longer needed.\r\n"), {2003, 11, 21, 19, 40, 0, 0}, true},
  };
}

[[noreturn]] void Refuse(const CardDescription& card, win::DWORD error) {
  throw MachineDescriptionError("card image " + card.image.string() + " cannot be filled (error " +
                                std::to_string(error) + ")");
}

void Check(const CardDescription& card, const IoStatus& status) {
  if (!status) Refuse(card, status.error());
}

// Makes every folder on the way to a file.
void MakeFolders(FatVolume& volume, const CardDescription& card, const std::string& path) {
  for (std::size_t at = path.find('\\', 1); at != std::string::npos; at = path.find('\\', at + 1)) {
    const IoStatus made = volume.MakeDirectory(path.substr(0, at));
    if (!made && made.error() != win::ERROR_ALREADY_EXISTS) Refuse(card, made.error());
  }
}

void Fill(const CardDescription& card, const std::vector<CardFile>& files) {
  auto device = OpenCardImage(card);
  if (!device) Refuse(card, device.error());
  const auto extent = FindFatVolume(**device);
  if (!extent) Refuse(card, extent.error());
  SectorWindow window(**device, extent->firstSector, extent->sectorCount);
  FatDateTime now;
  FatVolume volume(window, [&now] { return now; });
  for (const CardFile& file : files) {
    now = file.written;
    MakeFolders(volume, card, file.path);
    auto created = volume.CreateFile(file.path);
    if (!created) Refuse(card, created.error());
    Check(card, volume.Write(created->place, 0, file.bytes));
  }
  for (const CardFile& file : files) {
    if (file.deleted) Check(card, volume.DeleteFile(file.path));
  }
}

std::vector<CardFile> FilesFor(CardKind kind) {
  switch (kind) {
    case CardKind::CompactFlash: return CompactFlashFiles();
    case CardKind::MmcSd: return MmcSdFiles();
    case CardKind::Floppy: return FloppyFiles();
    case CardKind::SmartMedia: return SmartMediaFiles();
    case CardKind::MemoryStick: return MemoryStickFiles();
    default: return {};
  }
}

}  // namespace

void MakeDefaultCards(const MachineDescription& machine) {
  for (const ReaderDescription& reader : machine.readers) {
    const CardDescription& card = reader.card;
    if (card.kind == CardKind::None || !MakeFreshCardImage(card, SerialFromClock())) continue;
    Fill(card, FilesFor(card.kind));
  }
}

}  // namespace machine
