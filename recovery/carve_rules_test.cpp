// The end rules of the carve writers, each on a small hand-laid card.
#include "imaging/dib_image.h"
#include "recovery/carve_files.h"
#include "recovery/testing/engine_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace recovery::test_support {
namespace {

struct Card {
  Bytes image;
  // Puts bytes at a sector (the card grows as needed).
  Card& Put(std::size_t sector, const Bytes& bytes) {
    const std::size_t at = sector * 512;
    if (image.size() < at + bytes.size()) image.resize((at + bytes.size() + 511) / 512 * 512, 0);
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<long>(at));
    return *this;
  }
  Card& Ensure(std::size_t sectors) {
    if (image.size() < sectors * 512) image.resize(sectors * 512, 0);
    return *this;
  }
};

Bytes Header(const std::string& magic, std::size_t size, std::uint32_t seed) {
  return Concat(TextBytes(magic), Filler(size - magic.size(), seed));
}

// A "!BDN" header: a file of another kind that closes whatever is open.
Bytes Closer() { return Concat(Concat(TextBytes("!BDN"), Filler(164, 9)), Le32Bytes(600000)); }

TEST(LengthRules, AFileIsCopiedToTheLengthItsHeaderGives) {
  Harness harness("length");
  Bytes bmp = Concat(Concat(TextBytes("BM"), Le32Bytes(1000)), Bytes(4, 0));
  bmp = Concat(bmp, Filler(1000 - bmp.size(), 1));
  Bytes wav = Concat(Concat(TextBytes("RIFF"), Le32Bytes(36)), Concat(TextBytes("WAVE"), Filler(32, 2)));
  Bytes wmv = Concat(Bytes{0x30, 0x26, 0xB2, 0x75}, Filler(66, 3));
  wmv = Concat(Concat(wmv, Le32Bytes(0)), Filler(152 - 74, 4));
  wmv = Concat(Concat(wmv, Le32Bytes(700)), Filler(700 - 156, 5));
  Card card;
  card.Put(0, bmp).Put(2, Concat(wav, Filler(400, 6))).Put(4, wmv).Ensure(8);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(bmp));
  std::string listing;
  for (const auto& [name, bytes] : harness.Outputs()) listing += name + " " + std::to_string(bytes.size()) + "\n";
  EXPECT_TRUE(harness.HasExactCopy(wav)) << listing;  // 44 bytes, the rest of its sector left out
  EXPECT_TRUE(harness.HasExactCopy(wmv));  // the length from 152 when 70 holds 0
  EXPECT_EQ(harness.state.recoveredCount, 3);
  EXPECT_EQ(harness.state.filesOfType[kBmp], 1);
}

TEST(LengthRules, AFileWhoseLengthRunsIntoTheNextHeaderIsDeleted) {
  Harness harness("pst");
  Card card;
  card.Put(0, Concat(Concat(TextBytes("!BDN"), Filler(164, 1)), Le32Bytes(5000)))
      .Put(3, Header("GIF89a", 40, 2))
      .Ensure(6);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_EQ(harness.state.filesOfType[kPst], 0);
  for (const auto& [name, bytes] : harness.Outputs()) EXPECT_NE(name.substr(name.size() - 3), "PST");
}

TEST(PictureRules, AGifIsCutBehindItsLastEndMarkerWhenTheNextHeaderArrives) {
  Harness harness("gif");
  Bytes third = Filler(512, 3);
  third[100] = 0x00;
  third[101] = 0x3B;
  Card card;
  card.Put(0, Header("GIF89a", 512, 1)).Put(1, Filler(512, 2)).Put(2, third).Put(6, Closer()).Ensure(8);
  harness.ScanMemory(card.image, harness.Settings());
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("00001.GIF"));
  EXPECT_EQ(outputs.at("00001.GIF").size(), 1024u + 102u);
}

