// An ImageFile over a runtime file stream on a Windows path. A stream handed an open FILE never
// closes it; whoever opened the FILE closes it.
#pragma once

#include "imaging/image_file.h"
#include "platform/win/files/crt_files.h"

namespace imaging {

class StdioImageFile final : public ImageFile {
 public:
  explicit StdioImageFile(win::FILE* file = nullptr);
  ~StdioImageFile() override;
  StdioImageFile(const StdioImageFile&) = delete;
  StdioImageFile& operator=(const StdioImageFile&) = delete;

  bool Close() override;
  std::size_t Read(void* buffer, std::size_t size, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
  bool Seek(std::int32_t offset, int origin) override;
  std::int32_t Tell() override;
  std::int32_t Size() override;
  bool Flush() override;
  bool Eof() override;
  std::int32_t Error() override;
  bool PutC(int value) override;
  std::int32_t GetC() override;

 private:
  win::FILE* file_;
  bool closeOnRelease_;
};

}  // namespace imaging
