// The C runtime's stream functions on Windows paths, for code that uses the runtime library
// rather than Win32 files. Streams sit on CreateFileA, so card volumes work like host files.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace win {

struct CrtStream;
using FILE = CrtStream;

constexpr int CRT_EOF = -1;
constexpr int CRT_SEEK_SET = 0;
constexpr int CRT_SEEK_CUR = 1;
constexpr int CRT_SEEK_END = 2;

// Modes "r", "w", "a", "r+", "w+", "a+", each with an optional "b" or "t" (text mode does not
// translate line ends here). A null answer leaves errno-style detail in GetLastError.
FILE* fopen(const char* path, const char* mode);
int fclose(FILE* stream);
std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream);
std::size_t fwrite(const void* data, std::size_t size, std::size_t count, FILE* stream);
int fseek(FILE* stream, long offset, int origin);
long ftell(FILE* stream);
void rewind(FILE* stream);
int fflush(FILE* stream);
int feof(FILE* stream);
int ferror(FILE* stream);
int fgetc(FILE* stream);
int fputc(int character, FILE* stream);
char* fgets(char* buffer, int size, FILE* stream);
int fputs(const char* text, FILE* stream);
int fprintf(FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
int vfprintf(FILE* stream, const char* format, std::va_list arguments) __attribute__((format(printf, 2, 0)));
int remove(const char* path);
int rename(const char* from, const char* to);

}  // namespace win
