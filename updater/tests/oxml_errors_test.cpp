// Malformed input: every reason text, where it is reported, and how the run ends.
#include "oxml/SAXParser.h"
#include "oxml_recorder.h"

#include <gtest/gtest.h>

using oxml::TParseErrorKind;
using oxml::TSAXParser;
using oxml::test::Recorder;

namespace {

struct Case {
    const char* xml;
    const char* reason;
};

std::string ReasonOf(std::string_view xml) {
    TSAXParser parser;
    EXPECT_FALSE(parser.ParseBuffer(xml)) << xml;
    return parser.ParseError().Reason;
}

} // namespace

TEST(SaxErrors, EveryReasonText) {
    const Case cases[] = {
        {"<1a/>", "\"1a\" is not a valid element name."},
        {"<a></-a>", "\"-a\" is not a valid element name."},
        {"<a>x\x01y</a>", "The character \"0x0001\" cannot occur in text."},
        {"<a>x]]>y</a>", "The character \">\" cannot occur in text."},
        {"<a>\xEF\xBF\xBE</a>", "The character \"0xFFFE\" cannot occur in text."},
        {"<a>&#0;</a>", "The character \"0x0000\" cannot occur in text."},
        {"<a b=\"x<y\"/>", "The character \"<\" cannot occur in attribute."},
        {"<a b=\"\x02\"/>", "The character \"0x0002\" cannot occur in attribute."},
        {"<a><!-- x -- y --></a>", "The string \"--\" cannot occur in text."},
        {"<a><!FOO></a>", "The string \"<!FOO\" cannot occur in text."},
        {"<a/x>", "The character \"x\" cannot occur in element header."},
        {"<a\xFF/>", "The character \"0x00FF\" cannot occur in element header."},
        {"<!DOCTYPE r\xA0[]><r/>", "The character \"0x00A0\" cannot occur in element header."},
        {"<a \xC3=\"1\"/>", "An attribute cannot start with the character \"0x00C3\"."},
        {"<a b=\"1\"c=\"2\"/>", "The character \"c\" cannot occur in element header."},
        {"<a></a x>", "The character \"x\" cannot occur in element header."},
        {"<a 1b=\"2\"/>", "An attribute cannot start with the character \"1\"."},
        {"<a b/>", "Equal sign must follow the attribute \"b\"."},
        {"<a b=1/>", "\"b\" attribute value must be enclosed in quotes."},
        {"<!DOCTYPE a [<!ENTITY e value>]><a/>", "\"e\" entity value must be enclosed in quotes."},
        {"</a>", "Too many elements closed."},
        {"<a><b>", "There are unclosed elements in the document end."},
        {"<a><b x=\"1", "There are unclosed elements in the document end."},
        {"<a><b></a>", "Trying to close wrong element. Close=\"a\", open element=\"b\"."},
        {"<r><table_structure_of_the_room></table_structure_of_the_rooms></r>",
         "Trying to close wrong element. Close=\"table_structure_of_the_rooms\", open "
         "element=\"table_structure_of_the_room\"."},
        {"<r><table_structure_of_the_room_></table_structure_of_the_room-></r>",
         "Trying to close wrong element. Close=\"table_structure_of_the_room-\", open "
         "element=\"table_structure_of_the_room_\"."},
        {"<a>&nbsp;</a>", "\"nbsp\" is not a valid entity."},
        {"<a>&amp </a>", "\"amp\" is not a valid entity."},
        {"<a>&#xZ;</a>", "\"#x\" is not a valid entity."},
        {"<a>&#99999999;</a>", "\"#99999999\" is not a valid entity."},
        {"<a b='&bad;'/>", "\"bad\" is not a valid entity."},
        {"<a/><?xml version='1.0'?>", nullptr},
        {" <?xml version='1.0'?><a/>", "The string \"<?xml\" cannot occur in text."},
    };
    for (const Case& c : cases) {
        if (!c.reason) {
            TSAXParser parser;
            EXPECT_TRUE(parser.ParseBuffer(c.xml)) << c.xml;
            continue;
        }
        EXPECT_EQ(ReasonOf(c.xml), c.reason) << c.xml;
    }
}

