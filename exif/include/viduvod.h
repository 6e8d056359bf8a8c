/* Viduvod: reads the EXIF tags and the embedded thumbnail of Exif JPEG files and of
 * TIFF-structured camera RAW files for programs outside Tarnlok.
 *
 * Viduvod_GetImageInfo(path, out) answers 1 when the file was recognised and its image file
 * directories were walked; *out then holds the whole record. It answers 0 otherwise and leaves
 * *out untouched. The path is a host path ("/home/...") or a Windows path ("Z:\home\...").
 * When the file has a JPEG thumbnail, it is written to PREVIEW.JPG in the folder that the key
 * DefDir of section DefDir in TLKLCALL.INI (Windows folder) names.
 *
 * The record is packed; numbers are little-endian; texts are 8-bit characters, zero-filled to
 * the field's width and not zero-terminated when they fill it. Fields whose tag the file lacks
 * are 0. Rational texts hold "num/den" for each value joined without a separator; version
 * texts hold "[a.b.c.d]". Fields named ...EP come from the TIFF/EP tag, the others of the same
 * name from the Exif tag. */
#ifndef VIDUVOD_H
#define VIDUVOD_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#define VIDUVOD_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define VIDUVOD_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

#pragma pack(push, 1)
typedef struct ImageInfoRecord {
  char InteroperabilityIndex[25]; /* tag 1, the four value bytes */
  char InteroperabilityVersion[25]; /* tag 2, "[a.b.c.d]" of the bytes */
  char ImageDescription[25]; /* tag 270 */
  char Make[25]; /* tag 271 */
  char Model[25]; /* tag 272 */
  char Software[25]; /* tag 305 */
  char Copyright[25]; /* tag 33432 */
  char DateTime[25]; /* tag 306 */
  char DateTimeOriginal[25]; /* tag 36867 */
  char DateTimeDigitized[25]; /* tag 36868 */
  char SubSecTime[25]; /* tag 37520 */
  char SubSecTimeOriginal[25]; /* tag 37521 */
  char SubSecTimeDigitized[25]; /* tag 37522 */
  char Artist[25]; /* tag 315 */
  char SpectralSensitivity[20]; /* tag 34852 */
  char ImageHistory[25]; /* tag 37395 */
  char RelatedSoundFile[25]; /* tag 40964 */
  uint32_t FileSource; /* tag 41728 */
  uint32_t SceneType; /* tag 41729 */
  uint32_t SubfileType; /* tag 255 */
  char BitsPerSample[10]; /* tag 258, "8,8,8" */
  uint32_t StripByteCounts; /* tag 279 */
  uint16_t TransferFunction; /* tag 301 */
  uint16_t Predictor; /* tag 317 */
  uint16_t TileWidth; /* tag 322 */
  uint16_t TileLength; /* tag 323 */
  uint32_t TileOffsets; /* tag 324 */
  uint16_t TileByteCounts; /* tag 325 */
  uint32_t SubIFDs; /* tag 330 */
  uint32_t JPEGInterchangeFormat; /* tag 513 */
  uint32_t JPEGInterchangeFormatLength; /* tag 514 */
  uint32_t CFAPatternEP; /* tag 33422 */
  uint32_t InterColorProfile; /* tag 34675 */
  uint32_t OECF; /* tag 34856 */
  uint32_t SelfTimerMode; /* tag 34859 */
  uint32_t SpatialFrequencyResponseEP; /* tag 37388 */
  uint32_t ImageNumber; /* tag 37393 */
  uint32_t TIFFEPStandardID; /* tag 37398 */
  uint32_t PixelXDimension; /* tag 40962 */
  uint32_t PixelYDimension; /* tag 40963 */
  uint32_t SpatialFrequencyResponse; /* tag 41484 */
  uint32_t CFAPattern; /* tag 41730 */
  char FlashpixVersion[10]; /* tag 40960, "[0.1.0.0]" */
  uint16_t ColorSpace; /* tag 40961, low 8 bits */
  char InteroperabilityIFDPointer[18]; /* tag 40965, "[a.b.c.d]" of the offset */
  uint32_t ExifIFDPointer; /* tag 34665 */
  uint32_t GPSInfoIFDPointer; /* tag 34853 */
  uint16_t ISOSpeedRatings; /* tag 34855 */
  uint16_t TimeZoneOffset; /* tag 34858 */
  char SubjectArea[50]; /* tag 37396 */
  char SubjectLocation[100]; /* tag 41492 */
  uint16_t Compression; /* tag 259 */
  uint16_t PhotometricInterpretation; /* tag 262 */
  uint16_t SamplesPerPixel; /* tag 277 */
  uint16_t ExposureProgram; /* tag 34850 */
  uint16_t MeteringMode; /* tag 37383 */
  uint16_t LightSource; /* tag 37384 */
  uint16_t Flash; /* tag 37385 */
  uint16_t FocalPlaneResolutionUnit; /* tag 41488 */
  uint16_t Tag41795; /* tag 41795, no published name */
  uint32_t NewSubfileType; /* tag 254 */
  uint16_t PlanarConfiguration; /* tag 284 */
  char XResolution[10]; /* tag 282 */
  char YResolution[10]; /* tag 283 */
  char WhitePoint[10]; /* tag 318 */
  char PrimaryChromaticities[10]; /* tag 319 */
  uint8_t Reserved1[20]; /* always 0 */
  char BatteryLevel[10]; /* tag 33423 */
  char ExposureTime[10]; /* tag 33434 */
  char FNumber[10]; /* tag 33437 */
  char CompressedBitsPerPixel[10]; /* tag 37122 */
  char ShutterSpeedValue[10]; /* tag 37377 */
  char ApertureValue[10]; /* tag 37378 */
  char BrightnessValue[10]; /* tag 37379 */
  char ExposureBiasValue[10]; /* tag 37380 */
  char MaxApertureValue[10]; /* tag 37381 */
  char SubjectDistance[10]; /* tag 37382 */
  char FocalLength[10]; /* tag 37386 */
  char FlashEnergyEP[10]; /* tag 37387 */
  char ExposureIndexEP[10]; /* tag 37397 */
  char FlashEnergy[10]; /* tag 41483 */
  char FocalPlaneXResolution[10]; /* tag 41486 */
  char FocalPlaneYResolution[10]; /* tag 41487 */
  char ExposureIndex[10]; /* tag 41493 */
  uint8_t Reserved2[4]; /* always 0 */
  uint32_t ImageWidth; /* tag 256 */
  uint32_t ImageLength; /* tag 257 */
  uint16_t Orientation; /* tag 274, low 8 bits */
  uint16_t ResolutionUnit; /* tag 296, low 8 bits */
  uint16_t YCbCrSubSampling[2]; /* tag 530, low 8 bits of each value */
  uint16_t YCbCrPositioning; /* tag 531, low 8 bits */
  uint16_t CFARepeatPatternDim[2]; /* tag 33421, low 8 bits of each value */
  uint16_t Interlace; /* tag 34857, low 8 bits */
  char ExifVersion[20]; /* tag 36864, "[0.2.2.1]" */
  char ComponentsConfiguration[10]; /* tag 37121, "[1.2.3.0]" */
  char SecurityClassification; /* tag 37394, first byte */
  uint16_t CustomRendered; /* tag 41985 */
  uint16_t ExposureMode; /* tag 41986 */
  uint16_t WhiteBalance; /* tag 41987 */
  uint16_t SceneCaptureType; /* tag 41990 */
  uint16_t GainControl; /* tag 41991 */
  uint16_t Contrast; /* tag 41992 */
  uint16_t Saturation; /* tag 41993 */
  uint16_t Sharpness; /* tag 41994 */
  uint16_t DeviceSettingDescription; /* tag 41995 */
} ImageInfoRecord;
#pragma pack(pop)

