// Helpers for the file-service tests: host files inside drive C: and a last-error sentinel.
#pragma once

#include "platform/win/data_folder.h"
#include "platform/win/last_error.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace win::testing {

// Set before each call, so a test can tell an untouched last error from a set one.
constexpr DWORD kSentinel = 0xDEADBEEF;

inline void ArmLastError() { SetLastError(kSentinel); }

inline std::filesystem::path HostOfC(const std::string& relative) { return DriveCFolder() / relative; }

inline void WriteHostFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadHostFile(const std::filesystem::path& path) {
  std::error_code error;
  std::string content(std::filesystem::file_size(path, error), '\0');
  if (error) return {};
  std::ifstream(path, std::ios::binary).read(content.data(), static_cast<std::streamsize>(content.size()));
  return content;
}

}  // namespace win::testing
