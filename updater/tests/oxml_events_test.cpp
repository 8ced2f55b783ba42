// Event order and delivery of texts, references, line breaks and attributes.
#include "oxml/SAXParser.h"
#include "oxml_recorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

using oxml::TSAXAttributes;
using oxml::TSAXParser;
using oxml::test::Recorder;
using Events = std::vector<std::string>;

namespace {

Events Parse(std::string_view xml, TSAXParser& parser, bool expectOk = true) {
    Recorder r(parser);
    EXPECT_EQ(parser.ParseBuffer(xml), expectOk) << parser.ParseError().Reason;
    return r.events;
}

Events Parse(std::string_view xml) {
    TSAXParser parser;
    return Parse(xml, parser);
}

} // namespace

TEST(SaxEventOrder, LeadingWhitespaceGivesNoEventAndStartDocumentComesFirst) {
    EXPECT_EQ(Parse(" \r\n\t<a>x</a>"), (Events{"SD", "S:a", "C:x", "E:a", "ED"}));
    // The declaration is markup: it starts the document, so the line break after it is text.
    EXPECT_EQ(Parse("<?xml version=\"1.0\"?>\n<a/>"),
              (Events{"SD", "X(version=1.0)", "C:\r\n", "S:a", "E:a", "ED"}));
}

TEST(SaxEventOrder, EmptyElementTagIsStartThenEndWithNothingBetween) {
    EXPECT_EQ(Parse("<r><f name='id' xsi:nil=\"true\"/></r>"),
              (Events{"SD", "S:r", "S:f(name=id,xsi:nil=true)", "E:f", "E:r", "ED"}));
}

TEST(SaxEventOrder, CommentsInstructionsAndDoctypeAroundTheDocument) {
    EXPECT_EQ(Parse("<!DOCTYPE r><!--c1--><?pi some data?><r><?x?></r>"),
              (Events{"SD", "M:c1", "P:pi|some data", "S:r", "P:x|", "E:r", "ED"}));
}

TEST(SaxEventOrder, NothingAfterTheDocumentElementIsRead) {
    EXPECT_EQ(Parse("<a/>  junk <<< &bogus; </z>"), (Events{"SD", "S:a", "E:a", "ED"}));
    EXPECT_EQ(Parse("<a></a><!-- -- bad comment"), (Events{"SD", "S:a", "E:a", "ED"}));
}

TEST(SaxEventOrder, ReadingToTheEndDeliversTrailingContentAndItsErrors) {
    TSAXParser parser;
    parser.ReaderSettings.BreakReading = oxml::brNone;
    EXPECT_EQ(Parse("<a/><!--t-->x", parser), (Events{"SD", "S:a", "E:a", "M:t", "C:x", "ED"}));
    Parse("<a/></z>", parser, false);
    EXPECT_EQ(parser.ParseError().Reason, "Too many elements closed.");
}

TEST(SaxEventOrder, TextBeforeTheDocumentElementStartsTheDocument) {
    EXPECT_EQ(Parse("  hello <a/>"), (Events{"SD", "C:  hello ", "S:a", "E:a", "ED"}));
}

TEST(SaxEventOrder, EmptyInputGivesNoEventsAndNoError) {
    EXPECT_EQ(Parse(""), Events{});
    EXPECT_EQ(Parse(" \n "), Events{});
}

TEST(SaxStopParsing, EndsTheRunBeforeTheNextTokenWithoutEndDocument) {
    TSAXParser parser;
    Recorder r(parser);
    parser.OnStartElement = [&](TSAXParser& p, std::string_view name, const TSAXAttributes&) {
        r.events.push_back("S:" + std::string(name));
        if (name == "b")
            p.StopParsing();
    };
    EXPECT_TRUE(parser.ParseBuffer("<a><b>text</b><c/></a>"));
    EXPECT_EQ(r.events, (Events{"SD", "S:a", "S:b"}));
    // A new run starts afresh.
    EXPECT_TRUE(parser.ParseBuffer("<a/>"));
    EXPECT_EQ(r.events.back(), "ED");
}