TEST(PictureRules, AJfifFileIsWalkedSegmentBySegmentToTheEndOfItsScan) {
  Harness harness("jfif");
  // SOI, APP0 of 16, a segment of 1100 bytes spanning three units, SOS, data and EOI.
  Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  jpeg = Concat(jpeg, Bytes{0xFF, 0xFE, 0x04, 0x4E});
  jpeg = Concat(jpeg, Filler(1100, 1));
  jpeg[30] = 0xFF;  // an end marker inside the segment does not end the file
  jpeg[31] = 0xD9;
  jpeg = Concat(jpeg, Bytes{0xFF, 0xDA, 0x00, 0x08});
  jpeg = Concat(jpeg, Filler(700, 2));
  jpeg = Concat(jpeg, Bytes{0xFF, 0xD9});
  Card card;
  card.Put(0, jpeg).Put(5, Filler(512, 3)).Ensure(7);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(jpeg));
  EXPECT_EQ(harness.state.filesOfType[kJpg], 1);
}

TEST(PictureRules, AnX3fEndsBehindItsDirectoryAlsoInTheNextUnit) {
  Harness harness("x3f");
  Bytes first = Header("FOVb", 500, 1);
  first = Concat(Concat(first, TextBytes("SECd")), Concat(Le32Bytes(0x20000), Le32Bytes(3)));
  Bytes file = Concat(first, Filler(40, 2));
  Card card;
  card.Put(0, file).Put(1, Concat(Filler(40, 2), Filler(100, 3))).Ensure(3);
  harness.ScanMemory(card.image, harness.Settings());
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("00001.X3F"));
  EXPECT_EQ(outputs.at("00001.X3F").size(), 512u + 40u);
}

TEST(Mp3Rules, AnMp3EndsWithItsFirstValidTagBlock) {
  Harness harness("mp3");
  Bytes head = Concat(TextBytes("ID3"), Bytes{3, 0, 0, 0, 0, 1, 1});
  Bytes second = Filler(512, 2);
  std::copy_n("TAG\xE9", 4, second.begin() + 50);  // not a block: a byte outside ASCII in the title
  std::copy_n("TAGA plain title", 16, second.begin() + 300);
  Card card;
  card.Put(0, Concat(head, Filler(502, 1))).Put(1, second).Put(3, Filler(512, 3)).Ensure(4);
  harness.ScanMemory(card.image, harness.Settings());
  const auto outputs = harness.Outputs();
  ASSERT_TRUE(outputs.count("00001.MP3"));
  EXPECT_EQ(outputs.at("00001.MP3").size(), 512u + 428u);
}

Bytes Midi(int tracks, int present) {
  Bytes midi = Concat(Concat(TextBytes("MThd"), Be32Bytes(6)), Bytes{0, 1, 0, std::uint8_t(tracks), 0, 96});
  for (int t = 0; t < present; ++t)
    midi = Concat(Concat(Concat(midi, TextBytes("MTrk")), Be32Bytes(300)), Filler(300, 10 + t));
  return midi;
}

TEST(ChunkRules, AMidiFileEndsBehindItsAnnouncedTracks) {
  Harness harness("midi");
  const Bytes two = Midi(2, 2);
  Card card;
  card.Put(0, Midi(2, 3)).Put(4, Midi(0, 0)).Put(6, Closer()).Ensure(8);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(two));
  EXPECT_TRUE(harness.HasExactCopy(Bytes{}));  // no tracks: an empty file, kept
}

TEST(ChunkRules, NoTrackCountCarriesFromAnUnfinishedMidiIntoTheNext) {
  Harness harness("midi2");
  Bytes cut = Midi(3, 1);  // announces 3 tracks, a header closes it after one
  const Bytes whole = Midi(1, 1);
  Card card;
  card.Put(0, cut).Put(2, Closer()).Put(3, whole).Put(5, Closer()).Ensure(7);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(whole));
  EXPECT_EQ(harness.state.filesOfType[kMid], 1);
}

