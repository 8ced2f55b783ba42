#include "WineTestSupport.h"

#include "platform/Platform.h"

#include <atomic>
#include <cstdlib>

namespace winetest {

std::string ProgramDir() {
    std::string exe = plat::Files().ModuleFileName();
    return exe.substr(0, exe.find_last_of('\\'));
}

std::string HelperPath(const std::string& exeName) {
    return ProgramDir() + "\\" + exeName;
}

std::string UniqueName(const std::string& prefix) {
    static std::atomic<int> counter{0};
    return prefix + std::to_string(plat::Clock().TickCount()) + "_" + std::to_string(++counter);
}

bool WaitUntil(const std::function<bool()>& ready, uint32_t limitMs) {
    const uint64_t end = plat::Clock().TickCount() + limitMs;
    while (!ready()) {
        if (plat::Clock().TickCount() > end)
            return false;
        plat::Clock().Sleep(50);
    }
    return true;
}

std::string ReadFileText(const std::string& path) {
    std::string text;
    auto file = plat::Files().Open(path, plat::OpenMode::Read);
    if (!file)
        return text;
    char buffer[4096];
    size_t got = 0;
    while (file->Read(buffer, sizeof buffer, got) && got > 0)
        text.append(buffer, got);
    return text;
}

void WriteFileText(const std::string& path, const std::string& text) {
    auto file = plat::Files().Open(path, plat::OpenMode::CreateAlways);
    if (file)
        file->Write(text.data(), text.size());
}

TempDir::TempDir() {
    const char* temp = std::getenv("TEMP");
    path_ = std::string(temp ? temp : "C:\\windows\\temp") + "\\" + UniqueName("tk_wine_");
    plat::Files().ForceDirectories(path_);
}

TempDir::~TempDir() {
    plat::Shell().DeleteTree(path_);
}

} // namespace winetest
