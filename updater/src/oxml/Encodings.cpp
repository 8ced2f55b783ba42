#include "oxml/SAXParser.h"

#include <cctype>

namespace oxml {

namespace {

struct EncodingName {
    const char* Name;
    uint32_t CodePage;
};

constexpr EncodingName kEncodings[] = {
    {"utf-8", 65001},       {"utf-16", 1200},       {"utf-16be", 1201},     {"windows-1250", 1250},
    {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253}, {"windows-1254", 1254},
    {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257}, {"windows-1258", 1258},
    {"iso-8859-1", 28591},  {"iso-8859-2", 28592},  {"iso-8859-3", 28593},  {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},  {"iso-8859-6", 28596},  {"iso-8859-7", 28597},  {"iso-8859-8", 28598},
    {"iso-8859-9", 28599},  {"iso-8859-13", 28603}, {"iso-8859-15", 28605}, {"koi8-r", 20866},
    {"koi8-u", 21866},      {"ibm437", 437},        {"ibm850", 850},        {"ibm852", 852},
    {"cp866", 866},         {"windows-874", 874},   {"shift-jis", 932},     {"us-ascii", 20127},
    {"utf-7", 65000},
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace

uint32_t CodePageOfEncodingName(std::string_view name) {
    for (const EncodingName& e : kEncodings) {
        if (SameIgnoringCase(name, e.Name))
            return e.CodePage;
    }
    return 0;
}

} // namespace oxml