TEST(ChunkRules, QuickTimeEndsBehindTheLastKnownAtom) {
  Harness harness("mov");
  Bytes mov = Concat(Concat(Be32Bytes(800), TextBytes("mdat")), Filler(792, 1));
  mov = Concat(Concat(mov, Concat(Be32Bytes(1), TextBytes("free"))),
               Concat(Concat(Be32Bytes(0), Be32Bytes(600)), Filler(584, 2)));
  mov = Concat(Concat(mov, Be32Bytes(100)), Concat(TextBytes("moov"), Filler(92, 3)));
  const Bytes withOther = Concat(Concat(mov, Be32Bytes(64)), Concat(TextBytes("ftyp"), Filler(56, 4)));
  Card card;
  card.Put(0, withOther).Ensure(4);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(mov));
}

// A file that ends in the last bytes of a sector, the next sector starting another file: the
// writer is not called again, so the end must be found in the sector that holds it.
TEST(ChunkRules, MidiAndQuickTimeFilesEndingInASectorsLastBytesAreKept) {
  for (std::size_t length = 1010; length <= 1024; ++length) {
    Harness harness("unit-end-" + std::to_string(length));
    const Bytes midi = Concat(
        Concat(Concat(TextBytes("MThd"), Be32Bytes(6)), Bytes{0, 0, 0, 1, 0, 96}),
        Concat(Concat(TextBytes("MTrk"), Be32Bytes(static_cast<std::uint32_t>(length - 22))), Filler(length - 22, 1)));
    const Bytes mov =
        Concat(Concat(Be32Bytes(static_cast<std::uint32_t>(length)), TextBytes("mdat")), Filler(length - 8, 2));
    Card card;
    card.Put(0, midi).Put(2, Closer()).Put(4, mov).Put(6, Closer()).Ensure(8);
    harness.ScanMemory(card.image, harness.Settings());
    EXPECT_TRUE(harness.HasExactCopy(midi)) << length;
    EXPECT_TRUE(harness.HasExactCopy(mov)) << length;
    EXPECT_EQ(harness.state.filesOfType[kMid], 1) << length;
    EXPECT_EQ(harness.state.filesOfType[kMov], 1) << length;
  }
}

TEST(ChunkRules, AChunkHeadInTheLastTracksLastBytesStillEndsTheMidiFile) {
  Harness harness("midi-tail-head");
  // One track announced to run to the end of the second sector, with a further chunk head in
  // its last 7 bytes: the file ends before that head.
  Bytes midi = Concat(Concat(Concat(TextBytes("MThd"), Be32Bytes(6)), Bytes{0, 0, 0, 1, 0, 96}),
                      Concat(Concat(TextBytes("MTrk"), Be32Bytes(1024 - 22)), Filler(1024 - 22, 5)));
  std::copy_n("MTrk", 4, midi.begin() + 1018);
  Card card;
  card.Put(0, midi).Put(2, Closer()).Ensure(4);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(Bytes(midi.begin(), midi.begin() + 1018)));
}

TEST(ChunkRules, AnAtomHeadCutBySectorsEndIsReadWholeFromTheNext) {
  // An mdat whose end leaves the next atom's head across the sector boundary: 4, 7 bytes of its
  // 8, and 12 bytes of a 16-byte head with a 64-bit size.
  for (const std::size_t headAt : {508u, 505u, 500u}) {
    Harness harness("atom-cut-" + std::to_string(headAt));
    const bool wide = headAt == 500;
    Bytes mov = Concat(Concat(Be32Bytes(static_cast<std::uint32_t>(headAt)), TextBytes("mdat")), Filler(headAt - 8, 3));
    if (wide)
      mov = Concat(Concat(mov, Concat(Be32Bytes(1), TextBytes("moov"))), Concat(Be32Bytes(0), Be32Bytes(300)));
    else
      mov = Concat(mov, Concat(Be32Bytes(300), TextBytes("moov")));
    mov = Concat(mov, Filler(wide ? 300 - 16 : 300 - 8, 4));
    Card card;
    card.Put(0, mov).Put(3, Closer()).Ensure(5);
    harness.ScanMemory(card.image, harness.Settings());
    EXPECT_TRUE(harness.HasExactCopy(mov)) << headAt;
    EXPECT_EQ(harness.state.filesOfType[kMov], 1) << headAt;
  }
}

