// Stands in for the previous version's uninstaller in the upgrade tests. It only notes how it was
// started: its working folder on the first line, then its arguments one a line, into the file named by
// its first argument.
//
//   wine_test_uninstaller.exe MARKER [ARGS...]
#include "platform/win32/UniqueAny.h"

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring text = folder;
    for (int i = 2; i < argc; ++i)
        text += std::wstring(L"\n") + argv[i];
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    plat::win::unique_handle file(
        CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 1;
    DWORD written = 0;
    const bool ok =
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return ok ? 0 : 1;
}
