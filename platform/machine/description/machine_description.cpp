#include "platform/machine/description/machine_description.h"

#include "platform/machine/flash/flash_geometry.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <set>
#include <utility>

namespace machine {
namespace {

using Json = nlohmann::json;

template <class T>
struct Named {
  std::string_view name;
  T value;
};

constexpr std::array kWindowsNames{
    Named<win::WindowsVersion>{"95", win::WindowsVersion::Win95},
    Named<win::WindowsVersion>{"95osr2", win::WindowsVersion::Win95Osr2},
    Named<win::WindowsVersion>{"98", win::WindowsVersion::Win98},
    Named<win::WindowsVersion>{"me", win::WindowsVersion::WinMe},
    Named<win::WindowsVersion>{"nt4", win::WindowsVersion::Nt4},
    Named<win::WindowsVersion>{"2000", win::WindowsVersion::Win2000},
    Named<win::WindowsVersion>{"xp", win::WindowsVersion::Xp},
};

constexpr std::array kBusNames{
    Named<Bus>{"usb", Bus::Usb},       Named<Bus>{"ide", Bus::Ide},     Named<Bus>{"pcmcia", Bus::Pcmcia},
    Named<Bus>{"floppy", Bus::Floppy}, Named<Bus>{"ls120", Bus::Ls120},
};

constexpr std::array kFirmwareNames{
    Named<Firmware>{"older", Firmware::Older},
    Named<Firmware>{"newer", Firmware::Newer},
    Named<Firmware>{"wide", Firmware::Wide},
};

constexpr std::array kCardKindNames{
    Named<CardKind>{"none", CardKind::None},
    Named<CardKind>{"cf", CardKind::CompactFlash},
    Named<CardKind>{"sm", CardKind::SmartMedia},
    Named<CardKind>{"ms", CardKind::MemoryStick},
    Named<CardKind>{"mspro", CardKind::MemoryStickPro},
    Named<CardKind>{"mmcsd", CardKind::MmcSd},
    Named<CardKind>{"floppy", CardKind::Floppy},
};

constexpr std::array kCardDriverNames{
    Named<CardDriverState>{"installed", CardDriverState::Installed},
    Named<CardDriverState>{"missing", CardDriverState::Missing},
    Named<CardDriverState>{"failing", CardDriverState::Failing},
};

constexpr std::array kFaultNames{
    Named<FaultOperation>{"read", FaultOperation::Read},
    Named<FaultOperation>{"write", FaultOperation::Write},
    Named<FaultOperation>{"erase", FaultOperation::Erase},
    Named<FaultOperation>{"readSpare", FaultOperation::ReadSpare},
};

// What a card of each kind holds when the description gives no size.
struct CardDefaults {
  CardKind kind;
  std::uint64_t sectors;
  std::string_view product;
};

constexpr std::array kCardDefaults{
    CardDefaults{CardKind::None, 0, "Card Reader"},
    CardDefaults{CardKind::CompactFlash, 131072, "CF Reader"},  // 64 MB
    CardDefaults{CardKind::SmartMedia, 0, "SM Reader"},
    CardDefaults{CardKind::MemoryStick, 0, "MS Reader"},
    CardDefaults{CardKind::MemoryStickPro, 524288, "MS Pro Reader"},  // 256 MB
    CardDefaults{CardKind::MmcSd, 262144, "SD Reader"},  // 128 MB
    CardDefaults{CardKind::Floppy, 2880, "Floppy Drive"},  // 1.44 MB
};

constexpr std::uint64_t kLs120Sectors = 245760;  // a 120 MB LS-120 disk
constexpr std::uint32_t kDefaultMemoryStickBlocks = 2048;
constexpr std::uint32_t kDefaultMemoryStickPages = 16;
constexpr std::uint8_t kBusTypeAta = 3;
constexpr std::uint8_t kBusTypeAtapi = 2;
constexpr std::uint8_t kBusTypeUsb = 7;

class Reader {
 public:
  Reader(const Json& object, std::string path) : object_(object), path_(std::move(path)) {
    if (!object_.is_object()) Fail(path_, "must be an object");
  }

  [[noreturn]] static void Fail(const std::string& key, const std::string& problem) {
    throw MachineDescriptionError("machine description: " + key + ": " + problem);
  }

  std::string Key(std::string_view name) const {
    return path_.empty() ? std::string(name) : path_ + "." + std::string(name);
  }