TEST(ChunkRules, ACrwDirectorySpillingIntoTheNextUnitIsCompleted) {
  Harness harness("crw");
  Bytes crw = Concat(Concat(TextBytes("II"), Le32Bytes(26)), TextBytes("HEAPCCDR"));
  crw = Concat(crw, Filler(12 + 1000 - 14 + 480, 1));
  crw.resize(1024 + 500);
  // Count at 1522, the 0x2005 record at 1524 (unit 2, position 500), 3 records and the value.
  const std::size_t at = 1522;
  crw.resize(at);
  crw = Concat(crw, Bytes{3, 0, 0x05, 0x20});
  crw = Concat(Concat(crw, Le32Bytes(800)), Le32Bytes(0));
  for (int r = 0; r < 2; ++r) crw = Concat(Concat(Concat(crw, Bytes{0x07, 0x30}), Le32Bytes(10)), Le32Bytes(900));
  crw = Concat(crw, Le32Bytes(1000));
  Card card;
  card.Put(0, crw).Put(4, Filler(512, 5)).Ensure(5);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(crw));
}

TEST(EndMarkerRules, EachFormatEndsByItsOwnMarker) {
  Harness harness("markers");
  const Bytes zipEnd = Concat(Concat(Bytes{0x50, 0x4B, 0x05, 0x06}, Bytes(16, 0)), Bytes{5, 0});
  const Bytes zip = Concat(Concat(Header("PK\x03\x04", 700, 1), zipEnd), TextBytes("note!"));  // a comment is left out
  const Bytes png = Concat(Header("\x89PNG", 600, 2), Concat(TextBytes("IEND"), Bytes{0xAE, 0x42, 0x60, 0x82}));
  const Bytes badPng = Concat(Header("\x89PNG", 300, 3), Concat(TextBytes("IEND"), Bytes{0xAE, 0x42, 0x60, 0x83}));
  const Bytes asx = Concat(Header("<ASX", 300, 4), TextBytes("</Asx>"));
  const Bytes onePdf = Concat(Header("%PDF-1.3", 300, 5), TextBytes("%%EOF\r"));
  const Bytes lfPdf = Concat(Header("%PDF-1.3", 300, 6), TextBytes("%%EOF\n"));
  const Bytes rtf = Concat(Concat(Header("{\\rtf1", 200, 7), TextBytes("\\par } more")),
                           Concat(Filler(100, 8), TextBytes("\\par }}")));
  Card card;
  card.Put(0, zip)
      .Put(3, png)
      .Put(6, badPng)
      .Put(8, asx)
      .Put(10, onePdf)
      .Put(12, Closer())
      .Put(13, lfPdf)
      .Put(15, Closer())
      .Put(16, rtf)
      .Ensure(18);
  harness.ScanMemory(card.image, harness.Settings());
  EXPECT_TRUE(harness.HasExactCopy(Bytes(zip.begin(), zip.end() - 5)));
  EXPECT_TRUE(harness.HasExactCopy(png));
  EXPECT_TRUE(harness.HasExactCopy(rtf));
  const auto outputs = harness.Outputs();
  EXPECT_EQ(harness.state.filesOfType[kPng], 1);  // the wrong CRC never ended the second
  EXPECT_EQ(harness.state.filesOfType[kAsx], 0);  // mixed case is no end
  ASSERT_EQ(harness.state.filesOfType[kPdf], 1);  // one marker: kept up to the next header
  EXPECT_EQ(outputs.at("00001.PDF").size(), 1024u);
}

