#include "text/TextCodec.h"

#include <gtest/gtest.h>

namespace {

std::string Decode(uint32_t cp, std::string_view bytes) {
    std::string out;
    EXPECT_TRUE(text::DecodeCodePage(cp, bytes, out)) << cp;
    return out;
}

std::string Encode(uint32_t cp, std::string_view utf8) {
    std::string out;
    EXPECT_TRUE(text::EncodeCodePage(cp, utf8, out)) << cp;
    return out;
}

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(CodePages, ConvertBothWaysInSingleAndDoubleByteCodePages) {
    struct Case {
        uint32_t cp;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {1251, "\xcf\xf0\xe8\xe2\xe5\xf2", "Привет"},
        {28592, "\xb1\xe6\xbf", "ąćż"},
        {932, "\x93\xfa\x96\x7b\x8c\xea", "日本語"},
        {1252, "caf\xe9 \x80", "café €"},
        {437, "\xc9\xcd\xbb", "╔═╗"},
        {866, "\x8f\xe0\xa8", "При"},
        {20866, "\xf0\xd2\xc9", "При"},
        {1200, std::string("A\0\x3d\xd8\x00\xde", 6), "A😀"},
        {1201, std::string("\0A", 2), "A"},
        {12000, std::string("\x00\xf6\x01\x00", 4), "😀"},
        {65001, "plain", "plain"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.cp, c.bytes), c.utf8) << c.cp;
        EXPECT_EQ(Encode(c.cp, c.utf8), c.bytes) << c.cp;
    }
}

TEST(CodePages, UnmappableTextBecomesMarksAndUnknownCodePagesFail) {
    EXPECT_EQ(Encode(1252, "a日b"), "a?b");
    EXPECT_EQ(Encode(1251, "€ & ü"), "\x88 & ?");
#ifndef _WIN32 // Windows fills these holes with its own best-fit characters
    EXPECT_EQ(Decode(1252, "x\x81y"), "x" + kReplacement + "y"); // a hole in the table
    EXPECT_EQ(Decode(932, "\x93"), kReplacement);                // a lead byte cut off at the end
#endif

#ifndef _WIN32 // the Windows converter of this code page depends on what the system has installed
    // A stateful encoding returns to ASCII after the mark and at the end.
    const std::string jis = Encode(50220, "日😀本");
    EXPECT_EQ(Decode(50220, jis), "日?本");
#endif

    std::string out = "stale";
    EXPECT_FALSE(text::DecodeCodePage(4242, "abc", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(text::EncodeCodePage(4242, "abc", out));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(text::AnsiToUtf8("\xe9"), "é");
    EXPECT_EQ(text::OemToUtf8("\x82"), "é");
    EXPECT_EQ(text::Utf8ToAnsi("é"), "\xe9");
}

TEST(Utf8, MalformedSequencesBecomeReplacementsWithoutSwallowingGoodText) {
    struct Case {
        std::string in;
        std::u16string out;
    };
    const Case cases[] = {
        {"a\xC0\xAF"
         "b",
         u"a\uFFFD\uFFFDb"},                               // overlong form
        {"\xE6\x97", u"\uFFFD"},                           // cut short at the end
        {"\xE6\x97x", u"\uFFFDx"},                         // cut short before ASCII
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xEF\xBF\xBD", u"\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::Utf8ToUtf16(c.in), c.out) << c.in;
    EXPECT_TRUE(text::IsValidUtf8("Grüße 😀 \xEF\xBF\xBD"));
    EXPECT_FALSE(text::IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(text::IsValidUtf8("ab\xE6"));

    std::string out;
    EXPECT_TRUE(text::EncodeCodePage(1251, "\xE6\x97 Да", out));
    EXPECT_EQ(out, "? \xc4\xe0");
    EXPECT_TRUE(text::DecodeCodePage(65001, "ok\xFF", out));
    EXPECT_EQ(out, "ok" + kReplacement);
}

TEST(Utf16, ConvertsPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(text::Utf16ToUtf8(u"\U0001F600x"), "😀x");
    EXPECT_EQ(text::Utf16ToUtf8(std::u16string(u"a\xD800"
                                               "b")),
              "a" + kReplacement + "b");
    EXPECT_EQ(text::Utf16ToUtf8(std::u16string(1, u'\xDC00')), kReplacement);

    const std::string bytes = text::Utf8ToUtf16LeBytes("Aé", true);
    EXPECT_EQ(bytes, std::string("A\0\xe9\0\0\0", 6));
    EXPECT_EQ(text::Utf8ToUtf16LeBytes("A", false), std::string("A\0", 2));
    const auto* raw = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(text::Utf16LeBytesToUtf8(raw, 4), "Aé");
    EXPECT_EQ(text::Utf16LeBytesToUtf8(raw, 3), "A"); // a dangling byte is dropped

    std::string s;
    text::AppendUtf8(s, 0x110000);
    text::AppendUtf8(s, 0x20AC);
    EXPECT_EQ(s, kReplacement + "€");
}

#ifdef _WIN32
// The Win32 boundary: every wide text handed to or taken from the system goes through these two.
TEST(Utf16, WideTextsOfTheSystemKeepPairsAndReplaceBrokenInput) {
    EXPECT_EQ(text::ToWide("a\xC3\xA9\xF0\x9F\x98\x80"), std::wstring(L"a\x00E9\xD83D\xDE00"));
    EXPECT_EQ(text::ToWide("a\xFF!"), std::wstring(L"a\xFFFD!"));
    EXPECT_EQ(text::FromWide(std::wstring(L"\xD83D\xDE00\x20AC")), "\xF0\x9F\x98\x80\xE2\x82\xAC");
    EXPECT_EQ(text::FromWide(std::wstring(L"x\xDC00")), "x" + kReplacement);
    EXPECT_EQ(text::FromWide(text::ToWide("")), "");
}
#endif

} // namespace

TEST(ByteOrderMark, SelectsTheEncodingAndIsDropped) {
    using namespace std::string_literals;
    EXPECT_EQ(text::DecodeWithByteOrderMark("\xFF\xFE"
                                            "a\0\xE9\0"s),
              "a\xC3\xA9");
    EXPECT_EQ(text::DecodeWithByteOrderMark("\xFE\xFF"
                                            "\0a\0"s),
              "a")
        << "an odd last byte is dropped";
    EXPECT_EQ(text::DecodeWithByteOrderMark("\xEF\xBB\xBF"
                                            "caf\xC3\xA9"),
              "caf\xC3\xA9");
    EXPECT_EQ(text::DecodeWithByteOrderMark("\xEF\xBB\xBF"), "");
    EXPECT_EQ(text::DecodeWithByteOrderMark("caf\xE9"), "caf\xC3\xA9") << "no mark: the ANSI code page";
}
