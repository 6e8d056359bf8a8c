// The per-process data home a test runs in ($XDG_DATA_HOME; the data folder is its "tarnlok").
#pragma once

#include <filesystem>

namespace tarnlok::test_support {

const std::filesystem::path& TestDataHome();

// A fresh empty folder under the temporary folder, for a second data home or a child process.
std::filesystem::path MakeTestDataHome();

}  // namespace tarnlok::test_support
