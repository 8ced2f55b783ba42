#pragma once
// Code pages and Unicode forms. Inside the programs text is UTF-8; UTF-16 appears only at the Win32
// boundary. "ANSI" and "OEM" mean the system's code pages: GetACP/GetOEMCP on Windows, Windows-1252
// and CP437 on Linux (iconv).
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

uint32_t AnsiCodePage();
uint32_t OemCodePage();

// Decodes bytes in a Windows code page (1252, 1251, 28592, 932, 65001, ...) to UTF-8. Bytes that do
// not map become U+FFFD. Returns false (and leaves out empty) for a code page the system does not know.
bool DecodeCodePage(uint32_t codePage, std::string_view bytes, std::string& out);
// Encodes UTF-8 into a code page; characters without a mapping become '?'.
bool EncodeCodePage(uint32_t codePage, std::string_view utf8, std::string& out);
inline std::string AnsiToUtf8(std::string_view b) {
    std::string s;
    DecodeCodePage(AnsiCodePage(), b, s);
    return s;
}
inline std::string Utf8ToAnsi(std::string_view u) {
    std::string s;
    EncodeCodePage(AnsiCodePage(), u, s);
    return s;
}
inline std::string OemToUtf8(std::string_view b) {
    std::string s;
    DecodeCodePage(OemCodePage(), b, s);
    return s;
}

// UTF-8 <-> UTF-16. Invalid UTF-8 sequences become U+FFFD; lone surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// UTF-16LE bytes (as the registry stores strings) <-> UTF-8.
std::string Utf16LeBytesToUtf8(const uint8_t* data, size_t size);
std::string Utf8ToUtf16LeBytes(std::string_view utf8, bool withNul = true);
#ifdef _WIN32
std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);
#endif

// Text that may begin with a byte-order mark: UTF-8 (the mark dropped, the rest as it is), UTF-16 LE
// or BE (converted; an odd last byte is dropped), or without a mark in the ANSI code page.
std::string DecodeWithByteOrderMark(std::string_view bytes);

bool IsValidUtf8(std::string_view s);
// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, uint32_t codePoint);

} // namespace text
