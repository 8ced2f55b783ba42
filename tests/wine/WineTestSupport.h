#pragma once
// Helpers shared by the Wine tests: where the helper programs are, unique names, scratch folders and
// patient waiting (Wine's service manager is slow to start, so limits are generous and never asserted).
#include "TempDir.h"

#include <cstdint>
#include <functional>
#include <string>

namespace winetest {

std::string ProgramDir();
// A helper program built beside the tests (wine_test_service.exe, wine_test_child.exe).
std::string HelperPath(const std::string& exeName);
std::string UniqueName(const std::string& prefix);

// A file of the build or source tree, reached through Wine's drive for the root folder.
std::string WinePath(std::string path);
// The Linux name of a file of the prefix.
std::string UnixName(const std::string& path);
// What unzip, the Linux program, says when it tests an archive: one line per entry, then its verdict.
std::string UnzipTest(const std::string& archive);

// Polls ready() until it holds or limitMs have passed; returns the last answer.
bool WaitUntil(const std::function<bool()>& ready, uint32_t limitMs = 120000);

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

} // namespace winetest