TEST(OleRules, TheLengthComesFromTheLastFatSectorAndTheClassNamesTheFile) {
  Harness harness("ole");
  Bytes header(512, 0);
  const Bytes signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(signature.begin(), signature.end(), header.begin());
  const auto put = [](Bytes& b, std::size_t at, std::uint32_t v) {
    std::copy_n(Le32Bytes(v).begin(), 4, b.begin() + static_cast<long>(at));
  };
  put(header, 44, 1);
  put(header, 68, 0xFFFFFFFE);
  for (std::size_t at = 76; at < 512; at += 4) put(header, at, 0xFFFFFFFF);
  put(header, 76, 0);
  Bytes fat(512, 0xFF);
  for (std::uint32_t e = 0; e <= 40; ++e) put(fat, 4 * e, e + 1);
  Bytes body = Concat(TextBytes("Microsoft Word document"), Filler(512 * 40 - 23, 1));
  const Bytes document = Concat(Concat(header, fat), body);
  ASSERT_EQ(document.size(), 512u * 42u);
  Card card;
  card.Put(0, document).Put(43, Filler(512, 2)).Ensure(44);
  harness.ScanMemory(card.image, harness.Settings());
  ASSERT_TRUE(harness.Outputs().count("00001.DOC"));
  EXPECT_EQ(harness.Outputs().at("00001.DOC"), document);
  EXPECT_EQ(harness.state.filesOfType[kDoc], 1);
  EXPECT_EQ(harness.state.filesOfType[kPpt], 0);

  Harness onlyPpt("ole-ppt");
  onlyPpt.ScanMemory(card.image, onlyPpt.Settings(TypeBit(kPpt)));
  EXPECT_TRUE(onlyPpt.Outputs().empty());
  EXPECT_EQ(onlyPpt.state.recoveredCount, 0);
}

TEST(Naming, NumbersFollowTheHighestInTheFolderAndADeletedFileFreesItsNumber) {
  Harness harness("naming");
  std::filesystem::create_directories(harness.output);
  WriteFile((harness.output / "00007.JPG").string(), {1});
  WriteFile((harness.output / "00012.JPG").string(), {2});
  WriteFile((harness.output / "photo.JPG").string(), {3});
  std::string name;
  int first = 0;
  EXPECT_EQ(NextNumberedName(harness.Settings().outputFolder, "", "JPG", name, first), 1);
  EXPECT_EQ(name, "00013.JPG");
  EXPECT_EQ(first, 13);
  first = 0;
  EXPECT_EQ(NextNumberedName(harness.Settings().outputFolder, "", "GIF", name, first), 0);
  EXPECT_EQ(name, "00001.GIF");

  Harness run("naming-run");
  Card card;
  // A GIF without an end marker is deleted; the next GIF takes its number.
  card.Put(0, Header("GIF89a", 600, 1))
      .Put(3, Concat(Header("GIF89a", 300, 2), Bytes{0x00, 0x3B}))
      .Put(5, Closer())
      .Ensure(7);
  run.ScanMemory(card.image, run.Settings());
  EXPECT_EQ(run.Outputs().size(), 1u);
  EXPECT_TRUE(run.Outputs().count("00001.GIF"));
}

TEST(Thumbnails, PicturesArePlacedCentredInTheirSquare) {
  const Thumbnail thin = PlaceThumbnail(20, 200);
  EXPECT_EQ(thin.width, 32);
  EXPECT_EQ(thin.height, 80);
  EXPECT_EQ(thin.left, 24);
  EXPECT_EQ(thin.top, 0);
}

