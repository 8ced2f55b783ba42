#include "ui/win32/Win32Hints.h"

#include "text/TextCodec.h"

#include <commctrl.h>

namespace ui::win32 {

namespace {

// The size every version of the common controls accepts.
TOOLINFOW ToolOf(HWND AForm, HWND ATool) {
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = AForm;
    info.uId = reinterpret_cast<UINT_PTR>(ATool);
    return info;
}

bool HasTool(HWND ATooltip, HWND AForm, HWND ATool) {
    TOOLINFOW info = ToolOf(AForm, ATool);
    return SendMessageW(ATooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

} // namespace

HWND FormHints::Set(HWND ATool, const std::string& AText) {
    if (AText.empty() && !FTooltip) {
        return nullptr;
    }
    if (!FTooltip) {
        FTooltip.reset(CreateWindowChecked(WS_EX_TOPMOST, TOOLTIPS_CLASSW,
                                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FForm));
        // Long hints wrap instead of running across the screen.
        SendMessageW(FTooltip.get(), TTM_SETMAXTIPWIDTH, 0, Scale(400));
    }
    std::wstring text = text::ToWide(AText);
    TOOLINFOW info = ToolOf(FForm, ATool);
    info.lpszText = text.data();
    bool present = HasTool(FTooltip.get(), FForm, ATool);
    if (AText.empty()) {
        if (present) {
            SendMessageW(FTooltip.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
    } else if (present) {
        SendMessageW(FTooltip.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    } else {
        SendMessageW(FTooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    return FTooltip.get();
}

void FormHints::Remove(HWND ATooltip, HWND ATool) {
    if (ATooltip == nullptr || !IsWindow(ATooltip)) {
        return;
    }
    TOOLINFOW info = ToolOf(GetWindow(ATooltip, GW_OWNER), ATool);
    SendMessageW(ATooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

} // namespace ui::win32