  // Refuses keys this level does not know, so a misspelt key is not silently ignored.
  void AllowOnly(std::initializer_list<std::string_view> known) const {
    for (const auto& item : object_.items()) {
      if (std::find(known.begin(), known.end(), item.key()) == known.end()) Fail(Key(item.key()), "unknown key");
    }
  }

  bool Has(std::string_view name) const { return object_.contains(name); }

  const Json& At(std::string_view name) const { return object_.at(name); }

  template <class T, std::size_t N>
  T Choice(std::string_view name, const std::array<Named<T>, N>& names, T fallback) const {
    if (!Has(name)) return fallback;
    const Json& value = At(name);
    if (value.is_string()) {
      for (const auto& entry : names) {
        if (value.get<std::string>() == entry.name) return entry.value;
      }
    }
    std::string expected;
    for (const auto& entry : names) expected += (expected.empty() ? "" : ", ") + std::string(entry.name);
    Fail(Key(name), "must be one of " + expected);
  }

  std::string Text(std::string_view name, std::string fallback, std::size_t maxLength) const {
    if (!Has(name)) return fallback;
    if (!At(name).is_string()) Fail(Key(name), "must be a text");
    auto text = At(name).get<std::string>();
    if (text.size() > maxLength) Fail(Key(name), "longer than " + std::to_string(maxLength) + " characters");
    return text;
  }

  bool Flag(std::string_view name, bool fallback) const {
    if (!Has(name)) return fallback;
    if (!At(name).is_boolean()) Fail(Key(name), "must be true or false");
    return At(name).get<bool>();
  }

  std::uint64_t Number(std::string_view name, std::uint64_t fallback, std::uint64_t low, std::uint64_t high) const {
    if (!Has(name)) return fallback;
    return NumberAt(At(name), Key(name), low, high);
  }

