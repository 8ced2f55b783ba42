#include "WineTestSupport.h"

#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "platform/win32/WinApi.h"
#include "text/PathText.h"

#include <algorithm>
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

std::string WinePath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string UnixName(const std::string& path) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = unixFileName ? unixFileName(plat::win::Wide(path).c_str()) : nullptr;
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Wine starts a Linux program through "start /unix" without waiting for it, so the report is written
// under another name and renamed once complete.
std::string UnzipTest(const std::string& archive) {
    const std::string report = archive + ".unzip.txt";
    const std::string unixReport = UnixName(report);
    TWinUtils::WinExec32AndWait("start.exe /unix /bin/sh -c \"unzip -t '" + UnixName(archive) + "' > '" +
                                    unixReport + ".part' 2>&1; mv '" + unixReport + ".part' '" + unixReport +
                                    "'\"",
                                SW_HIDE);
    WaitUntil([&] { return plat::Files().FileExists(report); });
    return ReadFile(report);
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
