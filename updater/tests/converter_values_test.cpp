// Values as the converter copies them: quotes doubled wherever they lie, long values and BLOBs whole,
// and rows and statements that grow past the buffers' first sizes.
#include "DataConverterUnit.h"
#include "TableListUnit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

std::string ConvertRows(const std::string& rows) {
    testsupport::TempDir dir;
    testsupport::WriteFile(
        dir.Path("in.xml"),
        "<mysqldump xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><database name=\"d\">"
        "<table_data name=\"t\">" +
            rows + "</table_data></database></mysqldump>");
    TTableList tables;
    tables.Add("t");
    TDataConverter converter(dir.Path("in.xml"), dir.Path("out.sql"), &tables);
    converter.Process();
    const std::string script = testsupport::ReadFile(dir.Path("out.sql"));
    const size_t open = script.find("VALUES \n"), close = script.rfind(";\r\n\r\n");
    return open == std::string::npos || close == std::string::npos
               ? "<no statement>"
               : script.substr(open + 8, close - open - 8);
}

} // namespace

TEST(ConverterValues, QuotesAreDoubledAtEveryOffsetAndInRuns) {
    for (size_t at = 0; at < 40; ++at) {
        const std::string before(at, 'a'), after(40 - at, 'b');
        EXPECT_EQ(ConvertRows("<row><field name=\"v\">" + before + "'" + after + "</field></row>"),
                  "('" + before + "''" + after + "')")
            << at;
    }
    EXPECT_EQ(ConvertRows("<row><field name=\"v\">'''x''</field><field name=\"w\">'</field></row>"),
              "('''''''x''''','''')");
}

TEST(ConverterValues, LongValuesAndManyFieldsArriveWhole) {
    std::string hex, text, fields, expected;
    for (int i = 0; i < 100000; ++i)
        hex += "0123456789ABCDEF"[i % 16];
    for (int i = 0; i < 3000; ++i)
        text += "O'Brien \xCE\xB1\xCE\xB8 " + std::to_string(i) + "\n";
    std::string quotedText;
    for (char c : text) {
        if (c == '\n')
            quotedText += '\r';
        quotedText += c;
        if (c == '\'')
            quotedText += '\'';
    }
    for (int i = 0; i < 300; ++i) {
        fields += "<field name=\"f" + std::to_string(i) + "\">" + std::to_string(i) + "</field>";
        expected += ",'" + std::to_string(i) + "'";
    }
    EXPECT_EQ(ConvertRows("<row><field name=\"b\" xsi:type=\"xs:hexBinary\">" + hex +
                          "</field><field name=\"t\">" + text + "</field>" + fields + "</row>"),
              "(decode('" + hex + "', 'hex'),'" + quotedText + "'" + expected + ")");
}