  static std::uint64_t NumberAt(const Json& value, const std::string& key, std::uint64_t low, std::uint64_t high) {
    if (!value.is_number_unsigned() && !(value.is_number_integer() && value.get<std::int64_t>() >= 0)) {
      Fail(key, "must be a whole number");
    }
    const auto number = value.get<std::uint64_t>();
    if (low == high && number != low) Fail(key, "must be " + std::to_string(low));
    if (number < low || number > high) {
      Fail(key, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
    }
    return number;
  }

  std::vector<std::uint32_t> Numbers(std::string_view name) const {
    std::vector<std::uint32_t> numbers;
    if (!Has(name)) return numbers;
    if (!At(name).is_array()) Fail(Key(name), "must be a list of whole numbers");
    for (std::size_t i = 0; i < At(name).size(); ++i) {
      numbers.push_back(
          static_cast<std::uint32_t>(NumberAt(At(name)[i], Key(name) + "[" + std::to_string(i) + "]", 0, UINT32_MAX)));
    }
    return numbers;
  }

 private:
  const Json& object_;
  std::string path_;
};

template <class T, std::size_t N>
std::string_view NameOf(const std::array<Named<T>, N>& names, T value) {
  for (const auto& entry : names) {
    if (entry.value == value) return entry.name;
  }
  return {};
}

const CardDefaults& DefaultsOf(CardKind kind) {
  return *std::find_if(kCardDefaults.begin(), kCardDefaults.end(),
                       [kind](const CardDefaults& entry) { return entry.kind == kind; });
}

Fault ParseFault(const Json& object, const std::string& path) {
  const Reader reader(object, path);
  reader.AllowOnly({"op", "sector", "block", "times"});
  Fault fault;
  if (!reader.Has("op")) Reader::Fail(reader.Key("op"), "is required");
  fault.operation = reader.Choice("op", kFaultNames, FaultOperation::Read);
  if (reader.Has("sector") == reader.Has("block")) Reader::Fail(path, "needs either sector or block");
  if (fault.operation == FaultOperation::ReadSpare && !reader.Has("block")) {
    Reader::Fail(reader.Key("op"), "readSpare needs a block");
  }
  if (reader.Has("sector")) fault.sector = static_cast<std::uint32_t>(reader.Number("sector", 0, 0, UINT32_MAX));
  if (reader.Has("block")) fault.block = static_cast<std::uint32_t>(reader.Number("block", 0, 0, UINT32_MAX));
  if (reader.Has("times") && reader.At("times") == "always") {
    fault.times = 0;
  } else {
    fault.times = static_cast<std::uint32_t>(reader.Number("times", 1, 1, UINT32_MAX));
  }
  return fault;
}

bool BusTakesCard(Bus bus, CardKind kind) {
  const bool driveBus = bus == Bus::Floppy || bus == Bus::Ls120;
  return kind == CardKind::None || driveBus == (kind == CardKind::Floppy);
}

// A block list names blocks of the card, each once: the boot block's count of usable blocks and
// its disabled-block list are made from it.
void CheckBlockList(const Reader& reader, std::string_view name, const std::vector<std::uint32_t>& list,
                    std::uint32_t blocks) {
  const std::set<std::uint32_t> distinct(list.begin(), list.end());
  if (distinct.size() != list.size()) Reader::Fail(reader.Key(name), "names a block twice");
  if (!list.empty() && *distinct.rbegin() >= blocks) {
    Reader::Fail(reader.Key(name), "names a block past the card's " + std::to_string(blocks) + " blocks");
  }
}

CardDescription ParseCard(const Json& object, const std::string& path, Bus bus, char letter,
                          const std::filesystem::path& folder) {
  const Reader reader(object, path);
  reader.AllowOnly({"kind", "image", "sectors", "writeProtected", "deviceCode", "blocks", "pagesPerBlock",
                    "factoryBadBlocks", "failingBlocks", "faults", "pulledAfterCommands", "geometryHidden"});
  CardDescription card;
  card.kind = reader.Choice("kind", kCardKindNames,
                            bus == Bus::Floppy || bus == Bus::Ls120 ? CardKind::Floppy : CardKind::None);
  if (!BusTakesCard(bus, card.kind)) Reader::Fail(reader.Key("kind"), "does not fit this reader's bus");
  const std::uint64_t defaultSectors = bus == Bus::Ls120 ? kLs120Sectors : DefaultsOf(card.kind).sectors;
  const bool rawFlash = card.kind == CardKind::SmartMedia || card.kind == CardKind::MemoryStick;
  if (rawFlash && reader.Has("sectors"))
    Reader::Fail(reader.Key("sectors"), "raw flash cards take their size from their geometry");
  card.sectors = reader.Number("sectors", defaultSectors, card.kind == CardKind::None ? 0 : 1, UINT32_MAX);
  card.writeProtected = reader.Flag("writeProtected", false);
  if (card.kind == CardKind::SmartMedia) {
    card.smartMediaDeviceCode = static_cast<std::uint8_t>(reader.Number("deviceCode", kDefaultSmartMediaCode, 1, 0xFF));
    if (!SmartMediaGeometry(card.smartMediaDeviceCode)) {
      Reader::Fail(reader.Key("deviceCode"), "is no SmartMedia device code");
    }
  }
  if (card.kind == CardKind::MemoryStick) {
    card.blocks = static_cast<std::uint32_t>(reader.Number("blocks", kDefaultMemoryStickBlocks, 1, 65535));
    card.pagesPerBlock = static_cast<std::uint32_t>(reader.Number("pagesPerBlock", kDefaultMemoryStickPages, 1, 32));
    if (!MemoryStickSizeCode(std::uint64_t{card.blocks} * card.pagesPerBlock)) {
      Reader::Fail(reader.Key("blocks"), "a Memory Stick holds at most 262144 pages");
    }
  }
  card.geometryHidden = reader.Flag("geometryHidden", false);
  if (card.geometryHidden && card.kind != CardKind::MemoryStick)
    Reader::Fail(reader.Key("geometryHidden"), "only a Memory Stick hides its geometry");
  card.factoryBadBlocks = reader.Numbers("factoryBadBlocks");
  card.failingBlocks = reader.Numbers("failingBlocks");
  if (rawFlash) {
    const std::uint32_t blocks =
        card.kind == CardKind::SmartMedia ? SmartMediaGeometry(card.smartMediaDeviceCode)->blocks : card.blocks;
    CheckBlockList(reader, "factoryBadBlocks", card.factoryBadBlocks, blocks);
    CheckBlockList(reader, "failingBlocks", card.failingBlocks, blocks);
  }
  if (reader.Has("faults")) {
    if (!reader.At("faults").is_array()) Reader::Fail(reader.Key("faults"), "must be a list");
    for (std::size_t i = 0; i < reader.At("faults").size(); ++i) {
      card.faults.push_back(ParseFault(reader.At("faults")[i], reader.Key("faults") + "[" + std::to_string(i) + "]"));
    }
  }
  if (reader.Has("pulledAfterCommands")) {
    card.pulledAfterCommands = static_cast<std::uint32_t>(reader.Number("pulledAfterCommands", 0, 0, UINT32_MAX));
  }
  if (card.kind != CardKind::None) {
    const std::string fallback = std::string("cards/") + static_cast<char>(letter - 'A' + 'a') + ".img";
    const std::filesystem::path image = reader.Text("image", fallback, 4096);
    card.image = image.is_absolute() ? image : folder / image;
  }
  return card;
}

char NextFreeLetter(const std::set<char>& used, char from) {
  for (char letter = from; letter <= 'X'; ++letter) {
    if (used.count(letter) == 0) return letter;
  }
  return 0;
}

std::string ZeroPadded(std::string digits, std::size_t width) {
  return digits.size() >= width ? digits : std::string(width - digits.size(), '0') + digits;
}

// Pads or keeps an INQUIRY text at its field width, as the device returns it.
std::string PadTo(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

ReaderDescription ParseReader(const Json& object, const std::string& path, std::size_t index, std::set<char>& letters,
                              const std::filesystem::path& folder) {
  const Reader reader(object, path);
  reader.AllowOnly(
      {"bus", "maker", "firmware", "vendor", "product", "revision", "letter", "usb", "storageBusType", "card"});
  ReaderDescription description;
  description.bus = reader.Choice("bus", kBusNames, Bus::Usb);
  description.maker = reader.Flag("maker", false);
  if (!description.maker && reader.Has("firmware"))
    Reader::Fail(reader.Key("firmware"), "only the maker's readers have one");
  description.firmware =
      description.maker ? reader.Choice("firmware", kFirmwareNames, Firmware::Newer) : Firmware::None;

  const bool driveBus = description.bus == Bus::Floppy || description.bus == Bus::Ls120;
  const std::string letterText = reader.Text("letter", "", 1);
  description.letter = letterText.empty() ? NextFreeLetter(letters, driveBus ? 'A' : 'E')
                                          : static_cast<char>(std::toupper(static_cast<unsigned char>(letterText[0])));
  if (description.letter < 'A' || description.letter > 'X' || description.letter == 'C') {
    Reader::Fail(reader.Key("letter"), "must be a drive letter from A to X other than C");
  }
  if (!letters.insert(description.letter).second) Reader::Fail(reader.Key("letter"), "is taken by another reader");

  const Json noCard = Json::object();
  const Json& cardObject = reader.Has("card") ? reader.At("card") : noCard;
  description.card = ParseCard(cardObject, reader.Key("card"), description.bus, description.letter, folder);

  const std::string_view defaultProduct =
      description.bus == Bus::Ls120 ? std::string_view("LS-120 Drive") : DefaultsOf(description.card.kind).product;
  description.vendor = PadTo(reader.Text("vendor", description.maker ? "Kestro" : "Generic", 8), 8);
  description.product = PadTo(reader.Text("product", std::string(defaultProduct), 16), 16);
  description.revision = PadTo(reader.Text("revision", "1.00", 4), 4);

  const std::uint8_t defaultBusType = description.bus == Bus::Usb     ? kBusTypeUsb
                                      : description.bus == Bus::Ls120 ? kBusTypeAtapi
                                                                      : kBusTypeAta;
  if (description.bus != Bus::Floppy || reader.Has("storageBusType")) {
    description.storageBusType = static_cast<std::uint8_t>(reader.Number("storageBusType", defaultBusType, 0, 255));
  }

  if (reader.Has("usb") && description.bus != Bus::Usb) Reader::Fail(reader.Key("usb"), "only USB readers have one");
  if (description.bus == Bus::Usb) {
    const Json noUsb = Json::object();
    const Reader usb(reader.Has("usb") ? reader.At("usb") : noUsb, reader.Key("usb"));
    usb.AllowOnly({"vendorId", "productId", "instance", "parentIdPrefix"});
    const std::string serial = ZeroPadded(std::to_string(index + 1), 12);
    const std::string prefix = "7&2F" + ZeroPadded(std::to_string(index + 1), 4) + "&0";
    description.usb.vendorId = usb.Text("vendorId", description.maker ? "55AA" : "0ABC", 4);
    description.usb.productId = usb.Text("productId", "0001", 4);
    description.usb.instance = usb.Text("instance", serial, 64);
    description.usb.parentIdPrefix = usb.Text("parentIdPrefix", prefix, 64);
  }
  return description;
}

// "line 3, column 14" of the byte where parsing stopped (counted from 1, as the parser does).
std::string JsonPlace(std::string_view text, std::size_t byte) {
  const std::string_view read = text.substr(0, std::min(byte, text.size()));
  const auto lines = static_cast<std::size_t>(std::count(read.begin(), read.end(), '\n'));
  const std::size_t lineStart = read.rfind('\n') == std::string_view::npos ? 0 : read.rfind('\n') + 1;
  return "line " + std::to_string(lines + 1) + ", column " + std::to_string(read.size() - lineStart);
}

// The parser's own words without its exception tag and its own account of the place:
// "[json.exception.parse_error.101] parse error at line 1, column 4: syntax error ..." says
// "syntax error ...".
std::string JsonProblem(std::string_view what) {
  if (const auto tag = what.find("] "); what.starts_with("[json.exception.") && tag != std::string_view::npos) {
    what.remove_prefix(tag + 2);
  }
  if (what.starts_with("parse error")) {
    if (const auto colon = what.find(": "); colon != std::string_view::npos) what.remove_prefix(colon + 2);
  }
  return std::string(what);
}

}  // namespace

MachineDescription ParseMachineDescription(std::string_view jsonText, const std::filesystem::path& folder) {
  Json root;
  try {
    root = Json::parse(jsonText);
  } catch (const Json::parse_error& error) {
    throw MachineDescriptionError("machine description: " + JsonPlace(jsonText, error.byte) +
                                  ": not valid JSON: " + JsonProblem(error.what()));
  } catch (const Json::exception& error) {  // a number too large for any type
    throw MachineDescriptionError(std::string("machine description: not valid JSON: ") + JsonProblem(error.what()));
  }
  const Reader reader(root, "");
  reader.AllowOnly({"version", "windows", "cardDriver", "readers"});
  MachineDescription machine;
  if (!reader.Has("version")) Reader::Fail("version", "is required");
  machine.version = static_cast<int>(
      reader.Number("version", kMachineDescriptionVersion, kMachineDescriptionVersion, kMachineDescriptionVersion));
  machine.windows = reader.Choice("windows", kWindowsNames, win::WindowsVersion::Xp);
  machine.cardDriver = reader.Choice("cardDriver", kCardDriverNames, CardDriverState::Installed);
  if (reader.Has("readers") && !reader.At("readers").is_array()) Reader::Fail("readers", "must be a list");
  std::set<char> letters;
  if (reader.Has("readers")) {
    const Json& readers = reader.At("readers");
    for (std::size_t i = 0; i < readers.size(); ++i) {
      machine.readers.push_back(ParseReader(readers[i], "readers[" + std::to_string(i) + "]", i, letters, folder));
    }
  }
  return machine;
}

std::string DefaultMachineDescriptionText() {
  return R"({
  "version": 1,
  "windows": "xp",
  "readers": [
    { "bus": "usb", "maker": true, "firmware": "newer", "vendor": "Kestro", "product": "CF Reader",
      "letter": "E", "card": { "kind": "cf", "image": "cards/cf.img", "sectors": 131072 } },
    { "bus": "usb", "maker": true, "firmware": "newer", "vendor": "Kestro", "product": "SM Reader",
      "letter": "F", "card": { "kind": "sm", "image": "cards/sm.img", "deviceCode": 117 } },
    { "bus": "usb", "maker": true, "firmware": "newer", "vendor": "Kestro", "product": "MS Reader",
      "letter": "H", "card": { "kind": "ms", "image": "cards/ms.img", "blocks": 4096, "pagesPerBlock": 32 } },
    { "bus": "usb", "maker": false, "vendor": "Generic", "product": "SD Reader", "letter": "G",
      "card": { "kind": "mmcsd", "image": "cards/sd.img", "sectors": 524288 } },
    { "bus": "floppy", "letter": "A", "card": { "kind": "floppy", "image": "cards/a.img" } },
    { "bus": "pcmcia", "maker": true, "firmware": "newer", "vendor": "Kestro", "product": "PCMCIA CF Slot",
      "letter": "I", "card": { "kind": "cf", "image": "cards/pcmcia.img", "sectors": 65536 } }
  ]
}
)";
}

}  // namespace machine
