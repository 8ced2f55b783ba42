#include "DataConverterUnit.h"
#include "LoggerUnit.h"
#include "TableListUnit.h"
#include "TempDir.h"
#include "oxml/SAXParser.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

namespace {

const std::string kHead = "START TRANSACTION;\r\nSET CONSTRAINTS ALL DEFERRED;\r\n";
const std::string kTail = "SET CONSTRAINTS ALL IMMEDIATE;\r\nCOMMIT;\r\n";

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        tables_.Add("room");
        tables_.Add("employee");
    }

    std::string In() const { return dir_.Path("full-backup.xml"); }
    std::string Out() const { return dir_.Path("full-backup.sql"); }

    // Converts a dump whose database element holds body; returns the script.
    std::string Convert(const std::string& body, const TTableList* tables) {
        WriteDump(
            "<?xml version=\"1.0\"?>\n<mysqldump xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
            "<database name=\"db\">\n" +
            body + "</database>\n</mysqldump>\n");
        TDataConverter converter(In(), Out(), tables);
        converter.Process();
        return Script();
    }
    std::string Convert(const std::string& body) { return Convert(body, &tables_); }

    void WriteDump(const std::string& xml) const { testsupport::WriteFile(In(), xml); }
    std::string Script() const { return testsupport::ReadFile(Out()); }

    testsupport::TempDir dir_;
    TTableList tables_;
};

std::string Rows(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i)
        s += "\t<row>\n\t\t<field name=\"id\">" + std::to_string(i) + "</field>\n\t\t<field name=\"name\">r" +
             std::to_string(i) + "</field>\n\t</row>\n";
    return s;
}

std::string Table(const std::string& name, const std::string& rows) {
    return "\t<table_data name=\"" + name + "\">\n" + rows + "\t</table_data>\n";
}

std::string Field(const std::string& attrs, const std::string& text) {
    return "\t<row>\n\t\t<field name=\"v\"" + attrs + ">" + text + "</field>\n\t</row>\n";
}

// The value text of the single row of the single statement of a script.
std::string SingleValue(const std::string& script) {
    const size_t open = script.find("VALUES \n(");
    const size_t close = script.rfind(");\r\n\r\n");
    if (open == std::string::npos || close == std::string::npos)
        return "<no statement>";
    return script.substr(open + 9, close - open - 9);
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(ConverterTest, WritesTheStatementLayoutExactly) {
    const std::string script =
        Convert(Table("room", "<row><field name=\"id\">1</field><field name=\"name\">A-1</field>"
                              "</row><row><field name=\"id\">2</field>"
                              "<field name=\"name\" xsi:nil=\"true\" /></row>"));
    EXPECT_EQ(script,
              kHead + "INSERT INTO room (id,name) VALUES \n('1','A-1'),\n('2',NULL);\r\n\r\n" + kTail);
}

TEST_F(ConverterTest, SplitsLargeTablesIntoStatementsOfFiftyRowsWithOneColumnList) {
    const std::string script = Convert(Table("room", Rows(120)));
    EXPECT_EQ(Count(script, "INSERT INTO room (id,name) VALUES \n"), 3u);
    EXPECT_EQ(Count(script, "INSERT INTO"), 3u);
    const size_t second = script.find("INSERT", script.find("INSERT") + 1);
    const size_t third = script.find("INSERT", second + 1);
    EXPECT_EQ(Count(script.substr(0, second), "('"), 50u);
    EXPECT_EQ(Count(script.substr(second, third - second), "('"), 50u);
    EXPECT_EQ(Count(script.substr(third), "('"), 20u);
    EXPECT_NE(script.find("('50','r50');\r\n\r\nINSERT INTO room"), std::string::npos);
    EXPECT_NE(script.find("('120','r120');\r\n\r\n" + kTail), std::string::npos);
}

TEST_F(ConverterTest, DumpWithoutListedTablesGivesOnlyTheFixedLines) {
    testing_support::CapturedLog log;
    EXPECT_EQ(Convert(Table("sessions", Rows(3)) + Table("audit", Rows(1))), kHead + kTail);
    EXPECT_EQ(log.Messages(),
              (std::vector<std::string>{"Skipping table - sessions", "Skipping table - audit"}));
}

TEST_F(ConverterTest, WithoutATableListEveryTableIsSkipped) {
    EXPECT_EQ(Convert(Table("room", Rows(3)), nullptr), kHead + kTail);
}

TEST_F(ConverterTest, TablesWithoutRowsGiveNoStatement) {
    EXPECT_EQ(Convert(Table("room", "") + "\t<table_data name=\"employee\" />\n"), kHead + kTail);
}

TEST_F(ConverterTest, MatchesTableNamesWithoutRegardToCaseAndKeepsTheDumpSpelling) {
    const std::string script = Convert(Table("ROOM", Rows(1)));
    EXPECT_NE(script.find("INSERT INTO ROOM (id,name) VALUES \n('1','r1');"), std::string::npos);
}

TEST_F(ConverterTest, QuotesTextAndDoublesSingleQuotes) {
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "O&apos;Brien")))), "'O''Brien'");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "''")))), "''''''");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "a\\b\t&lt;c&gt; &amp; \"d\"")))),
              "'a\\b\t<c> & \"d\"'");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "\xF0\x9F\x98\x80 \xD0\x96")))),
              "'\xF0\x9F\x98\x80 \xD0\x96'");
}

