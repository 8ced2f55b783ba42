#pragma once
// Looking at another process's windows from a Wine test: finding them by class and text, reading and
// setting their texts, and pictures of the screen. Window messages that carry texts (WM_GETTEXT,
// WM_SETTEXT) are carried across processes by the system; other pointers mean nothing there.
#include "WinUtilsUnit.h"
#include "WineTestSupport.h"
#include "platform/win32/WinApi.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace winetest {

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline LRESULT Ask(HWND window, UINT message, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wp, lp, SMTO_ABORTIFHUNG, 10000, &result);
    return static_cast<LRESULT>(result);
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    Ask(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

// The window enumerations call back with the system's calling convention, which a lambda lacks in
// the 32-bit build; this one hands each window to a function.
using WindowVisitor = std::function<void(HWND)>;

inline BOOL CALLBACK VisitWindow(HWND window, LPARAM visitor) {
    (*reinterpret_cast<const WindowVisitor*>(visitor))(window);
    return TRUE;
}

inline DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

inline void ForEachTopLevel(const WindowVisitor& visit) {
    EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

// Top-level windows of a process, hidden ones included, with the class given.
inline std::vector<HWND> TopLevelWindows(DWORD pid, const wchar_t* className) {
    std::vector<HWND> found;
    ForEachTopLevel([&](HWND window) {
        if (ProcessOf(window) == pid && ClassOf(window) == className)
            found.push_back(window);
    });
    return found;
}

inline HWND VisibleTopLevel(DWORD pid, const wchar_t* className) {
    for (HWND window : TopLevelWindows(pid, className))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

inline bool AnyVisibleWindow(DWORD pid) {
    bool found = false;
    ForEachTopLevel(
        [&](HWND window) { found = found || (ProcessOf(window) == pid && IsWindowVisible(window)); });
    return found;
}

// A visible top-level window of the process with the class and caption given (any caption when empty),
// once it shows within the limit.
inline HWND ShownWindow(DWORD pid, const wchar_t* className, const std::wstring& caption, uint32_t limitMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(pid, className))
                if (IsWindowVisible(window) && (caption.empty() || TextOf(window) == caption))
                    found = window;
            return found != nullptr;
        },
        limitMs);
    return found;
}

// A message of a common control carries only a pointer, which means nothing in another process: the
// text is written into a buffer inside the program and read from there.
class RemoteBuffer {
public:
    static constexpr SIZE_T Chars = 512;
    explicit RemoteBuffer(HANDLE process)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, Chars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    std::wstring Text() const {
        wchar_t text[Chars] = {};
        if (address_)
            ReadProcessMemory(process_, address_, text, (Chars - 1) * sizeof(wchar_t), nullptr);
        return text;
    }

private:
    HANDLE process_;
    void* address_;
};

// Every window inside a window, at any depth, with the class given (compared as the system does).
inline std::vector<HWND> Inside(HWND parent, const wchar_t* className) {
    std::vector<HWND> found;
    const WindowVisitor visit = [&](HWND window) {
        if (_wcsicmp(ClassOf(window).c_str(), className) == 0)
            found.push_back(window);
    };
    EnumChildWindows(parent, VisitWindow, reinterpret_cast<LPARAM>(&visit));
    return found;
}

inline HWND InsideWithText(HWND parent, const wchar_t* className, const std::wstring& text) {
    for (HWND window : Inside(parent, className))
        if (TextOf(window) == text)
            return window;
    return nullptr;
}

// A picture of the whole screen, taken by the Linux program into the folder given; its path is printed.
// Wine starts a Linux program without waiting for it: the picture is written under another name and
// renamed once complete, and the call returns when it is there, so that it shows the screen as the
// test left it at the call and not after the test has ended.
inline std::string Screenshot(const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name;
    DeleteFileW(plat::win::Wide(WinePath(path)).c_str());
    TWinUtils::WinExec32AndWait("start.exe /unix /bin/sh -c \"import -window root 'png:" + path +
                                    ".part' && mv '" + path + ".part' '" + path + "'\"",
                                SW_HIDE);
    if (WaitUntil(
            [&] {
                return GetFileAttributesW(plat::win::Wide(WinePath(path)).c_str()) != INVALID_FILE_ATTRIBUTES;
            },
            30000))
        std::cout << "Screenshot: " << path << std::endl;
    else
        std::cout << "Screenshot not taken: " << path << std::endl;
    return path;
}

// Wine draws windows on an X display; without one (outside xvfb-run) there is nothing to look at.
inline bool WithoutDisplay() {
    return GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
}

} // namespace winetest
