#include "recovery/testing/sample_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace recovery::test_support {

namespace {

struct Builder {
  Bytes b;
  Builder& Text(const std::string& text) {
    b.insert(b.end(), text.begin(), text.end());
    return *this;
  }
  Builder& Raw(std::initializer_list<int> bytes) {
    for (int v : bytes) b.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Builder& Le16(std::uint32_t v) { return Raw({int(v & 0xFF), int(v >> 8 & 0xFF)}); }
  Builder& Be16(std::uint32_t v) { return Raw({int(v >> 8 & 0xFF), int(v & 0xFF)}); }
  Builder& Le32(std::uint32_t v) { return Le16(v & 0xFFFF).Le16(v >> 16); }
  Builder& Be32(std::uint32_t v) { return Be16(v >> 16).Be16(v & 0xFFFF); }
  Builder& Fill(std::size_t n, std::uint32_t seed) {
    const Bytes f = Filler(n, seed);
    b.insert(b.end(), f.begin(), f.end());
    return *this;
  }
  Builder& PadTo(std::size_t n, std::uint32_t seed) { return b.size() < n ? Fill(n - b.size(), seed) : *this; }
  void PutLe32(std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  }
  void PutBe32(std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (24 - 8 * k));
  }
  void PutLe16(std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
};

Bytes Aif(std::uint32_t seed, std::size_t size) {
  Builder f;
  f.Text("FORM").Be32(static_cast<std::uint32_t>(size - 8)).Text("AIFFCOMM").PadTo(size, seed);
  return f.b;
}

Bytes Riff(const std::string& form, std::uint32_t seed, std::size_t size) {
  Builder f;
  f.Text("RIFF").Le32(static_cast<std::uint32_t>(size - 8)).Text(form).PadTo(size, seed);
  return f.b;
}

Bytes Bmp(std::uint32_t seed, std::size_t size) {
  Builder f;
  f.Text("BM").Le32(static_cast<std::uint32_t>(size)).Le32(0).Le32(54).Le32(40).Le32(16).Le32(16).Le16(1).Le16(24);
  f.PadTo(size, seed);
  return f.b;
}

Bytes Icon(int kind, std::uint32_t seed, std::uint32_t imageBytes) {
  Builder f;
  f.Le16(0).Le16(static_cast<std::uint32_t>(kind)).Le16(1);
  f.Raw({32, 32, 0, 0}).Le16(1).Le16(32).Le32(imageBytes).Le32(22);
  f.Fill(imageBytes, seed);
  return f.b;
}

Bytes Snd(std::uint32_t seed, std::uint32_t data) {
  Builder f;
  f.Text(".snd").Be32(24).Be32(data).Be32(2).Be32(8000).Be32(1).Fill(data, seed);
  return f.b;
}

Bytes WmfPlaceable(std::uint32_t seed, std::uint32_t words) {
  Builder f;
  f.Raw({0xD7, 0xCD, 0xC6, 0x9A}).Le16(0).Le16(0).Le16(0).Le16(100).Le16(100).Le16(1440).Le32(0).Le16(0);
  f.Le16(1).Le16(9).Le16(0x300).Le32(words).Le16(0).Le32(0).Le16(0);
  f.PadTo(22 + 2 * std::size_t{words}, seed);
  return f.b;
}

Bytes Wmv(std::uint32_t seed, std::size_t size) {
  Builder f;
  f.Raw({0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11})
      .PadTo(70, seed)
      .Le32(static_cast<std::uint32_t>(size))
      .PadTo(size, seed + 1);
  return f.b;
}

Bytes Raf(std::uint32_t seed, std::uint32_t a, std::uint32_t c) {
  Builder f;
  f.Text("FUJIFILMCCD-RAW 0201FF383501").PadTo(152, seed).Be32(a).Be32(c);
  f.Raw({0xFF, 0xD8, 0xFF, 0xE1}).Be16(100).Text("Exif").Raw({0, 0}).Text("MM").Raw({0, 42});
  f.PadTo(a + c, seed + 1);
  return f.b;
}

Bytes Mrw(std::uint32_t seed) {
  Builder f;
  // The size at 4 holds 200 in its low half; offset 12 points at the sensor block at 16.
  f.Raw({0}).Text("MRM").Be32(200).Be32(0).Be32(16).Be16(64).Be16(80).Be16(60).Be16(72).Raw({16});
  const std::size_t size = 64 * 80 * 2 + 200 + 8;
  f.PadTo(size, seed);
  return f.b;
}

Bytes Msf(std::uint32_t seed) {
  Builder f;
  f.Text("MSGL").Le32(1).Le32(0xFFFFFFFF).Le32(0xFFFFFFFF).PadTo(0x8000, seed);
  return f.b;
}

Bytes Msv(std::uint32_t seed, std::uint32_t data) {
  Builder f;
  f.Text("MS_VOICE").PadTo(156, seed).Be32(data).PadTo(data + 1024, seed + 1);
  return f.b;
}

Bytes Pst(std::uint32_t seed, std::uint32_t size) {
  Builder f;
  f.Text("!BDN").PadTo(168, seed).Le32(size).PadTo(size, seed + 1);
  return f.b;
}

Bytes Mp3(std::uint32_t seed, std::size_t frames) {
  Builder f;
  f.Text("ID3").Raw({3, 0, 0, 0, 0, 0x02, 0x01}).PadTo(10 + 257, seed).Fill(frames, seed + 1);
  f.Text("TAG").Text("A song title for the tests").PadTo(f.b.size() + 99, seed + 2);
  return f.b;
}

Bytes Midi(std::uint32_t seed) {
  Builder f;
  f.Text("MThd").Be32(6).Be16(1).Be16(2).Be16(96);
  f.Text("MTrk").Be32(700).Fill(700, seed);
  f.Text("MTrk").Be32(1311).Fill(1311, seed + 1);
  return f.b;
}

Bytes QuickTime(std::uint32_t seed) {
  Builder f;
  f.Be32(3000).Text("mdat").Fill(3000 - 8, seed);
  f.Be32(1).Text("wide").Be32(0).Be32(1200).Fill(1200 - 16, seed + 1);
  f.Be32(900).Text("moov").Fill(900 - 8, seed + 2);
  return f.b;
}

Bytes Mpeg(std::uint32_t seed) {
  Builder f;
  f.Raw({0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0, 1}).Fill(5000, seed).Raw({0, 0, 1, 0xB9});
  return f.b;
}

Bytes Pdf(std::uint32_t seed) {
  Builder f;
  f.Text("%PDF-1.4\r\n").Fill(1500, seed).Text("\r\n%%EOF\r\n").Fill(900, seed + 1).Text("\r\n%%EOF\r");
  return f.b;
}

Bytes Asx(std::uint32_t seed) {
  Builder f;
  f.Text("<ASX version=\"3.0\">\r\n<title>").Fill(700, seed).Text("</title>\r\n</ASX>");
  return f.b;
}

Bytes WordPlain(std::uint32_t seed) {
  Builder f;
  f.Raw({0xD0, 0xCF, 0x11, 0xE0, 0x01, 0x02, 0x03, 0x04}).Fill(2600, seed).Raw({0xF4, 0x39, 0xB2, 0x71});
  return f.b;
}

Bytes Rtf(std::uint32_t seed) {
  Builder f;
  f.Text("{\\rtf1\\ansi\\deff0 ").Fill(1300, seed).Text("\\par }}");
  return f.b;
}

Bytes X3f(std::uint32_t seed) {
  Builder f;
  f.Text("FOVb").Le32(0x00020000).Fill(3000, seed);
  const std::size_t directory = f.b.size();
  f.Text("SECd").Le32(0x00020000).Le32(3);
  for (int e = 0; e < 3; ++e) f.Le32(100u * e).Le32(100).Text("IMA2");
  f.Le32(static_cast<std::uint32_t>(directory));
  return f.b;
}

Bytes Crw(std::uint32_t seed) {
  Builder f;
  f.Text("II").Le32(26).Text("HEAPCCDR").Le32(0x00010002).Le32(0).Le32(0);
  const std::size_t heap = f.b.size();
  f.Fill(4000, seed);
  const std::uint32_t data = static_cast<std::uint32_t>(f.b.size() - heap);
  f.Le16(2).Le16(0x2005).Le32(3000).Le32(0).Le16(0x2007).Le32(1000).Le32(3000).Le32(data);
  return f.b;
}

// A little-endian TIFF with IFD0 at 8 and one strip after it.
Bytes Tiff(std::uint32_t seed, const std::string& make, bool orf) {
  const std::uint32_t entries = make.empty() ? 6 : 7;
  const std::uint32_t ifdEnd = 8 + 2 + 12 * entries + 4;
  const std::uint32_t makeAt = ifdEnd;
  const std::uint32_t stripAt = makeAt + static_cast<std::uint32_t>(make.empty() ? 0 : make.size() + 1);
  const std::uint32_t stripBytes = 3000;
  Builder f;
  if (orf)
    f.Text("IIRS");
  else
    f.Text("II").Raw({42, 0});
  f.Le32(8);
  f.Le16(entries);
  f.Le16(256).Le16(3).Le32(1).Le32(50);
  f.Le16(257).Le16(3).Le32(1).Le32(20);
  f.Le16(259).Le16(3).Le32(1).Le32(1);
  if (!make.empty()) f.Le16(271).Le16(2).Le32(static_cast<std::uint32_t>(make.size() + 1)).Le32(makeAt);
  f.Le16(273).Le16(4).Le32(1).Le32(stripAt);
  f.Le16(277).Le16(3).Le32(1).Le32(3);
  f.Le16(279).Le16(4).Le32(1).Le32(stripBytes);
  f.Le32(0);
  if (!make.empty()) f.Text(make).Raw({0});
  f.Fill(stripBytes, seed);
  return f.b;
}

// A compound document: header, one FAT sector (document sector 0), the directory (sector 1)
// and a stream in sectors 2.. holding the given text.
Bytes Ole(std::uint32_t seed, const std::string& text, std::uint32_t streamSectors) {
  Builder f;
  f.Raw({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}).b.resize(512, 0);
  f.PutLe16(24, 0x3E);
  f.PutLe16(26, 3);
  f.PutLe16(28, 0xFFFE);
  f.PutLe16(30, 9);
  f.PutLe16(32, 6);
  f.PutLe32(44, 1);  // FAT sectors
  f.PutLe32(48, 1);  // directory start
  f.PutLe32(56, 4096);
  f.PutLe32(60, 0xFFFFFFFE);  // no mini FAT
  f.PutLe32(64, 0);
  f.PutLe32(68, 0xFFFFFFFE);  // no DIFAT sector
  f.PutLe32(72, 0);
  for (std::size_t at = 76; at < 512; at += 4) f.PutLe32(at, 0xFFFFFFFF);
  f.PutLe32(76, 0);  // the FAT is document sector 0
  Bytes fat(512, 0xFF);
  auto put = [&fat](std::uint32_t index, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) fat[4 * index + k] = static_cast<std::uint8_t>(value >> (8 * k));
  };
  put(0, 0xFFFFFFFD);
  put(1, 0xFFFFFFFE);
  for (std::uint32_t s = 0; s < streamSectors; ++s) put(2 + s, s + 1 == streamSectors ? 0xFFFFFFFE : 3 + s);
  f.b.insert(f.b.end(), fat.begin(), fat.end());
  f.Fill(512, seed);  // directory
  Builder stream;
  stream.Text(text).Raw({0}).Fill(512 * streamSectors - text.size() - 1, seed + 1);
  f.b.insert(f.b.end(), stream.b.begin(), stream.b.end());
  return f.b;
}

}  // namespace

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Sectors(std::initializer_list<std::pair<std::size_t, Bytes>> parts, std::size_t total) {
  Bytes image(total * 512, 0);
  for (const auto& [sector, bytes] : parts)
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<long>(sector * 512));
  return image;
}

