// The input arrives in blocks: tokens cut by a block boundary must come out as if they were whole.
#include "oxml/SAXParser.h"
#include "oxml_recorder.h"

#include <gtest/gtest.h>

using oxml::TSAXParser;
using oxml::test::Drip;
using oxml::test::Recorder;
using Events = std::vector<std::string>;

namespace {

constexpr size_t kBlock = 16384;

Events ParseDripping(const std::string& xml, size_t step = kBlock) {
    TSAXParser parser;
    Recorder r(parser);
    Drip input(xml, step);
    EXPECT_TRUE(parser.ParseStream(input))
        << parser.ParseError().Reason << " at " << parser.ParseError().FilePos;
    return r.events;
}

} // namespace

TEST(SaxBlocks, EveryTokenSurvivesEveryCut) {
    const std::string doc = "<r a=\"1&amp;2\" b='x'><t>O&apos;Brien &#x20AC;\r\nline\rend]]</t><e/>"
                            "<!--comm\nent--><?pi da\nta?><![CDATA[c]]d]]><u>\xC3\xA9\xE2\x82\xAC</u>\r"
                            "\n\t\t<long_element_name_of_a_table>\r\n  </long_element_name_of_a_table>\n</r>";
    const Events expected = ParseDripping(doc);
    ASSERT_GT(expected.size(), 10u);
    // Leading whitespace gives no event, so shifting the document moves each byte of it across the
    // end of the first block in turn.
    for (size_t pad = kBlock - doc.size() - 1; pad <= kBlock + 1; ++pad)
        ASSERT_EQ(ParseDripping(std::string(pad, ' ') + doc), expected) << "pad " << pad;
}

TEST(SaxBlocks, ErrorsAreTheSameWhereverTheBlockEnds) {
    const std::string doc = "<!DOCTExYP0\x0e";
    for (size_t pad = kBlock - doc.size() - 1; pad <= kBlock; ++pad) {
        TSAXParser parser;
        EXPECT_FALSE(parser.ParseBuffer(std::string(pad, ' ') + doc));
        EXPECT_EQ(parser.ParseError().Reason, "The string \"<!DOCTExYP0\" cannot occur in text.") << pad;
    }
}

TEST(SaxBlocks, ATextRunLongerThanABlockIsOneEvent) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "line " + std::to_string(i) + (i % 3 ? " &lt;\n" : "\r\n");
    std::string expected;
    for (int i = 0; i < 20000; ++i)
        expected += "line " + std::to_string(i) + (i % 3 ? " <\r\n" : "\r\n");
    Events events = ParseDripping("<a>" + text + "</a>", 1000);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[2], "C:" + expected);
}

TEST(SaxBlocks, ALongTagAndALongPlainRunAreWhole) {
    std::string value(100000, 'v');
    std::string plain(70000, 'p');
    Events events = ParseDripping("<a x=\"" + value + "\">" + plain + "</a>", 777);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[1], "S:a(x=" + value + ")");
    EXPECT_EQ(events[2], "C:" + plain);
}
