#ifdef _WIN32
#include "text/SystemCodePages.h"
#include "text/TextCodec.h"

#include <windows.h>

namespace text::detail {

namespace {

// Code pages for which WideCharToMultiByte refuses a default character.
bool RefusesDefaultChar(uint32_t cp) {
    return cp == 42 || (cp >= 50220 && cp <= 50229) || cp == 52936 || cp == 54936 ||
           (cp >= 57002 && cp <= 57011) || cp == 65000 || cp == 65001;
}

} // namespace

uint32_t SystemAnsiCodePage() {
    return GetACP();
}
uint32_t SystemOemCodePage() {
    return GetOEMCP();
}

bool SystemDecode(uint32_t codePage, std::string_view bytes, std::string& out) {
    out.clear();
    if (!IsValidCodePage(codePage))
        return false;
    if (bytes.empty())
        return true;
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    out = FromWide(wide);
    return true;
}

bool SystemEncode(uint32_t codePage, std::string_view validUtf8, std::string& out) {
    out.clear();
    if (!IsValidCodePage(codePage))
        return false;
    if (validUtf8.empty())
        return true;
    const std::wstring wide = ToWide(validUtf8);
    const char* defaultChar = RefusesDefaultChar(codePage) ? nullptr : "?";
    // No best-fit guesses: a character the code page lacks becomes '?', as on every other build.
    const DWORD flags = defaultChar ? WC_NO_BEST_FIT_CHARS : 0;
    const int len = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), len, nullptr, 0, defaultChar, nullptr);
    if (n <= 0)
        return false;
    out.resize(n);
    WideCharToMultiByte(codePage, flags, wide.data(), len, out.data(), n, defaultChar, nullptr);
    return true;
}

} // namespace text::detail
#endif