// The square a run with thumbnails on makes of the file; the placeholder when none was made.
Thumbnail ThumbnailOf(Harness& harness, const std::string& path, int code) {
  RecoverySettings settings = harness.Settings();
  settings.showThumbnails = true;
  harness.state.BeginRun(settings, &harness.observer, nullptr);
  AddRecoveryThumbnail(harness.state, path, PictureKind(code));
  EXPECT_EQ(harness.observer.thumbnails.size(), 1u);
  return harness.observer.thumbnails.empty() ? Thumbnail{} : harness.observer.thumbnails[0];
}

TEST(Thumbnails, ThePictureComesWithItsPixelsStretchedIntoItsPlace) {
  // A 2 x 2 bitmap of 24-bit pixels, rows from the bottom: a blue row under a red one.
  const Bytes blueRow{0xFF, 0, 0, 0xFF, 0, 0, 0, 0}, redRow{0, 0, 0xFF, 0, 0, 0xFF, 0, 0};
  Bytes info = Concat(Concat(Le32Bytes(40), Le32Bytes(2)), Le32Bytes(2));
  info = Concat(Concat(info, Bytes{1, 0, 24, 0}), Bytes(24, 0));
  Bytes bmp = Concat(Concat(TextBytes("BM"), Le32Bytes(14 + 40 + 16)), Concat(Bytes(4, 0), Le32Bytes(54)));
  bmp = Concat(Concat(bmp, info), Concat(blueRow, redRow));
  Harness harness("thumbnail-pixels");
  std::filesystem::create_directories(harness.output);
  const std::string path = (harness.output / "P.BMP").string();
  WriteFile(path, bmp);
  const Thumbnail shown = ThumbnailOf(harness, path, kBmp);
  ASSERT_FALSE(shown.placeholder);
  ASSERT_EQ(shown.pixels.size(), static_cast<std::size_t>(kThumbnailSide * kThumbnailSide));
  const auto at = [&](int x, int y) { return shown.pixels[static_cast<std::size_t>(y * kThumbnailSide + x)]; };
  EXPECT_EQ(at(shown.left, shown.top), 0xFF0000u) << "the top row is red";
  EXPECT_EQ(at(shown.left + shown.width - 1, shown.top + shown.height - 1), 0x0000FFu) << "the bottom row is blue";
  EXPECT_EQ(at(0, 0), 0u) << "outside the picture's place";
}

// A damaged photograph whose frame header claims 16000 x 16000 pixels: its square is made from
// a picture decoded at an eighth of that, within an image limit that the whole picture would pass.
TEST(Thumbnails, AHugePhotographIsNotDecodedWhole) {
  Harness harness("thumbnail-huge");
  std::filesystem::create_directories(harness.output);
  const std::string path = (harness.output / "HUGE.JPG").string();
  ASSERT_EQ(std::system(("convert -size 64x64 plasma:fractal -quality 60 'JPEG:" + path + "'").c_str()), 0);
  Bytes jpeg = ReadWholeFile(path);
  std::size_t frame = 2;
  while (frame + 9 < jpeg.size() && !(jpeg[frame] == 0xFF && jpeg[frame + 1] == 0xC0)) ++frame;
  ASSERT_LT(frame + 9, jpeg.size()) << "no baseline frame header";
  for (const std::size_t at : {frame + 5, frame + 7}) {
    jpeg[at] = 16000 >> 8;
    jpeg[at + 1] = 16000 & 0xFF;
  }
  WriteFile(path, jpeg);
  struct Limit {
    std::size_t before = imaging::ImageSizeLimit();
    Limit() { imaging::SetImageSizeLimit(std::size_t{64} << 20); }
    ~Limit() { imaging::SetImageSizeLimit(before); }
  } limit;
  const Thumbnail shown = ThumbnailOf(harness, path, kJpg);
  EXPECT_FALSE(shown.placeholder);
  EXPECT_EQ(shown.width, kThumbnailSide);
  EXPECT_EQ(shown.height, kThumbnailSide);
}

}  // namespace
}  // namespace recovery::test_support
