#include "TempDir.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Tests of one program run in parallel with those of others: the name must be new in the folder,
// which only creating it proves.
fs::path CreateUnique(const fs::path& base, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (;;) {
        fs::path candidate =
            base / PathOf(prefix + std::to_string(random()) + "-" + std::to_string(++counter));
        if (fs::create_directories(candidate)) {
            return candidate;
        }
    }
}

} // namespace

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

TempDir::TempDir(const std::string& prefix, const fs::path& base) : Root(CreateUnique(base, prefix)) {}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(Root, ignored);
}

std::string TempDir::Path(const std::string& relative) const {
    return relative.empty() ? Utf8(Root) : Utf8(Root / PathOf(relative));
}

std::string TempDir::Windows(const std::string& relative) const {
    return Utf8(Root) + "\\" + relative;
}

void TempDir::Write(const std::string& relative, std::string_view bytes) const {
    WriteFile(Path(relative), bytes);
}

std::string TempDir::Read(const std::string& relative) const {
    return ReadFile(Path(relative));
}

bool TempDir::Exists(const std::string& relative) const {
    return fs::exists(Root / PathOf(relative));
}

void WriteFile(const std::string& path, std::string_view bytes) {
    const fs::path file = PathOf(path);
    if (file.has_parent_path()) {
        fs::create_directories(file.parent_path());
    }
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace testsupport
