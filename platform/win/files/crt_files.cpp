// Not provided: the runtime's other stream functions (ungetc, setvbuf, tmpfile, freopen) and
// fflush(NULL), which fails instead of flushing every stream.
#include "platform/win/files/crt_files.h"

#include "platform/win/files/crt_stream.h"
#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace win {
namespace {

struct OpenMode {
  CrtStream::Mode stream;
  DWORD access;
  DWORD disposition;
};

struct ModeLetter {
  char letter;
  OpenMode mode;
};

constexpr std::array kModeLetters{
    ModeLetter{'r', {{true, false, false}, GENERIC_READ, OPEN_EXISTING}},
    ModeLetter{'w', {{false, true, false}, GENERIC_WRITE, CREATE_ALWAYS}},
    ModeLetter{'a', {{false, true, true}, GENERIC_WRITE, OPEN_ALWAYS}},
};

// "r", "w" or "a", then any of "+", "b" and "t"; "+" opens for reading and writing.
std::optional<OpenMode> ParseMode(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const auto* letter = std::find_if(kModeLetters.begin(), kModeLetters.end(),
                                    [&text](const ModeLetter& entry) { return entry.letter == text.front(); });
  if (letter == kModeLetters.end()) return std::nullopt;
  OpenMode mode = letter->mode;
  for (char flag : text.substr(1)) {
    if (flag == '+') {
      mode.stream.read = mode.stream.write = true;
      mode.access = GENERIC_READ | GENERIC_WRITE;
    } else if (flag != 'b' && flag != 't') {
      return std::nullopt;
    }
  }
  return mode;
}

struct Origin {
  int crt;
  DWORD win32;
};

constexpr std::array kOrigins{Origin{CRT_SEEK_SET, FILE_BEGIN}, Origin{CRT_SEEK_CUR, FILE_CURRENT},
                              Origin{CRT_SEEK_END, FILE_END}};

// The bytes of count items of size, or nullopt when that overflows.
std::optional<std::size_t> ItemBytes(std::size_t size, std::size_t count) {
  if (size != 0 && count > SIZE_MAX / size) return std::nullopt;
  return size * count;
}

}  // namespace

FILE* fopen(const char* path, const char* mode) {
  const auto parsed = (path == nullptr || mode == nullptr) ? std::nullopt : ParseMode(mode);
  if (!parsed) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HANDLE file = CreateFileA(path, parsed->access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, parsed->disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return new CrtStream(file, parsed->stream);
}

int fclose(FILE* stream) {
  if (stream == nullptr) return CRT_EOF;
  const bool closed = stream->Close();
  delete stream;
  return closed ? 0 : CRT_EOF;
}

std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream) {
  const auto bytes = ItemBytes(size, count);
  if (stream == nullptr || buffer == nullptr || !bytes || *bytes == 0) return 0;
  return stream->Read(buffer, *bytes) / size;
}

std::size_t fwrite(const void* data, std::size_t size, std::size_t count, FILE* stream) {
  const auto bytes = ItemBytes(size, count);
  if (stream == nullptr || data == nullptr || !bytes || *bytes == 0) return 0;
  return stream->Write(data, *bytes) / size;
}

int fseek(FILE* stream, long offset, int origin) {
  const auto* found =
      std::find_if(kOrigins.begin(), kOrigins.end(), [origin](const Origin& entry) { return entry.crt == origin; });
  if (stream == nullptr || found == kOrigins.end()) return -1;
  return stream->Seek(offset, found->win32) ? 0 : -1;
}

long ftell(FILE* stream) {
  if (stream == nullptr) return -1;
  const ULONGLONG position = stream->Tell();
  return position > static_cast<ULONGLONG>(LONG_MAX) ? -1L : static_cast<long>(position);
}

void rewind(FILE* stream) {
  if (stream == nullptr) return;
  stream->Seek(0, FILE_BEGIN);
  stream->ClearFlags();
}

int fflush(FILE* stream) {
  if (stream == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return CRT_EOF;
  }
  return stream->Flush() ? 0 : CRT_EOF;
}

int feof(FILE* stream) { return stream != nullptr && stream->AtEnd() ? 1 : 0; }

int ferror(FILE* stream) { return stream != nullptr && stream->HasError() ? 1 : 0; }

int fgetc(FILE* stream) {
  if (stream == nullptr) return CRT_EOF;
  const auto byte = stream->ReadByte();
  return byte ? static_cast<int>(*byte) : CRT_EOF;
}

int fputc(int character, FILE* stream) {
  if (stream == nullptr) return CRT_EOF;
  const auto byte = static_cast<BYTE>(character);
  return stream->Write(&byte, 1) == 1 ? static_cast<int>(byte) : CRT_EOF;
}

char* fgets(char* buffer, int size, FILE* stream) {
  if (stream == nullptr || buffer == nullptr || size <= 0) return nullptr;
  int length = 0;
  while (length < size - 1) {
    const auto byte = stream->ReadByte();
    if (!byte) break;
    buffer[length++] = static_cast<char>(*byte);
    if (*byte == '\n') break;
  }
  if (length == 0 && size > 1) return nullptr;
  buffer[length] = '\0';
  return buffer;
}

int fputs(const char* text, FILE* stream) {
  if (stream == nullptr || text == nullptr) return CRT_EOF;
  const std::size_t length = std::strlen(text);
  return stream->Write(text, length) == length ? 0 : CRT_EOF;
}

int vfprintf(FILE* stream, const char* format, std::va_list arguments) {
  if (stream == nullptr || format == nullptr) return -1;
  std::va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length < 0) return -1;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, arguments);
  text.pop_back();
  return stream->Write(text.data(), text.size()) == text.size() ? length : -1;
}

int fprintf(FILE* stream, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int result = vfprintf(stream, format, arguments);
  va_end(arguments);
  return result;
}

int remove(const char* path) { return DeleteFileA(path) != FALSE ? 0 : -1; }

int rename(const char* from, const char* to) { return MoveFileA(from, to) != FALSE ? 0 : -1; }

}  // namespace win
