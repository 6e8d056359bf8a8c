#include "exif/ifd_walk.h"

#include "exif/ifd_entry.h"
#include "exif/tag_fields.h"
#include "exif/tag_renderings.h"

#include <exception>
#include <optional>
#include <string>
#include <unordered_set>

namespace viduvod {
namespace {

constexpr std::uint16_t kTagThumbnailOffset = 513;
constexpr std::uint16_t kTagThumbnailLength = 514;
constexpr std::uint16_t kTagExifIfdPointer = 34665;
constexpr std::uint64_t kIfd0OffsetPosition = 4;

constexpr const char* kChainEntryFailed = "\nException occurred\n";
constexpr const char* kExifEntryFailed = "\nException occurred....\n";
constexpr const char* kThumbnailFailed = "Exception occurred.... TG_ID514";

class IfdWalker {
 public:
  IfdWalker(const TiffData& data, ImageInfo& info) : data_(data), info_(info) {}

  void WalkChain(std::uint32_t ifd0) {
    std::uint64_t position = ifd0;
    while (walked_.insert(position).second) {
      const auto next = WalkIfd(position, kChainEntryFailed);
      if (!next || *next == 0) return;
      position = *next;
    }
  }

  // The Exif IFD's own link to a further IFD is not followed.
  void WalkExifIfd() {
    if (exifIfd_ && walked_.insert(*exifIfd_).second) WalkIfd(*exifIfd_, kExifEntryFailed);
  }

 private:
  // Formats each entry of the IFD at position and answers its link to the next IFD; nullopt
  // when the IFD runs past the data.
  std::optional<std::uint32_t> WalkIfd(std::uint64_t position, const char* failure) {
    const auto count = data_.U16(position);
    if (!count) {
      info_.output += failure;
      return std::nullopt;
    }
    for (std::uint64_t index = 0; index < *count; ++index) {
      const auto bytes = data_.Bytes(position + 2 + kIfdEntrySize * index, kIfdEntrySize);
      if (!bytes) {
        info_.output += failure;
        return std::nullopt;
      }
      try {
        FormatImageTag(DecodeIfdEntry(*bytes, data_.Order()));
      } catch (const std::exception&) {
        info_.output += failure;
      }
    }
    return data_.U32(position + 2 + kIfdEntrySize * *count);
  }

  void FormatImageTag(const IfdEntry& entry) {
    const TagField* field = FindTagField(entry.tag);
    if (field == nullptr) {
      info_.output += "Unhandled tag no:" + std::to_string(entry.tag);
      return;
    }
    RenderTag(field->rendering, entry, data_, std::span(info_.record).subspan(field->offset, field->width));
    switch (entry.tag) {
      case kTagExifIfdPointer: exifIfd_ = Number32(entry, data_.Order()); break;
      case kTagThumbnailOffset: thumbnailOffset_ = Number32(entry, data_.Order()); break;
      case kTagThumbnailLength: TakeThumbnail(Number32(entry, data_.Order())); break;
      default: break;
    }
  }

  // A length met before any offset would take the TIFF header for the thumbnail.
  void TakeThumbnail(std::uint32_t length) {
    const auto bytes = thumbnailOffset_ ? data_.Bytes(*thumbnailOffset_, length) : std::nullopt;
    if (bytes) {
      info_.thumbnail = {Thumbnail::State::Found, *bytes};
    } else {
      info_.thumbnail = {Thumbnail::State::Unreadable, {}};
      info_.output += kThumbnailFailed;
    }
  }

  const TiffData& data_;
  ImageInfo& info_;
  std::unordered_set<std::uint64_t> walked_;
  std::optional<std::uint32_t> exifIfd_;
  std::optional<std::uint32_t> thumbnailOffset_;
};

}  // namespace

ImageInfo WalkImageIfds(const TiffData& data) {
  ImageInfo info;
  const auto ifd0 = data.U32(kIfd0OffsetPosition);
  if (!ifd0) return info;
  info.walked = true;
  IfdWalker walker(data, info);
  walker.WalkChain(*ifd0);
  walker.WalkExifIfd();
  return info;
}

}  // namespace viduvod