#define VIDUVOD_FIELD_AT(field, offset) \
  VIDUVOD_STATIC_ASSERT(offsetof(ImageInfoRecord, field) == (offset), "ImageInfoRecord." #field " moved")
VIDUVOD_STATIC_ASSERT(sizeof(ImageInfoRecord) == 1039, "ImageInfoRecord is 1039 bytes");
VIDUVOD_FIELD_AT(InteroperabilityVersion, 0x019);
VIDUVOD_FIELD_AT(ImageDescription, 0x032);
VIDUVOD_FIELD_AT(Make, 0x04B);
VIDUVOD_FIELD_AT(Model, 0x064);
VIDUVOD_FIELD_AT(Software, 0x07D);
VIDUVOD_FIELD_AT(Copyright, 0x096);
VIDUVOD_FIELD_AT(DateTime, 0x0AF);
VIDUVOD_FIELD_AT(DateTimeOriginal, 0x0C8);
VIDUVOD_FIELD_AT(DateTimeDigitized, 0x0E1);
VIDUVOD_FIELD_AT(SubSecTime, 0x0FA);
VIDUVOD_FIELD_AT(SubSecTimeOriginal, 0x113);
VIDUVOD_FIELD_AT(SubSecTimeDigitized, 0x12C);
VIDUVOD_FIELD_AT(Artist, 0x145);
VIDUVOD_FIELD_AT(SpectralSensitivity, 0x15E);
VIDUVOD_FIELD_AT(ImageHistory, 0x172);
VIDUVOD_FIELD_AT(RelatedSoundFile, 0x18B);
VIDUVOD_FIELD_AT(FileSource, 0x1A4);
VIDUVOD_FIELD_AT(SceneType, 0x1A8);
VIDUVOD_FIELD_AT(SubfileType, 0x1AC);
VIDUVOD_FIELD_AT(BitsPerSample, 0x1B0);
VIDUVOD_FIELD_AT(StripByteCounts, 0x1BA);
VIDUVOD_FIELD_AT(TransferFunction, 0x1BE);
VIDUVOD_FIELD_AT(Predictor, 0x1C0);
VIDUVOD_FIELD_AT(TileWidth, 0x1C2);
VIDUVOD_FIELD_AT(TileLength, 0x1C4);
VIDUVOD_FIELD_AT(TileOffsets, 0x1C6);
VIDUVOD_FIELD_AT(TileByteCounts, 0x1CA);
VIDUVOD_FIELD_AT(SubIFDs, 0x1CC);
VIDUVOD_FIELD_AT(JPEGInterchangeFormat, 0x1D0);
VIDUVOD_FIELD_AT(JPEGInterchangeFormatLength, 0x1D4);
VIDUVOD_FIELD_AT(CFAPatternEP, 0x1D8);
VIDUVOD_FIELD_AT(InterColorProfile, 0x1DC);
VIDUVOD_FIELD_AT(OECF, 0x1E0);
VIDUVOD_FIELD_AT(SelfTimerMode, 0x1E4);
VIDUVOD_FIELD_AT(SpatialFrequencyResponseEP, 0x1E8);
VIDUVOD_FIELD_AT(ImageNumber, 0x1EC);
VIDUVOD_FIELD_AT(TIFFEPStandardID, 0x1F0);
VIDUVOD_FIELD_AT(PixelXDimension, 0x1F4);
VIDUVOD_FIELD_AT(PixelYDimension, 0x1F8);
VIDUVOD_FIELD_AT(SpatialFrequencyResponse, 0x1FC);
VIDUVOD_FIELD_AT(CFAPattern, 0x200);
VIDUVOD_FIELD_AT(FlashpixVersion, 0x204);
VIDUVOD_FIELD_AT(ColorSpace, 0x20E);
VIDUVOD_FIELD_AT(InteroperabilityIFDPointer, 0x210);
VIDUVOD_FIELD_AT(ExifIFDPointer, 0x222);
VIDUVOD_FIELD_AT(GPSInfoIFDPointer, 0x226);
VIDUVOD_FIELD_AT(ISOSpeedRatings, 0x22A);
VIDUVOD_FIELD_AT(TimeZoneOffset, 0x22C);
VIDUVOD_FIELD_AT(SubjectArea, 0x22E);
VIDUVOD_FIELD_AT(SubjectLocation, 0x260);
VIDUVOD_FIELD_AT(Compression, 0x2C4);
VIDUVOD_FIELD_AT(PhotometricInterpretation, 0x2C6);
VIDUVOD_FIELD_AT(SamplesPerPixel, 0x2C8);
VIDUVOD_FIELD_AT(ExposureProgram, 0x2CA);
VIDUVOD_FIELD_AT(MeteringMode, 0x2CC);
VIDUVOD_FIELD_AT(LightSource, 0x2CE);
VIDUVOD_FIELD_AT(Flash, 0x2D0);
VIDUVOD_FIELD_AT(FocalPlaneResolutionUnit, 0x2D2);
VIDUVOD_FIELD_AT(Tag41795, 0x2D4);
VIDUVOD_FIELD_AT(NewSubfileType, 0x2D6);
VIDUVOD_FIELD_AT(PlanarConfiguration, 0x2DA);
VIDUVOD_FIELD_AT(XResolution, 0x2DC);
VIDUVOD_FIELD_AT(YResolution, 0x2E6);
VIDUVOD_FIELD_AT(WhitePoint, 0x2F0);
VIDUVOD_FIELD_AT(PrimaryChromaticities, 0x2FA);
VIDUVOD_FIELD_AT(Reserved1, 0x304);
VIDUVOD_FIELD_AT(BatteryLevel, 0x318);
VIDUVOD_FIELD_AT(ExposureTime, 0x322);
VIDUVOD_FIELD_AT(FNumber, 0x32C);
VIDUVOD_FIELD_AT(CompressedBitsPerPixel, 0x336);
VIDUVOD_FIELD_AT(ShutterSpeedValue, 0x340);
VIDUVOD_FIELD_AT(ApertureValue, 0x34A);
VIDUVOD_FIELD_AT(BrightnessValue, 0x354);
VIDUVOD_FIELD_AT(ExposureBiasValue, 0x35E);
VIDUVOD_FIELD_AT(MaxApertureValue, 0x368);
VIDUVOD_FIELD_AT(SubjectDistance, 0x372);
VIDUVOD_FIELD_AT(FocalLength, 0x37C);
VIDUVOD_FIELD_AT(FlashEnergyEP, 0x386);
VIDUVOD_FIELD_AT(ExposureIndexEP, 0x390);
VIDUVOD_FIELD_AT(FlashEnergy, 0x39A);
VIDUVOD_FIELD_AT(FocalPlaneXResolution, 0x3A4);
VIDUVOD_FIELD_AT(FocalPlaneYResolution, 0x3AE);
VIDUVOD_FIELD_AT(ExposureIndex, 0x3B8);
VIDUVOD_FIELD_AT(Reserved2, 0x3C2);
VIDUVOD_FIELD_AT(ImageWidth, 0x3C6);
VIDUVOD_FIELD_AT(ImageLength, 0x3CA);
VIDUVOD_FIELD_AT(Orientation, 0x3CE);
VIDUVOD_FIELD_AT(ResolutionUnit, 0x3D0);
VIDUVOD_FIELD_AT(YCbCrSubSampling, 0x3D2);
VIDUVOD_FIELD_AT(YCbCrPositioning, 0x3D6);
VIDUVOD_FIELD_AT(CFARepeatPatternDim, 0x3D8);
VIDUVOD_FIELD_AT(Interlace, 0x3DC);
VIDUVOD_FIELD_AT(ExifVersion, 0x3DE);
VIDUVOD_FIELD_AT(ComponentsConfiguration, 0x3F2);
VIDUVOD_FIELD_AT(SecurityClassification, 0x3FC);
VIDUVOD_FIELD_AT(CustomRendered, 0x3FD);
VIDUVOD_FIELD_AT(ExposureMode, 0x3FF);
VIDUVOD_FIELD_AT(WhiteBalance, 0x401);
VIDUVOD_FIELD_AT(SceneCaptureType, 0x403);
VIDUVOD_FIELD_AT(GainControl, 0x405);
VIDUVOD_FIELD_AT(Contrast, 0x407);
VIDUVOD_FIELD_AT(Saturation, 0x409);
VIDUVOD_FIELD_AT(Sharpness, 0x40B);
VIDUVOD_FIELD_AT(DeviceSettingDescription, 0x40D);
#undef VIDUVOD_FIELD_AT

#if defined(VIDUVOD_BUILDING)
#define VIDUVOD_API __attribute__((visibility("default")))
#else
#define VIDUVOD_API
#endif

/* Reads the image at path into *out: 1 when the file was recognised and walked, else 0. */
VIDUVOD_API uint32_t Viduvod_GetImageInfo(const char* path, ImageInfoRecord* out);

#ifdef __cplusplus
}
#endif
#undef VIDUVOD_STATIC_ASSERT

#endif /* VIDUVOD_H */
