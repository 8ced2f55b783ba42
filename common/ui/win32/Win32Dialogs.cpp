// Native dialogs: MessageBoxW, the common save dialog and the shell's folder browser. Each runs a
// modal loop that keeps dispatching the workers' hand-off messages.
#include "ui/Dialogs.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace ui {

namespace {

HWND Owner() {
    HWND active = GetActiveWindow();
    return active != nullptr ? active : win32::WindowOf(Application().MainForm());
}

// "a|b|c|d" into the NUL-separated, double-NUL-terminated list the dialog wants.
std::wstring FilterList(const std::string& filter) {
    std::wstring list = text::ToWide(filter);
    for (wchar_t& c : list) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

// The browser can select a folder only once its window exists; lParam carries the path.
int CALLBACK SelectInitialFolder(HWND window, UINT message, LPARAM, LPARAM path) {
    if (message == BFFM_INITIALIZED && path != 0) {
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, path);
    }
    return 0;
}

class NativeDialogs : public IDialogService {
public:
    int ShowMessageBox(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override {
        return MessageBoxW(Owner(), text::ToWide(AText).c_str(), text::ToWide(ACaption).c_str(), AFlags);
    }

    std::optional<std::string> SaveDialog(const TSaveDialogOptions& o) override {
        std::vector<wchar_t> file(32768, L'\0');
        std::wstring proposed = text::ToWide(o.FileName);
        proposed.copy(file.data(), std::min(proposed.size(), file.size() - 1));
        std::wstring filter = FilterList(o.Filter);
        std::wstring title = text::ToWide(o.Title);
        std::wstring ext = text::ToWide(o.DefaultExt);
        std::wstring dir = text::ToWide(o.InitialDir);
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = Owner();
        ofn.lpstrFilter = o.Filter.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = static_cast<DWORD>(o.FilterIndex);
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrTitle = o.Title.empty() ? nullptr : title.c_str();
        ofn.lpstrDefExt = o.DefaultExt.empty() ? nullptr : ext.c_str();
        ofn.lpstrInitialDir = o.InitialDir.empty() ? nullptr : dir.c_str();
        ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                    (o.OverwritePrompt ? OFN_OVERWRITEPROMPT : 0);
        if (!GetSaveFileNameW(&ofn)) {
            return std::nullopt;
        }
        return text::FromWide(file.data());
    }

    std::optional<std::string> BrowseForFolder(const std::string& ATitle,
                                               const std::string& AInitialDir) override {
        std::wstring title = text::ToWide(ATitle);
        std::wstring initial = text::ToWide(AInitialDir);
        BROWSEINFOW bi{};
        bi.hwndOwner = Owner();
        bi.lpszTitle = title.c_str();
        bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        bi.lpfn = SelectInitialFolder;
        bi.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
        PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&bi);
        if (item == nullptr) {
            return std::nullopt;
        }
        wchar_t path[MAX_PATH] = {};
        bool ok = SHGetPathFromIDListW(item, path) != FALSE;
        CoTaskMemFree(item);
        return ok ? std::optional<std::string>(text::FromWide(path)) : std::nullopt;
    }
};

} // namespace

std::shared_ptr<IDialogService> MakeDefaultDialogs() {
    return std::make_shared<NativeDialogs>();
}

} // namespace ui