TEST(SaxErrors, UnclosedElementsKeepTheEventsSoFarAndStillEndTheDocument) {
    TSAXParser parser;
    Recorder r(parser);
    EXPECT_FALSE(parser.ParseBuffer("<a><b>text</b><c>"));
    EXPECT_EQ(r.events, (std::vector<std::string>{"SD", "S:a", "S:b", "C:text", "E:b", "S:c", "ED"}));
    EXPECT_EQ(parser.ParseError().Reason, "There are unclosed elements in the document end.");
    EXPECT_EQ(parser.ParseError().Kind, TParseErrorKind::InvalidStructure);
    // The next run clears the error.
    EXPECT_TRUE(parser.ParseBuffer("<a/>"));
    EXPECT_FALSE(parser.ParseError().HasError());
}

TEST(SaxErrors, PositionIsLineCharacterInLineAndCharacterInFile) {
    TSAXParser parser;
    EXPECT_FALSE(parser.ParseBuffer("<a>\n  <b>\xC3\xA9\xC3\xA9</c>\n</a>"));
    const oxml::TParseError& e = parser.ParseError();
    EXPECT_EQ(e.Line, 2u);
    EXPECT_EQ(e.LinePos, 8u); // "  <b>éé" is seven characters
    EXPECT_EQ(e.FilePos, 12u);
    EXPECT_EQ(e.Kind, TParseErrorKind::InvalidStructure);
}

TEST(SaxErrors, PositionCountsLinesThatLeftTheWindowLongAgo) {
    std::string xml = "<a>";
    for (int i = 0; i < 5000; ++i)
        xml += "\n<b>0123456789</b>";
    xml += "\n<b>x\x03</b></a>";
    TSAXParser parser;
    EXPECT_FALSE(parser.ParseBuffer(xml));
    EXPECT_EQ(parser.ParseError().Line, 5002u);
    EXPECT_EQ(parser.ParseError().LinePos, 5u);
    EXPECT_EQ(parser.ParseError().FilePos, xml.size() - 8);
}

TEST(SaxErrors, PositionCountsCharactersNotBytesAcrossManyBlocks) {
    std::string xml = "<a>"; // 3 characters
    for (int i = 0; i < 3000; ++i)
        xml += "\n<b>\xC3\xA9\xE2\x82\xAC</b>"; // 10 characters, 13 bytes
    // A line far longer than a block.
    xml += "\n<c>";
    for (int i = 0; i < 20000; ++i)
        xml += "\xC3\xA9";
    xml += "</c>\n<b>\xF0\x9F\x98\x80\x03</b></a>";
    TSAXParser parser;
    EXPECT_FALSE(parser.ParseBuffer(xml));
    EXPECT_EQ(parser.ParseError().Line, 3003u);
    EXPECT_EQ(parser.ParseError().LinePos, 5u);
    EXPECT_EQ(parser.ParseError().FilePos, 3u + 30000 + 20008 + 5 + 1);
}

TEST(SaxErrors, RaiseModeThrowsInsteadOfEndingTheDocument) {
    TSAXParser parser;
    Recorder r(parser);
    parser.ReaderSettings.ErrorHandling = oxml::ehRaise;
    try {
        parser.ParseBuffer("<a><b></a>");
        FAIL() << "no exception";
    } catch (const oxml::ESAXParseError& e) {
        EXPECT_EQ(e.Error().Reason, "Trying to close wrong element. Close=\"a\", open element=\"b\".");
        EXPECT_EQ(std::string(e.ClassName()), "ESAXParseError");
    }
    EXPECT_EQ(r.events.back(), "S:b");
}