TEST_F(ConverterTest, WritesNullOnlyForNilTrue) {
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(" xsi:nil=\"true\"", "")))), "NULL");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(" xsi:nil=\"true\"", "ignored")))), "NULL");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(" xsi:nil=\"false\"", "5")))), "'5'");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(" xsi:nil=\"TRUE\"", "5")))), "'5'");
}

TEST_F(ConverterTest, DecodesHexadecimalFields) {
    const std::string hex = " xsi:type=\"xs:hexBinary\"";
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(hex, "48656C6C6F")))), "decode('48656C6C6F', 'hex')");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(hex, "")))), "decode('', 'hex')");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(hex + " xsi:nil=\"true\"", "")))), "NULL");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field(" xsi:type=\"xs:string\"", "00")))), "'00'");
}

TEST_F(ConverterTest, WritesEmptyFieldsAsEmptyStrings) {
    EXPECT_EQ(SingleValue(Convert(Table("room", "<row><field name=\"a\"/><field name=\"b\"></field></row>"))),
              "'',''");
}

TEST_F(ConverterTest, KeepsLineBreaksInsideValuesAsCrLf) {
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "line 1\nline 2\r\nline 3")))),
              "'line 1\r\nline 2\r\nline 3'");
}

TEST_F(ConverterTest, TakesOnlyTheFirstTextRunOfAField) {
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "a<!-- c -->b")))), "'a'");
    EXPECT_EQ(SingleValue(Convert(Table("room", Field("", "<![CDATA[x<y]]>z")))), "'x<y'");
}

TEST_F(ConverterTest, IgnoresColumnDescriptionsOutsideTableData) {
    const std::string structure = "\t<table_structure name=\"room\">\n"
                                  "\t\t<field Field=\"id\" Type=\"int(11)\" Null=\"NO\" />\n"
                                  "\t\t<field name=\"ghost\">x</field>\n"
                                  "\t</table_structure>\n";
    const std::string script = Convert(structure + Table("room", Rows(1)));
    EXPECT_EQ(script, kHead + "INSERT INTO room (id,name) VALUES \n('1','r1');\r\n\r\n" + kTail);
}

TEST_F(ConverterTest, ColumnListOfEachTableComesFromItsFirstRow) {
    const std::string script =
        Convert(Table("room", Rows(2)) + Table("employee", Field("", "x") + Field("", "y")));
    EXPECT_NE(script.find("INSERT INTO room (id,name) VALUES \n('1','r1'),\n('2','r2');"), std::string::npos);
    EXPECT_NE(script.find("INSERT INTO employee (v) VALUES \n('x'),\n('y');"), std::string::npos);
}

TEST_F(ConverterTest, NestedTableDataKeepsEachTablesRowsApart) {
    const std::string script = Convert("\t<table_data name=\"room\">\n" + Rows(2) +
                                       Table("employee", Field("", "x")) + "\t</table_data>\n");
    EXPECT_EQ(script, kHead + "INSERT INTO room (id,name) VALUES \n('1','r1'),\n('2','r2');\r\n\r\n" +
                          "INSERT INTO employee (v) VALUES \n('x');\r\n\r\n" + kTail);
}

TEST_F(ConverterTest, IgnoresFieldsThatStandOutsideARow) {
    const std::string script = Convert(Table("room", "<field name=\"id\">9</field>" + Rows(1)));
    EXPECT_NE(script.find("VALUES \n('1','r1');"), std::string::npos);
    EXPECT_EQ(script.find("'9'"), std::string::npos);
}

TEST(ColumnNames, AreQuotedWhenTheyAreNotPlainIdentifiers) {
    EXPECT_EQ(QuoteColumnName("room_id"), "room_id");
    EXPECT_EQ(QuoteColumnName("RoomId$2"), "RoomId$2");
    EXPECT_EQ(QuoteColumnName("first name"), "\"first name\"");
    EXPECT_EQ(QuoteColumnName("a,b"), "\"a,b\"");
    EXPECT_EQ(QuoteColumnName("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(QuoteColumnName("tab\tname"), "\"tab\tname\"");
    // Anything that could end the column list must stay inside the quotes.
    EXPECT_EQ(QuoteColumnName("a);DROP/**/TABLE/**/x;--"), "\"a);DROP/**/TABLE/**/x;--\"");
    EXPECT_EQ(QuoteColumnName("1st"), "\"1st\"");
}

TEST_F(ConverterTest, ColumnListQuotesNamesThatNeedIt) {
    const std::string script = Convert(
        Table("room", "<row><field name=\"first name\">a</field><field name=\"x&quot;y\">b</field></row>"));
    EXPECT_NE(script.find("INSERT INTO room (\"first name\",\"x\"\"y\") VALUES \n"), std::string::npos);
}
