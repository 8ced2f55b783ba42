#include "WineTestSupport.h"

#include "platform/Platform.h"
#include "text/PathText.h"

#include <atomic>

namespace winetest {

std::string ProgramDir() {
    return text::FolderOf(plat::Files().ModuleFileName());
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

} // namespace winetest