TEST(SaxStopParsing, AHandlerExceptionLeavesTheParser) {
    TSAXParser parser;
    parser.OnEndElement = [](TSAXParser&, std::string_view) { throw std::runtime_error("boom"); };
    EXPECT_THROW(parser.ParseBuffer("<a><b/></a>"), std::runtime_error);
}

TEST(SaxText, ReferencesAreReplacedInOneEvent) {
    EXPECT_EQ(Parse("<a>O&apos;Brien</a>"), (Events{"SD", "S:a", "C:O'Brien", "E:a", "ED"}));
    EXPECT_EQ(Parse("<a>&lt;&gt;&amp;&quot;&#65;&#x42;&#x20AC;&#128512;</a>")[2],
              "C:<>&\"AB\u20AC\U0001F600");
}

TEST(SaxText, LineBreaksArriveAsCrLf) {
    EXPECT_EQ(Parse("<a>one\ntwo\r\nthree\rfour\n</a>")[2], "C:one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(Parse("<a><![CDATA[x\ny]]><!--p\nq--></a>"),
              (Events{"SD", "S:a", "C:x\r\ny", "M:p\r\nq", "E:a", "ED"}));
}

TEST(SaxText, IndentationBetweenTagsArrivesWithItsLineBreakAsCrLf) {
    const std::string deep(20, '\t');
    EXPECT_EQ(Parse("<r>\n\t\t<a/>\r\n  <b/>\n \t<c/>\n" + deep + "<d/>\r\t<e/>\n</r>"),
              (Events{"SD",       "S:r",       "C:\r\n\t\t", "S:a",    "E:a",           "C:\r\n  ", "S:b",
                      "E:b",      "C:\r\n \t", "S:c",        "E:c",    "C:\r\n" + deep, "S:d",      "E:d",
                      "C:\r\n\t", "S:e",       "E:e",        "C:\r\n", "E:r",           "ED"}));
    // Nested far and with long names, every element closes where it was opened.
    std::string open, close;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "level_" + std::string(i % 40, 'n') + std::to_string(i);
        open += "<" + name + ">\n\t";
        close = "</" + name + ">" + close;
    }
    TSAXParser parser;
    Parse(open + close, parser);
}

TEST(SaxText, OtherLineBreakModes) {
    TSAXParser parser;
    parser.ReaderSettings.LineBreak = oxml::lbLF;
    EXPECT_EQ(Parse("<a>1\r\n2\r3\n</a>", parser)[2], "C:1\n2\n3\n");
    parser.ReaderSettings.LineBreak = oxml::lbCR;
    EXPECT_EQ(Parse("<a>1\r\n2\r3\n</a>", parser)[2], "C:1\r2\r3\r");
    parser.ReaderSettings.LineBreak = oxml::lbDoNotProcess;
    EXPECT_EQ(Parse("<a>1\r\n2\r3\n</a>", parser)[2], "C:1\r\n2\r3\n");
}

TEST(SaxText, CDataIsAnEventOfItsOwnAndLeftUnexpanded) {
    EXPECT_EQ(Parse("<a>a<![CDATA[b&amp;<x>]]>c</a>"),
              (Events{"SD", "S:a", "C:a", "C:b&amp;<x>", "C:c", "E:a", "ED"}));
}

TEST(SaxText, WhitespaceInsideTheDocumentIsDelivered) {
    EXPECT_EQ(Parse("<a>\n\t<b/>\n</a>"),
              (Events{"SD", "S:a", "C:\r\n\t", "S:b", "E:b", "C:\r\n", "E:a", "ED"}));
}

TEST(SaxText, UnexpandedReferencesArriveOnTheirOwn) {
    TSAXParser parser;
    parser.ReaderSettings.ExpandEntities = false;
    EXPECT_EQ(Parse("<a>x&amp;y&#65;</a>", parser),
              (Events{"SD", "S:a", "C:x", "C:&amp;", "C:y", "C:&#65;", "E:a", "ED"}));
}

