// The block-wise scanning of text and attribute values: every byte that needs a closer look must be
// found wherever it lies in a block, and runs cut by a block boundary or a refill must come out whole.
#include "oxml/SAXParser.h"
#include "oxml/XmlScan.h"
#include "oxml_recorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using oxml::TSAXParser;
using oxml::test::Drip;
using oxml::test::Recorder;
using namespace oxml::detail;

namespace {

constexpr size_t kBlock = 16384;

using Finder = std::function<const char*(const char*)>;

struct Scanner {
    const char* name;
    Finder text, attribute;
};

std::vector<Scanner> Scanners() {
    std::vector<Scanner> all = {{"swar", [](const char* p) { return FindStopSwar(p, TextStops{}); },
                                 [](const char* p) { return FindStopSwar(p, AttributeStops{}); }}};
#if defined(__SSE2__)
    all.push_back({"sse2", [](const char* p) { return FindStopSse2(p, TextStops{}); },
                   [](const char* p) { return FindStopSse2(p, AttributeStops{}); }});
#endif
    return all;
}

// What each scan must stop at, stated apart from the scanners.
bool TextStop(unsigned b) {
    return b < 0x20 || b >= 0x80 || b == '<' || b == '&' || b == ']';
}
bool AttributeStop(unsigned b) {
    return b < 0x20 || b >= 0x80 || b == '<' || b == '&' || b == '"' || b == '\'';
}

// A plain run with byte b at offset at and the NUL guard at 40, padded as the reader's window is.
std::string Window(unsigned b, size_t at) {
    std::string w(40, 'x');
    w[at] = static_cast<char>(b);
    w.append(64, '\0');
    return w;
}

std::vector<std::string> Events(const std::string& xml, size_t step = kBlock) {
    TSAXParser parser;
    Recorder r(parser);
    Drip input(xml, step);
    EXPECT_TRUE(parser.ParseStream(input)) << parser.ParseError().Reason;
    return r.events;
}

} // namespace

TEST(SaxScan, EveryByteAtEveryOffsetOfABlockIsFoundOrPassed) {
    for (const Scanner& s : Scanners()) {
        for (unsigned b = 1; b < 256; ++b) {
            for (size_t at = 0; at < 33; ++at) {
                const std::string w = Window(b, at);
                EXPECT_EQ(s.text(w.data()) - w.data(), TextStop(b) ? at : 40u) << s.name << " text " << b;
                EXPECT_EQ(s.attribute(w.data()) - w.data(), AttributeStop(b) ? at : 40u)
                    << s.name << " attribute " << b << " at " << at;
            }
        }
    }
}

TEST(SaxScan, TheFirstOfSeveralStopsIsFoundAndNotALaterOne) {
    // A control byte borrows from the byte above it in a word: the one found must still be the first.
    for (const Scanner& s : Scanners()) {
        for (size_t at = 0; at < 24; ++at) {
            std::string w = Window('\x01', at);
            w[at + 1] = '<';
            w[at + 2] = '\xC3';
            EXPECT_EQ(s.text(w.data()) - w.data(), at) << s.name;
            w[at] = '"';
            w[at + 1] = '\x1F';
            EXPECT_EQ(s.attribute(w.data()) - w.data(), at) << s.name;
        }
    }
}

TEST(SaxScan, MultibyteRunsAreSkippedOnlyWhileTheyAreAllowedAndWhole) {
    const std::string greek = "\xCE\xB1\xCE\xB8";       // two 2-byte characters
    const std::string cjk = "\xE6\x97\xA5\xE6\x9C\xAC"; // two 3-byte characters
    const std::string emoji = "\xF0\x9F\x98\x80";       // one 4-byte character
    const std::string run = greek + cjk + emoji + "x";
    EXPECT_EQ(SkipMultibyte(run.data(), run.data() + run.size()) - run.data(), 14);
    // Cut by the end of the input read so far: only the characters wholly before it are taken.
    EXPECT_EQ(SkipMultibyte(run.data(), run.data() + 12) - run.data(), 10);
    EXPECT_EQ(SkipMultibyte(run.data(), run.data() + 3) - run.data(), 2);
    for (std::string refused :
         {"\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xED\xA0\x80", "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF",
          "\xF0\x80\x80\xAF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xC3x", "\xE6\x97x"}) {
        const std::string s = greek + refused + "x";
        EXPECT_EQ(SkipMultibyte(s.data(), s.data() + s.size()) - s.data(), 4) << refused;
    }
    const std::string lastAllowed = "\xEF\xBF\xBD\xF4\x8F\xBF\xBF";
    EXPECT_EQ(SkipMultibyte(lastAllowed.data(), lastAllowed.data() + 7) - lastAllowed.data(), 7);
}

