#pragma once
// Scratch folders and whole-file reads and writes for tests. Paths are UTF-8 texts, as the platform
// layer takes them; the work goes straight to the file system, so a test that swaps the platform's
// file system for a fake still gets its folder made and removed.
#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

// A new folder of its own under the system's temporary folder (or base), removed with its content at
// the end.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "tk-test-",
                     const std::filesystem::path& base = std::filesystem::temp_directory_path());
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder itself, or a file or folder inside it, in the system's own form.
    std::string Path(const std::string& relative = "") const;
    // A path inside as the programs form it: the folder, a backslash and the relative part.
    std::string Windows(const std::string& relative) const;
    // Writes a file inside, making the folders on its way.
    void Write(const std::string& relative, std::string_view bytes) const;
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

    // The folder; tests that need a fresh tree under a fixture's name swap two of them.
    std::filesystem::path Root;
};

// A UTF-8 path text as a path, on every system.
std::filesystem::path PathOf(const std::string& utf8);
// Writes the whole file, making the folders on its way; an empty text leaves an empty file.
void WriteFile(const std::string& path, std::string_view bytes);
// The whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace testsupport
