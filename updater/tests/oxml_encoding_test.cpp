// Byte-order marks and declared encodings: the handlers always receive UTF-8.
#include "oxml/SAXParser.h"
#include "oxml_recorder.h"

#include <gtest/gtest.h>

using oxml::CodePageOfEncodingName;
using oxml::TSAXParser;
using oxml::test::Drip;
using oxml::test::Recorder;
using Events = std::vector<std::string>;

namespace {

Events Parse(std::string_view bytes, uint32_t force = 0) {
    TSAXParser parser;
    Recorder r(parser);
    EXPECT_TRUE(parser.ParseBuffer(bytes, force)) << parser.ParseError().Reason;
    return r.events;
}

std::string Utf16(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

std::string Declared(const char* encoding, std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?><a>" + std::string(body) +
           "</a>";
}

// The text of the single element of a one-element document.
std::string TextOf(const Events& events) {
    for (const std::string& e : events) {
        if (e.rfind("C:", 0) == 0)
            return e.substr(2);
    }
    return "<none>";
}

} // namespace

TEST(SaxEncoding, TheNameTableHasThirtyThreeNamesComparedWithoutCase) {
    const char* names[] = {"utf-8",        "utf-16",       "utf-16be",     "windows-1250", "windows-1251",
                           "windows-1252", "windows-1253", "windows-1254", "windows-1255", "windows-1256",
                           "windows-1257", "windows-1258", "iso-8859-1",   "iso-8859-2",   "iso-8859-3",
                           "iso-8859-4",   "iso-8859-5",   "iso-8859-6",   "iso-8859-7",   "iso-8859-8",
                           "iso-8859-9",   "iso-8859-13",  "iso-8859-15",  "koi8-r",       "koi8-u",
                           "ibm437",       "ibm850",       "ibm852",       "cp866",        "windows-874",
                           "shift-jis",    "us-ascii",     "utf-7"};
    const uint32_t pages[] = {65001, 1200,  1201,  1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,
                              1258,  28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603,
                              28605, 20866, 21866, 437,   850,   852,   866,   874,   932,   20127, 65000};
    static_assert(std::size(names) == 33 && std::size(pages) == 33);
    for (size_t i = 0; i < 33; ++i)
        EXPECT_EQ(CodePageOfEncodingName(names[i]), pages[i]) << names[i];
    EXPECT_EQ(CodePageOfEncodingName("Windows-1251"), 1251u);
    EXPECT_EQ(CodePageOfEncodingName("SHIFT-JIS"), 932u);
    EXPECT_EQ(CodePageOfEncodingName("shift_jis"), 0u);
    EXPECT_EQ(CodePageOfEncodingName("iso-8859-10"), 0u);
    EXPECT_EQ(CodePageOfEncodingName("latin1"), 0u);
}

TEST(SaxEncoding, ByteOrderMarksDecideAndOverrideTheDeclaration) {
    const std::string doc = "<?xml version=\"1.0\" encoding=\"windows-1251\"?><a>x</a>";
    const Events expected = {"SD", "X(version=1.0,encoding=windows-1251)", "S:a", "C:x", "E:a", "ED"};
    EXPECT_EQ(Parse("\xEF\xBB\xBF" + doc), expected);
    EXPECT_EQ(Parse("\xFF\xFE" + Utf16(doc, false)), expected);
    EXPECT_EQ(Parse("\xFE\xFF" + Utf16(doc, true)), expected);
    // Non-ASCII text and a character outside the basic plane in UTF-16.
    EXPECT_EQ(TextOf(Parse(std::string("\xFF\xFE<\0a\0>\0\x1F\x04\x3D\xD8\x00\xDE<\0/\0a\0>\0", 22))),
              "\xD0\x9F\xF0\x9F\x98\x80");
}

TEST(SaxEncoding, DeclaredEightBitAndMultiByteEncodingsAreDecoded) {
    EXPECT_EQ(TextOf(Parse(Declared("windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2"))),
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_EQ(TextOf(Parse(Declared("ISO-8859-2", "\xA3\xF3\x64\xBC"))), "\xC5\x81\xC3\xB3\x64\xC5\xBA");
    EXPECT_EQ(TextOf(Parse(Declared("shift-jis", "\x93\xFA\x96\x7B\x95\x5C"))),
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xA1\xA8");
    // Names and attribute values are decoded too.
    Events events = Parse("<?xml version=\"1.0\" encoding=\"windows-1251\"?><\xE8 \xE2=\"\xE5\"/>");
    EXPECT_EQ(events[2], "S:\xD0\xB8(\xD0\xB2=\xD0\xB5)");
}

TEST(SaxEncoding, AMultiByteCharacterCutByABlockBoundaryIsDecodedWhole) {
    const std::string body = "\x93\xFA\x96\x7B\x8C\xEA\x83\x65\x83\x4C\x83\x58\x83\x67";
    const std::string utf8 =
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88";
    const std::string head = "<?xml version=\"1.0\" encoding=\"shift-jis\"?><a>";
    for (size_t cut = 0; cut < body.size(); ++cut) {
        std::string doc = head + std::string(16384 - head.size() - cut, 'x') + body + "</a>";
        TSAXParser parser;
        Recorder r(parser);
        Drip input(doc, 16384);
        ASSERT_TRUE(parser.ParseStream(input));
        EXPECT_EQ(r.events[3].substr(r.events[3].size() - utf8.size()), utf8) << cut;
    }
}

TEST(SaxEncoding, UnknownOrImpossibleNamesLeaveUtf8InForce) {
    EXPECT_EQ(TextOf(Parse(Declared("x-unknown", "\xC3\xA9"))), "\xC3\xA9");
    EXPECT_EQ(TextOf(Parse(Declared("utf-8", "\xC3\xA9"))), "\xC3\xA9");
    // An 8-bit file whose declaration says UTF-16 cannot be UTF-16: its declaration was readable.
    EXPECT_EQ(TextOf(Parse(Declared("utf-16", "abc"))), "abc");
}

TEST(SaxEncoding, AForcedCodePageWinsOverTheDeclaration) {
    EXPECT_EQ(TextOf(Parse(Declared("windows-1251", "\xE9"), 1252)), "\xC3\xA9");
    EXPECT_EQ(TextOf(Parse("\xEF\xBB\xBF<a>\xC3\xA9</a>", 65001)), "\xC3\xA9");
}