TEST(SaxScan, ASpecialCharacterAtEveryOffsetOfARunComesOutRewritten) {
    const std::pair<std::string, std::string> specials[] = {
        {"&amp;", "&"},
        {"&apos;", "'"},
        {"&quot;", "\""},
        {"&#233;", "\xC3\xA9"},
        {"\n", "\r\n"},
        {"\r", "\r\n"},
        {"\r\n", "\r\n"},
        {"]", "]"},
        {"\t", "\t"},
        {"\xC3\xA9", "\xC3\xA9"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xFF", "\xEF\xBF\xBD"},
    };
    for (const auto& [written, read] : specials) {
        for (size_t at = 0; at < 40; ++at) {
            const std::string before(at, 'a'), after(37 - at % 37, 'b');
            const std::string xml = "<r v=\"" + before +
                                    (written == "\n" || written[0] == '\r' ? "" : written) + after + "\">" +
                                    before + written + after + "</r>";
            const std::vector<std::string> events = Events(xml);
            ASSERT_EQ(events.size(), 5u) << written;
            EXPECT_EQ(events[2], "C:" + before + read + after) << "offset " << at;
            if (written != "\n" && written[0] != '\r') {
                EXPECT_EQ(events[1], "S:r(v=" + before + read + after + ")") << "offset " << at;
            }
        }
    }
}

TEST(SaxScan, RunsCutByARefillAreWhole) {
    // The run, with an entity, a line break and characters of every length, is moved across the end of
    // the first block byte by byte and read in pieces of several sizes.
    const std::string text = "O&apos;Brien \xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80\n&lt;]x";
    const std::string read = "C:O'Brien \xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80\r\n<]x";
    for (size_t step : {size_t(3), size_t(7), size_t(16), kBlock}) {
        for (size_t pad = kBlock - 40; pad <= kBlock; ++pad) {
            const std::string xml = "<r>" + std::string(pad, 'p') + text + "</r>";
            const std::vector<std::string> events = Events(xml, step);
            ASSERT_EQ(events.size(), 5u);
            ASSERT_EQ(events[2], "C:" + std::string(pad, 'p') + read.substr(2)) << "pad " << pad;
        }
        // The tag's opening is six bytes: the CJK character lies across the end of the first block.
        const std::string value = std::string(kBlock - 7, 'v') + "\xE6\x97\xA5&amp;" + std::string(30, 'w');
        const std::vector<std::string> events = Events("<r a=\"" + value + "\"/>", step);
        ASSERT_EQ(events.size(), 4u);
        EXPECT_EQ(events[1],
                  "S:r(a=" + std::string(kBlock - 7, 'v') + "\xE6\x97\xA5&" + std::string(30, 'w') + ")");
    }
}

TEST(SaxScan, ErrorsAfterLongRunsAreReportedAtTheirLineAndCharacter) {
    // Lines of multibyte text longer than a block before the error: the position counts characters.
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "line \xCE\xB1\xE6\x97\xA5\xF0\x9F\x98\x80 " + std::to_string(i) + "\n";
    const std::string lastLine = "\xC3\xA9\xC3\xA9 &amp; ";
    struct Case {
        std::string xml;
        uint64_t line, pos;
    } cases[] = {
        {"<r>" + text + lastLine + "\x01</r>", 3001, 10},
        {"<r>\n<a>" + text + "</a><b v=\"" + std::string(20000, 'v') + "\x02\"/></r>", 3002, 20011},
        {"<r>" + text + lastLine + "&nope;</r>", 3001, 10},
    };
    for (const Case& c : cases) {
        TSAXParser parser;
        EXPECT_FALSE(parser.ParseBuffer(c.xml));
        EXPECT_EQ(parser.ParseError().Line, c.line) << parser.ParseError().Reason;
        EXPECT_EQ(parser.ParseError().LinePos, c.pos) << parser.ParseError().Reason;
    }
}
