#include "platform/Resources.h"
#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"

namespace plat {

Platform MakeDefaultPlatform() {
    return {win::MakeServiceManager(), win::MakeRegistry(),   win::MakeProcesses(), win::MakeHost(),
            win::MakeShell(),          win::MakeFileSystem(), win::MakeSync(),      win::MakeClock()};
}

std::string_view FindResourceData(const char* name, const char* type) {
    std::wstring wname = win::Wide(name);
    std::wstring wtype = win::Wide(type);
    bool raw = std::string_view(type) == "RCDATA";
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, wname.c_str(), raw ? RT_RCDATA : wtype.c_str());
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        win::Fail();
        return {};
    }
    return {static_cast<const char*>(data), SizeofResource(module, info)};
}

} // namespace plat
