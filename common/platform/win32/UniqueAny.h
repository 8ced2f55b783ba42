#pragma once
// Owners of Windows handles: an alias of unique_any per kind of handle, plus the few owners whose rules
// differ (COM references, VARIANTs, selected GDI objects, WOW64 redirection), so that every handle is
// released by exactly one destructor and never by hand. Windows only: the backends and the win32 peers
// include it, core code never does (it owns the platform layer's handles through PlatformHandles.h).
#include "platform/UniqueAny.h"

#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <shtypes.h>

#include <utility>

namespace plat::win {

using plat::unique_any;

// Kernel objects: CreateFile and FindFirstFile report failure with INVALID_HANDLE_VALUE, most others with
// nullptr; either counts as empty.
struct kernel_handle_traits {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static bool is_valid(type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
using unique_handle = unique_any<kernel_handle_traits>;

struct find_traits : kernel_handle_traits {
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::FindClose(h); }
};
using unique_find = unique_any<find_traits>;

// Handles that are empty when null and released by one function of the API.
template <typename T, auto Close> struct null_handle_traits {
    using type = T;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { Close(h); }
};

using unique_schandle = unique_any<null_handle_traits<SC_HANDLE, &::CloseServiceHandle>>;
using unique_sclock = unique_any<null_handle_traits<SC_LOCK, &::UnlockServiceDatabase>>;
using unique_hkey = unique_any<null_handle_traits<HKEY, &::RegCloseKey>>;

// GDI objects created by the program (bitmaps, fonts, brushes, pens, regions); never one still selected
// into a device context, see select_object_guard.
template <typename T> using unique_gdi = unique_any<null_handle_traits<T, &::DeleteObject>>;

using unique_hicon = unique_any<null_handle_traits<HICON, &::DestroyIcon>>;

// Memory device contexts (CreateCompatibleDC); a window's DC from GetDC is released, not deleted.
using unique_hdc = unique_any<null_handle_traits<HDC, &::DeleteDC>>;

using unique_hwnd = unique_any<null_handle_traits<HWND, &::DestroyWindow>>;

// Selects an object into a device context for the guard's lifetime and puts the previous one back, so
// that the object can be deleted afterwards and the context is left as it was found.
class select_object_guard {
public:
    select_object_guard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~select_object_guard() {
        if (*this)
            ::SelectObject(dc_, old_);
    }
    select_object_guard(const select_object_guard&) = delete;
    select_object_guard& operator=(const select_object_guard&) = delete;

    // False when the selection failed; nothing is restored then.
    explicit operator bool() const noexcept { return old_ != nullptr && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

template <typename T> struct local_traits {
    using type = T*;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { ::LocalFree(const_cast<void*>(static_cast<const void*>(p))); }
};
// Buffers the system allocates with LocalAlloc, e.g. FormatMessage's FORMAT_MESSAGE_ALLOCATE_BUFFER.
template <typename T> using unique_local = unique_any<local_traits<T>>;

template <typename T> struct cotaskmem_traits {
    using type = T*;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { ::CoTaskMemFree(const_cast<void*>(static_cast<const void*>(p))); }
};
template <typename T> using unique_cotaskmem = unique_any<cotaskmem_traits<T>>;

// Item lists come from the shell's task allocator; ILFree is CoTaskMemFree, and calling the latter keeps
// <shlobj.h> (whose coclass names clash with the platform layer's) out of every backend.
using unique_pidl = unique_any<null_handle_traits<PIDLIST_ABSOLUTE, &::CoTaskMemFree>>;

using unique_bstr = unique_any<null_handle_traits<BSTR, &::SysFreeString>>;

// A counted reference to a COM interface: copies AddRef, the destructor Releases. A pointer handed in
// (constructor, reset) or filled in through put() is adopted without an AddRef, as COM out-parameters
// already carry one.
template <typename T> class com_ptr {
public:
    com_ptr() noexcept = default;
    explicit com_ptr(T* adopted) noexcept : p_(adopted) {}
    ~com_ptr() { reset(); }

    com_ptr(const com_ptr& other) noexcept : p_(other.p_) {
        if (p_)
            p_->AddRef();
    }
    com_ptr(com_ptr&& other) noexcept : p_(other.release()) {}
    com_ptr& operator=(com_ptr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // A second reference to an interface the caller keeps its own reference to.
    static com_ptr share(T* p) noexcept {
        if (p)
            p->AddRef();
        return com_ptr(p);
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void reset(T* adopted = nullptr) noexcept {
        T* old = std::exchange(p_, adopted);
        if (old)
            old->Release();
    }
    [[nodiscard]] T* release() noexcept { return std::exchange(p_, nullptr); }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;
};

// A VARIANT is a value that owns what it holds (a string, an interface): it is cleared, not freed.
class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&v_); }
    ~unique_variant() { ::VariantClear(&v_); }
    unique_variant(unique_variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
    unique_variant& operator=(unique_variant&& other) noexcept {
        if (this != &other) {
            ::VariantClear(&v_);
            v_ = other.v_;
            ::VariantInit(&other.v_);
        }
        return *this;
    }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;

    const VARIANT& get() const noexcept { return v_; }
    VARIANT& get() noexcept { return v_; }

    void reset() noexcept { ::VariantClear(&v_); }
    // For out-parameters: what was held is cleared first.
    VARIANT* put() noexcept {
        reset();
        return &v_;
    }

private:
    VARIANT v_;
};

// Turns off the WOW64 file system redirection of the calling thread for the guard's lifetime. Looked up
// at run time: the functions exist only where WOW64 does, and the program must load everywhere.
class unique_wow64_redirection {
public:
    unique_wow64_redirection() noexcept {
        using Disable = BOOL(WINAPI*)(PVOID*);
        auto disable = reinterpret_cast<Disable>(Kernel32("Wow64DisableWow64FsRedirection"));
        if (!disable)
            ::SetLastError(ERROR_PROC_NOT_FOUND);
        else
            disabled_ = disable(&old_) != FALSE;
    }
    ~unique_wow64_redirection() {
        if (disabled_)
            revert(old_);
    }
    unique_wow64_redirection(const unique_wow64_redirection&) = delete;
    unique_wow64_redirection& operator=(const unique_wow64_redirection&) = delete;

    // False when the redirection could not be turned off (GetLastError tells why); nothing is reverted.
    explicit operator bool() const noexcept { return disabled_; }

    // Hands the saved state to a caller that turns the redirection on again itself, with revert().
    [[nodiscard]] PVOID release() noexcept {
        disabled_ = false;
        return std::exchange(old_, nullptr);
    }

    // False, with GetLastError set, when the redirection cannot be restored or WOW64 does not exist.
    static bool revert(PVOID old) noexcept {
        using Revert = BOOL(WINAPI*)(PVOID);
        auto revert = reinterpret_cast<Revert>(Kernel32("Wow64RevertWow64FsRedirection"));
        if (!revert) {
            ::SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        return revert(old) != FALSE;
    }

private:
    // A generic function pointer converts to the real signature without a warning; FARPROC does not.
    using Function = void (*)();
    static Function Kernel32(const char* name) noexcept {
        return reinterpret_cast<Function>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name));
    }

    PVOID old_ = nullptr;
    bool disabled_ = false;
};

} // namespace plat::win