TEST(SaxText, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(Parse("<a>x\xFFy\xC3</a>")[2], "C:x\xEF\xBF\xBDy\xEF\xBF\xBD");
    EXPECT_EQ(Parse("<a>\xC3\xA9t\xC3\xA9</a>")[2], "C:\xC3\xA9t\xC3\xA9");
}

TEST(SaxText, DeclaredEntitiesOfTheInternalSubsetExpand) {
    const char* xml =
        "<!DOCTYPE r [\n<!ELEMENT r ANY>\n<!ATTLIST r a CDATA '>'>\n<!-- ] -->\n"
        "<!ENTITY co \"Brackwell &amp; Co\">\n<!ENTITY full 'Ltd. &co;'>\n"
        "<!ENTITY ext SYSTEM \"x.ent\">\n<!ENTITY % pe 'p'>\n%pe;\n]><r t=\"&full;\">&full;</r>";
    EXPECT_EQ(Parse(xml), (Events{"SD", "S:r(t=Ltd. Brackwell & Co)", "C:Ltd. Brackwell & Co", "E:r", "ED"}));
}

TEST(SaxText, DeclaredEntityValuesAreMadeUtf8) {
    EXPECT_EQ(Parse("<!DOCTYPE r [<!ENTITY e \"x\x95y\">]><r>&e;</r>")[2], "C:x\xEF\xBF\xBDy");
}

TEST(SaxText, LenientReadingKeepsUnknownReferencesAndControls) {
    TSAXParser parser;
    parser.ReaderSettings.StrictXML = false;
    EXPECT_EQ(Parse("<a>&nope; &amp x\x01</a>", parser)[2], "C:&nope; &amp x\x01");
}

TEST(SaxAttributes, ValuesAreExpandedAndNamesKeptExactly) {
    TSAXParser parser;
    std::string seen;
    parser.OnStartElement = [&](TSAXParser&, std::string_view, const TSAXAttributes& a) {
        std::string_view v;
        bool found = a.Find("q", v);
        seen = std::string(a.Get("xsi:nil")) + "|" + std::string(a.Get("XSI:nil")) + "|" +
               std::to_string(a.Has("nil")) + "|" + std::string(a.GetDef("missing", "def")) + "|" +
               std::to_string(found) + std::string(v) + "|" + std::to_string(a.Count());
    };
    EXPECT_TRUE(parser.ParseBuffer("<f xsi:nil=\"true\" q = 'a&lt;&quot;b\"' e=\"\"/>"));
    EXPECT_EQ(seen, "true||0|def|1a<\"b\"|3");
}

TEST(SaxAttributes, ATagWithThreeHundredAttributesFindsEveryOne) {
    std::string xml = "<t";
    for (int i = 0; i < 300; ++i)
        xml += " a" + std::to_string(i) + "=\"v" + std::to_string(i) + (i % 7 ? "" : "&amp;") + "\"";
    xml += " a5=\"dup\"/>";
    TSAXParser parser;
    int found = 0;
    parser.OnStartElement = [&](TSAXParser&, std::string_view, const TSAXAttributes& a) {
        ASSERT_EQ(a.Count(), 301u);
        for (int i = 0; i < 300; ++i) {
            std::string n = std::to_string(i);
            found += a.Get(std::string("a").append(n)) == std::string("v").append(n).append(i % 7 ? "" : "&");
        }
        EXPECT_EQ(a.Get("a5"), "v5");
        EXPECT_FALSE(a.Has("a300"));
        EXPECT_EQ(a.Name(300), "a5");
    };
    EXPECT_TRUE(parser.ParseBuffer(xml));
    EXPECT_EQ(found, 300);
    // The index of a large tag must not leak into the next, small one.
    parser.OnStartElement = [&](TSAXParser&, std::string_view name, const TSAXAttributes& a) {
        if (name != "s")
            return;
        EXPECT_FALSE(a.Has("a1"));
        EXPECT_EQ(a.Get("b"), "1");
    };
    EXPECT_TRUE(parser.ParseBuffer(xml.substr(0, xml.size() - 2) + "><s b='1'/></t>"));
}
