#include "platform/ComScope.h"
#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace plat::win {
namespace {

// SHFileOperationW takes lists of paths, each NUL-terminated, the list ending in an empty one.
std::wstring PathList(const std::string& path) {
    std::wstring list = Wide(path);
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

bool FileOperation(UINT func, const std::string& from, const std::string* to, FILEOP_FLAGS flags) {
    std::wstring source = PathList(from);
    std::wstring target = to ? PathList(*to) : std::wstring();
    SHFILEOPSTRUCTW op{};
    op.wFunc = func;
    op.pFrom = source.c_str();
    op.pTo = to ? target.c_str() : nullptr;
    op.fFlags = flags | FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    int rc = SHFileOperationW(&op);
    if (rc != 0)
        plat::SetLastError(static_cast<uint32_t>(rc));
    return rc == 0 && !op.fAnyOperationsAborted;
}

bool OpenAndSelect(PIDLIST_ABSOLUTE list) {
    HRESULT hr = SHOpenFolderAndSelectItems(list, 0, nullptr, 0);
    if (hr == CO_E_NOTINITIALIZED) {
        // The shell wants COM on this thread; a thread without a scope of its own gets one for this call.
        ComScope com;
        if (com.Initialized())
            hr = SHOpenFolderAndSelectItems(list, 0, nullptr, 0);
    }
    if (hr != S_OK)
        plat::SetLastError(static_cast<uint32_t>(hr));
    return hr == S_OK;
}

class Win32Shell final : public IShell {
public:
    bool DeleteTree(const std::string& path) override { return FileOperation(FO_DELETE, path, nullptr, 0); }

    bool CopyTree(const std::string& from, const std::string& to) override {
        return FileOperation(FO_COPY, from, &to, FOF_NOCONFIRMMKDIR);
    }

    bool OpenDocument(const std::string& fileOrUrl, Handle owner) override {
        auto rc = reinterpret_cast<INT_PTR>(ShellExecuteW(reinterpret_cast<HWND>(owner), L"open",
                                                          Wide(fileOrUrl).c_str(), nullptr, nullptr,
                                                          SW_SHOWNORMAL));
        if (rc <= 32)
            plat::SetLastError(static_cast<uint32_t>(rc));
        return rc > 32;
    }

    bool OpenFolderAndSelectFile(const std::string& fileName) override {
        wchar_t canonical[MAX_PATH] = {};
        if (!PathCanonicalizeW(canonical, Wide(fileName).c_str()))
            return Fail();
        unique_pidl list(ILCreateFromPathW(canonical));
        if (!list)
            return Fail();
        return OpenAndSelect(list.get());
    }

    bool RunElevated(const std::string& exe, const std::string& params, Handle owner) override {
        std::wstring file = Wide(exe);
        std::wstring parameters = Wide(params);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_UNICODE;
        info.hwnd = reinterpret_cast<HWND>(owner);
        info.lpVerb = L"runas";
        info.lpFile = file.c_str();
        info.lpParameters = params.empty() ? nullptr : parameters.c_str();
        info.nShow = SW_SHOWNORMAL;
        const bool started = ShellExecuteExW(&info) || Fail();
        // Nothing here waits for the new process; its handle only proves that it was created.
        unique_handle process(info.hProcess);
        return started;
    }
};

} // namespace

std::shared_ptr<IShell> MakeShell() {
    return std::make_shared<Win32Shell>();
}

} // namespace plat::win
