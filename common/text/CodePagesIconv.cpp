#ifndef _WIN32
#include "text/SystemCodePages.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <map>

namespace text::detail {

namespace {

// Windows code page numbers and the names iconv knows the same tables by.
const char* IconvName(uint32_t codePage) {
    static const std::map<uint32_t, const char*> names = {
        {437, "CP437"},         {737, "CP737"},         {775, "CP775"},         {850, "CP850"},
        {852, "CP852"},         {855, "CP855"},         {857, "CP857"},         {860, "CP860"},
        {861, "CP861"},         {862, "CP862"},         {863, "CP863"},         {864, "CP864"},
        {865, "CP865"},         {866, "CP866"},         {869, "CP869"},         {874, "CP874"},
        {932, "CP932"},         {936, "CP936"},         {949, "CP949"},         {950, "CP950"},
        {1250, "CP1250"},       {1251, "CP1251"},       {1252, "CP1252"},       {1253, "CP1253"},
        {1254, "CP1254"},       {1255, "CP1255"},       {1256, "CP1256"},       {1257, "CP1257"},
        {1258, "CP1258"},       {1361, "JOHAB"},        {10000, "MACINTOSH"},   {20127, "ASCII"},
        {20866, "KOI8-R"},      {20932, "EUC-JP"},      {21866, "KOI8-U"},      {28591, "ISO-8859-1"},
        {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},
        {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},
        {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {50220, "ISO-2022-JP"}, {51932, "EUC-JP"},
        {51949, "EUC-KR"},      {54936, "GB18030"},
    };
    const auto it = names.find(codePage);
    return it == names.end() ? nullptr : it->second;
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts what it can; returns the errno of the first stop (0 when all input was taken).
    int Run(const char*& in, size_t& inLeft, std::string& out) {
        char buffer[4096];
        for (;;) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            char* src = const_cast<char*>(in);
            const size_t r = iconv(cd_, in ? &src : nullptr, in ? &inLeft : nullptr, &dst, &dstLeft);
            const int err = r == static_cast<size_t>(-1) ? errno : 0;
            out.append(buffer, dst - buffer);
            if (in)
                in = src;
            if (err != E2BIG)
                return err;
        }
    }

private:
    iconv_t cd_;
};

// A simulated system may speak another language: TK_SIM_ANSI_CODEPAGE and TK_SIM_OEM_CODEPAGE
// override the defaults of an English Windows.
uint32_t CodePageSetting(const char* variable, uint32_t fallback) {
    const char* value = std::getenv(variable);
    if (!value || !*value)
        return fallback;
    char* end = nullptr;
    const unsigned long cp = std::strtoul(value, &end, 10);
    return *end == '\0' && IconvName(static_cast<uint32_t>(cp)) ? static_cast<uint32_t>(cp) : fallback;
}

} // namespace

uint32_t SystemAnsiCodePage() {
    return CodePageSetting("TK_SIM_ANSI_CODEPAGE", 1252);
}
uint32_t SystemOemCodePage() {
    return CodePageSetting("TK_SIM_OEM_CODEPAGE", 437);
}

bool SystemDecode(uint32_t codePage, std::string_view bytes, std::string& out) {
    out.clear();
    const char* name = IconvName(codePage);
    if (!name)
        return false;
    Converter conv("UTF-8", name);
    if (!conv.ok())
        return false;
    const char* in = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const int err = conv.Run(in, left, out);
        if (err == 0)
            break;
        out += "\xEF\xBF\xBD";
        if (err == EINVAL)
            break;    // an incomplete character at the very end
        ++in, --left; // skip the byte that has no mapping
    }
    const char* none = nullptr;
    size_t zero = 0;
    conv.Run(none, zero, out);
    return true;
}

bool SystemEncode(uint32_t codePage, std::string_view validUtf8, std::string& out) {
    out.clear();
    const char* name = IconvName(codePage);
    if (!name)
        return false;
    Converter conv(name, "UTF-8");
    if (!conv.ok())
        return false;
    const char* in = validUtf8.data();
    size_t left = validUtf8.size();
    while (left > 0) {
        if (conv.Run(in, left, out) == 0)
            break;
        // The character has no mapping in the target: write '?' through the same converter (it may
        // have to switch a stateful encoding back) and skip the whole UTF-8 sequence.
        const char* mark = "?";
        size_t markLeft = 1;
        conv.Run(mark, markLeft, out);
        do {
            ++in, --left;
        } while (left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    const char* none = nullptr;
    size_t zero = 0;
    conv.Run(none, zero, out);
    return true;
}

} // namespace text::detail
#endif
