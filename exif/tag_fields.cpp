#include "exif/tag_fields.h"

#include "exif/include/viduvod.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace viduvod {
namespace {

using enum Rendering;

#define FIELD(name) \
  static_cast<std::uint16_t>(offsetof(ImageInfoRecord, name)), static_cast<std::uint16_t>(sizeof(ImageInfoRecord::name))

// Ascending by tag, so that a lookup is a binary search.
constexpr std::array kTagFields{
    TagField{1, FIELD(InteroperabilityIndex), ValueField},
    TagField{2, FIELD(InteroperabilityVersion), VersionBytes},
    TagField{254, FIELD(NewSubfileType), Number32},
    TagField{255, FIELD(SubfileType), Number32},
    TagField{256, FIELD(ImageWidth), Number32},
    TagField{257, FIELD(ImageLength), Number32},
    TagField{258, FIELD(BitsPerSample), SampleList},
    TagField{259, FIELD(Compression), Number16},
    TagField{262, FIELD(PhotometricInterpretation), Number16},
    TagField{270, FIELD(ImageDescription), Text},
    TagField{271, FIELD(Make), Text},
    TagField{272, FIELD(Model), Text},
    TagField{273, 0, 0, Nothing},  // StripOffsets
    TagField{274, FIELD(Orientation), Byte8In16},
    TagField{277, FIELD(SamplesPerPixel), Number16},
    TagField{278, 0, 0, Nothing},  // RowsPerStrip
    TagField{279, FIELD(StripByteCounts), Number32},
    TagField{282, FIELD(XResolution), RationalText},
    TagField{283, FIELD(YResolution), RationalText},
    TagField{284, FIELD(PlanarConfiguration), Number16},
    TagField{296, FIELD(ResolutionUnit), Byte8In16},
    TagField{301, FIELD(TransferFunction), Number16},
    TagField{305, FIELD(Software), Text},
    TagField{306, FIELD(DateTime), Text},
    TagField{315, FIELD(Artist), Text},
    TagField{317, FIELD(Predictor), Number16},
    TagField{318, FIELD(WhitePoint), RationalText},
    TagField{319, FIELD(PrimaryChromaticities), RationalText},
    TagField{322, FIELD(TileWidth), Number16},
    TagField{323, FIELD(TileLength), Number16},
    TagField{324, FIELD(TileOffsets), Number32},
    TagField{325, FIELD(TileByteCounts), Number16},
    TagField{330, FIELD(SubIFDs), Number32},
    TagField{513, FIELD(JPEGInterchangeFormat), Number32},
    TagField{514, FIELD(JPEGInterchangeFormatLength), Number32},
    TagField{529, 0, 0, Nothing},  // YCbCrCoefficients
    TagField{530, FIELD(YCbCrSubSampling), Byte8Pair},
    TagField{531, FIELD(YCbCrPositioning), Byte8In16},
    TagField{532, 0, 0, Nothing},  // ReferenceBlackWhite
    TagField{33421, FIELD(CFARepeatPatternDim), Byte8Pair},
    TagField{33422, FIELD(CFAPatternEP), Number32},
    TagField{33423, FIELD(BatteryLevel), RationalText},
    TagField{33432, FIELD(Copyright), Text},
    TagField{33434, FIELD(ExposureTime), RationalText},
    TagField{33437, FIELD(FNumber), RationalText},
    TagField{33723, 0, 0, Nothing},  // IPTC/NAA
    TagField{34665, FIELD(ExifIFDPointer), Number32},
    TagField{34675, FIELD(InterColorProfile), Number32},
    TagField{34850, FIELD(ExposureProgram), Number16},
    TagField{34852, FIELD(SpectralSensitivity), Text},
    TagField{34853, FIELD(GPSInfoIFDPointer), Number32},
    TagField{34855, FIELD(ISOSpeedRatings), Number16},
    TagField{34856, FIELD(OECF), Number32},
    TagField{34857, FIELD(Interlace), Byte8In16},
    TagField{34858, FIELD(TimeZoneOffset), Number16},
    TagField{34859, FIELD(SelfTimerMode), Number32},
    TagField{36864, FIELD(ExifVersion), VersionDigits},
    TagField{36867, FIELD(DateTimeOriginal), Text},
    TagField{36868, FIELD(DateTimeDigitized), Text},
    TagField{37121, FIELD(ComponentsConfiguration), VersionBytes},
    TagField{37122, FIELD(CompressedBitsPerPixel), RationalText},
    TagField{37377, FIELD(ShutterSpeedValue), RationalText},
    TagField{37378, FIELD(ApertureValue), RationalText},
    TagField{37379, FIELD(BrightnessValue), RationalText},
    TagField{37380, FIELD(ExposureBiasValue), RationalText},
    TagField{37381, FIELD(MaxApertureValue), RationalText},
    TagField{37382, FIELD(SubjectDistance), RationalText},
    TagField{37383, FIELD(MeteringMode), Number16},
    TagField{37384, FIELD(LightSource), Number16},
    TagField{37385, FIELD(Flash), Number16},
    TagField{37386, FIELD(FocalLength), RationalText},
    TagField{37387, FIELD(FlashEnergyEP), RationalText},
    TagField{37388, FIELD(SpatialFrequencyResponseEP), Number32},
    TagField{37393, FIELD(ImageNumber), Number32},
    TagField{37394, FIELD(SecurityClassification), FirstByte},
    TagField{37395, FIELD(ImageHistory), Text},
    TagField{37396, FIELD(SubjectArea), SubjectText},
    TagField{37397, FIELD(ExposureIndexEP), RationalText},
    TagField{37398, FIELD(TIFFEPStandardID), Number32},
    TagField{37500, 0, 0, Nothing},  // MakerNote
    TagField{37510, 0, 0, Nothing},  // UserComment
    TagField{37520, FIELD(SubSecTime), Text},
    TagField{37521, FIELD(SubSecTimeOriginal), Text},
    TagField{37522, FIELD(SubSecTimeDigitized), Text},
    TagField{40960, FIELD(FlashpixVersion), VersionDigits},
    TagField{40961, FIELD(ColorSpace), Byte8In16},
    TagField{40962, FIELD(PixelXDimension), Number32},
    TagField{40963, FIELD(PixelYDimension), Number32},
    TagField{40964, FIELD(RelatedSoundFile), Text},
    TagField{40965, FIELD(InteroperabilityIFDPointer), OffsetText},
    TagField{41483, FIELD(FlashEnergy), RationalText},
    TagField{41484, FIELD(SpatialFrequencyResponse), Number32},
    TagField{41486, FIELD(FocalPlaneXResolution), RationalText},
    TagField{41487, FIELD(FocalPlaneYResolution), RationalText},
    TagField{41488, FIELD(FocalPlaneResolutionUnit), Number16},
    TagField{41492, FIELD(SubjectLocation), SubjectText},
    TagField{41493, FIELD(ExposureIndex), RationalText},
    TagField{41728, FIELD(FileSource), Number32},
    TagField{41729, FIELD(SceneType), Number32},
    TagField{41730, FIELD(CFAPattern), Number32},
    TagField{41795, FIELD(Tag41795), Number16},
    TagField{41985, FIELD(CustomRendered), Number16},
    TagField{41986, FIELD(ExposureMode), Number16},
    TagField{41987, FIELD(WhiteBalance), Number16},
    TagField{41990, FIELD(SceneCaptureType), Number16},
    TagField{41991, FIELD(GainControl), Number16},
    TagField{41992, FIELD(Contrast), Number16},
    TagField{41993, FIELD(Saturation), Number16},
    TagField{41994, FIELD(Sharpness), Number16},
    TagField{41995, FIELD(DeviceSettingDescription), Number16},
};

#undef FIELD

constexpr bool TagsAscend() {
  for (std::size_t i = 1; i < kTagFields.size(); ++i) {
    if (kTagFields[i - 1].tag >= kTagFields[i].tag) return false;
  }
  return true;
}
static_assert(TagsAscend(), "the tag table must ascend for its binary search");

}  // namespace

const TagField* FindTagField(std::uint16_t tag) {
  const auto found = std::lower_bound(kTagFields.begin(), kTagFields.end(), tag,
                                      [](const TagField& field, std::uint16_t wanted) { return field.tag < wanted; });
  return found != kTagFields.end() && found->tag == tag ? &*found : nullptr;
}

std::span<const TagField> TagFields() { return kTagFields; }

}  // namespace viduvod
