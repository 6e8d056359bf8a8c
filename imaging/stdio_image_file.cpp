#include "imaging/stdio_image_file.h"

namespace imaging {

StdioImageFile::StdioImageFile(win::FILE* file) : file_(file), closeOnRelease_(file == nullptr) {}

StdioImageFile::~StdioImageFile() {
  if (file_ != nullptr && closeOnRelease_) win::fclose(file_);
}

bool StdioImageFile::Close() {
  if (file_ == nullptr || !closeOnRelease_) return true;
  const int result = win::fclose(file_);
  file_ = nullptr;
  return result == 0;
}

std::size_t StdioImageFile::Read(void* buffer, std::size_t size, std::size_t count) {
  return file_ == nullptr ? 0 : win::fread(buffer, size, count, file_);
}

std::size_t StdioImageFile::Write(const void* buffer, std::size_t size, std::size_t count) {
  return file_ == nullptr ? 0 : win::fwrite(buffer, size, count, file_);
}

bool StdioImageFile::Seek(std::int32_t offset, int origin) {
  return file_ != nullptr && win::fseek(file_, offset, origin) == 0;
}

std::int32_t StdioImageFile::Tell() { return file_ == nullptr ? 0 : static_cast<std::int32_t>(win::ftell(file_)); }

std::int32_t StdioImageFile::Size() {
  if (file_ == nullptr) return -1;
  const long position = win::ftell(file_);
  win::fseek(file_, 0, win::CRT_SEEK_END);
  const long size = win::ftell(file_);
  win::fseek(file_, position, win::CRT_SEEK_SET);
  return static_cast<std::int32_t>(size);
}

bool StdioImageFile::Flush() { return file_ != nullptr && win::fflush(file_) == 0; }

bool StdioImageFile::Eof() { return file_ == nullptr || win::feof(file_) != 0; }

std::int32_t StdioImageFile::Error() { return file_ == nullptr ? -1 : win::ferror(file_); }

bool StdioImageFile::PutC(int value) { return file_ != nullptr && win::fputc(value & 0xFF, file_) == (value & 0xFF); }

std::int32_t StdioImageFile::GetC() { return file_ == nullptr ? -1 : win::fgetc(file_); }

}  // namespace imaging
