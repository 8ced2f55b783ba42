// ParseFile: the reader over a real file, and the failure to open one.
#include "TempDir.h"
#include "oxml/SAXParser.h"
#include "oxml_recorder.h"

#include <gtest/gtest.h>

using oxml::TSAXParser;
using oxml::test::Recorder;

namespace {

class SaxFile : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        dir_.Write(name, bytes);
        return dir_.Path(name);
    }

    testsupport::TempDir dir_;
};

} // namespace

TEST_F(SaxFile, ReadsAFileLargerThanABlockAndNamesItInErrors) {
    std::string body;
    for (int i = 0; i < 2000; ++i)
        body += "<row><field name=\"id\">" + std::to_string(i) + "</field></row>\n";
    std::string path = Write("dump.xml", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<d>\n" + body +
                                             "<n>\xCF</n></d>");
    TSAXParser parser;
    Recorder r(parser);
    ASSERT_TRUE(parser.ParseFile(path));
    // Declaration, document element, 2000 rows of six events each, the last element, the ends.
    EXPECT_EQ(r.events.size(), 5u + 2000 * 6 + 5);
    EXPECT_EQ(r.events[r.events.size() - 4], "C:\xD0\x9F");

    std::string broken = Write("broken.xml", "<d>\n" + body);
    EXPECT_FALSE(parser.ParseFile(broken));
    EXPECT_EQ(parser.ParseError().FileName, broken);
    EXPECT_EQ(parser.ParseError().Line, 2002u);
}

TEST_F(SaxFile, AFileThatCannotBeOpenedIsAnExceptionNotAParseError) {
    TSAXParser parser;
    bool endDocument = false;
    parser.OnEndDocument = [&](TSAXParser&) { endDocument = true; };
    try {
        parser.ParseFile(dir_.Path("missing.xml"));
        FAIL() << "no exception";
    } catch (const oxml::EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.xml"), std::string::npos);
        EXPECT_EQ(std::string(e.ClassName()), "EFOpenError");
    }
    EXPECT_FALSE(endDocument);
}