Bytes Le32Bytes(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
Bytes Be32Bytes(std::uint32_t v) {
  return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

Bytes Filler(std::size_t size, std::uint32_t seed) {
  // No upper case and no vowels: no magic of a header test (not even QuickTime's atom names at
  // bytes 4-7 of a sector) can appear by chance.
  static constexpr char kAlphabet[] = "bcdfghjklmnpqrstvwxyz0123456789";
  Bytes bytes(size);
  std::uint32_t x = seed * 2654435761u + 12345u;
  for (auto& byte : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<std::uint8_t>(kAlphabet[x % (sizeof kAlphabet - 1)]);
  }
  return bytes;
}

std::vector<SampleFile> HandMadeSamples(std::uint32_t seed, std::size_t extra) {
  const std::uint32_t s = seed * 97;
  const std::size_t grow = (seed % 7) * 131 + extra;
  std::vector<SampleFile> files = {
      {"AIF", "AIF", Aif(s + 1, 5000 + grow)},
      {"AVI", "AVI", Riff("AVI LIST", s + 2, 7001 + grow)},
      {"BMP", "BMP", Bmp(s + 3, 3126 + grow)},
      {"CUR", "CUR", Icon(2, s + 4, 744)},
      {"ICO", "ICO", Icon(1, s + 5, 1128 + static_cast<std::uint32_t>(grow % 65536))},
      {"MP3", "MP3", Mp3(s + 6, 4000 + grow)},
      {"TIF", "TIF", Tiff(s + 7, "", false)},
      {"NEF", "NEF", Tiff(s + 8, "NIKON CORPORATION", false)},
      {"ORF (IIRS: 5584 bytes added)", "ORF", Tiff(s + 9, "OLYMPUS", true), false},
      {"MID", "MID", Midi(s + 10)},
      {"SND", "SND", Snd(s + 11, 2900 + static_cast<std::uint32_t>(grow))},
      {"MOV", "MOV", QuickTime(s + 12)},
      {"MPG", "MPG", Mpeg(s + 13)},
      {"PDF", "PDF", Pdf(s + 14)},
      {"WMF", "WMF", WmfPlaceable(s + 15, 1500)},
      {"WMV", "WMV", Wmv(s + 16, 6000 + grow)},
      {"ASX", "ASX", Asx(s + 17)},
      {"DOC (F4 39 B2 71 end)", "DOC", WordPlain(s + 18)},
      {"RTF", "RTF", Rtf(s + 19)},
      {"RAF", "RAF", Raf(s + 20, 3000, 2000 + static_cast<std::uint32_t>(grow))},
      {"CRW", "CRW", Crw(s + 21)},
      {"MRW", "MRW", Mrw(s + 22)},
      {"MSV", "MSV", Msv(s + 23, 3000)},
      {"MSF", "MSF", Msf(s + 24)},
      {"PST", "PST", Pst(s + 25, 4100 + static_cast<std::uint32_t>(grow))},
      {"X3F", "X3F", X3f(s + 26)},
      {"PPT (compound document)", "PPT", Ole(s + 27, "Presentation", 5)},
      {"DOC (compound document)", "DOC", Ole(s + 28, "Microsoft Word-Dokument", 4)},
      {"XLS (compound document)", "XLS", Ole(s + 29, "Microsoft Excel 2003 Worksheet", 6)},
      {"WAV", "WAV", Riff("WAVEfmt ", s + 30, 4044 + grow)},
  };
  return files;
}

namespace {

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

void AddIfMade(std::vector<SampleFile>& files, const std::string& kind, const std::string& ext, const std::string& path,
               bool exact) {
  Bytes bytes = ReadWholeFile(path);
  if (!bytes.empty()) files.push_back({kind, ext, std::move(bytes), exact});
}

}  // namespace

std::vector<SampleFile> ToolMadeSamples(const std::string& folder, std::uint32_t seed, int pictureScale) {
  std::vector<SampleFile> files;
  const std::string big = std::to_string(120 * pictureScale) + "x" + std::to_string(90 * pictureScale);
  const std::string picture = "plasma:fractal -seed " + std::to_string(seed + 1);
  const std::string base = folder + "/tool" + std::to_string(seed);
  if (Run("convert -size " + big + " " + picture + " " + base + ".jpg"))
    AddIfMade(files, "JPG (JFIF, ImageMagick)", "JPG", base + ".jpg", true);
  if (Run("convert -size " + big + " " + picture + " " + base + "e.jpg") &&
      Run("exiftool -q -overwrite_original -JFIF:all= -Make=Tarnlok -Model=Test " + base + "e.jpg"))
    AddIfMade(files, "JPG (Exif, exiftool)", "JPG", base + "e.jpg", true);
  if (Run("convert -size 100x80 " + picture + " -colors 64 " + base + ".gif"))
    AddIfMade(files, "GIF (ImageMagick)", "GIF", base + ".gif", true);
  if (Run("convert -size 100x80 " + picture + " " + base + ".png"))
    AddIfMade(files, "PNG (ImageMagick)", "PNG", base + ".png", true);
  if (Run("convert -size 64x48 " + picture + " -compress none " + base + ".tif"))
    AddIfMade(files, "TIF (ImageMagick)", "TIF", base + ".tif", true);
  if (Run("convert -size 64x48 " + picture + " " + base + ".pdf"))
    AddIfMade(files, "PDF (ImageMagick, %%EOF and line feed)", "PDF", base + ".pdf", false);
  WriteFile(base + "a.txt", Filler(3000 + seed, seed));
  WriteFile(base + "b.txt", Filler(9000, seed + 1));
  if (Run("cd " + folder + " && zip -q -X " + base + ".zip " + base + "a.txt " + base + "b.txt"))
    AddIfMade(files, "ZIP (zip)", "ZIP", base + ".zip", true);
  return files;
}

std::vector<std::uint64_t> LayOut(const std::vector<SampleFile>& files, Bytes& image, std::uint32_t gapSectors,
                                  bool randomGaps, std::uint32_t seed) {
  std::vector<std::uint64_t> starts;
  std::uint32_t x = seed | 1;
  for (const SampleFile& file : files) {
    const std::size_t gap = std::size_t{gapSectors} * 512;
    if (randomGaps) {
      for (std::size_t k = 0; k < gap; ++k) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image.push_back(static_cast<std::uint8_t>(x));
      }
    } else {
      image.resize(image.size() + gap, 0);
    }
    starts.push_back(image.size() / 512);
    image.insert(image.end(), file.bytes.begin(), file.bytes.end());
    image.resize((image.size() + 511) / 512 * 512, 0);
  }
  image.resize(image.size() + std::size_t{gapSectors} * 512, 0);
  return starts;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace recovery::test_support
