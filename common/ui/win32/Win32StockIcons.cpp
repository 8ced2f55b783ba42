// The system's stock pictures. SHGetStockIconInfo came with Windows Vista; looked up at run time, so
// the program still starts on older systems, which simply have no shield (nor has Wine, whose
// SHGetStockIconInfo hands out no icon).
#include "ui/Graphics.h"
#include "ui/win32/Win32Pictures.h"

#include <shellapi.h>

namespace ui {

std::optional<TPicture> StockShieldIcon() {
    using GetStockIconInfo = HRESULT(WINAPI*)(SHSTOCKICONID, UINT, SHSTOCKICONINFO*);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    auto get = shell ? reinterpret_cast<GetStockIconInfo>(
                           reinterpret_cast<void (*)()>(GetProcAddress(shell, "SHGetStockIconInfo")))
                     : nullptr;
    SHSTOCKICONINFO info{};
    info.cbSize = sizeof info;
    if (get == nullptr || FAILED(get(SIID_SHIELD, SHGSI_ICON | SHGSI_SMALLICON, &info)) ||
        info.hIcon == nullptr) {
        return std::nullopt;
    }
    plat::win::unique_hicon icon(info.hIcon);
    return win32::PictureOfIcon(icon.get());
}

} // namespace ui
