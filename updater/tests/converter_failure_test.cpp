#include "DataConverterUnit.h"
#include "TableListUnit.h"
#include "TempDir.h"
#include "oxml/SAXParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class ConverterFailureTest : public ::testing::Test {
protected:
    void SetUp() override { tables_.Add("room"); }

    std::string In() const { return dir_.Path("dump.xml"); }
    std::string Out() const { return dir_.Path("dump.sql"); }
    void WriteDump(const std::string& xml) const { testsupport::WriteFile(In(), xml); }
    std::string Script() const { return testsupport::ReadFile(Out()); }
    // Runs the converter and returns the message of the error it raised ("" when none).
    std::string ProcessError() {
        TDataConverter converter(In(), Out(), &tables_);
        try {
            converter.Process();
        } catch (const EDataConverterError& e) {
            return e.Describe();
        }
        return "";
    }

    testsupport::TempDir dir_;
    TTableList tables_;
};

std::string Rows(int count) {
    std::string s;
    for (int i = 1; i <= count; ++i)
        s += "\t<row>\n\t\t<field name=\"id\">" + std::to_string(i) + "</field>\n\t</row>\n";
    return s;
}

const std::string kDumpHead =
    "<?xml version=\"1.0\"?>\n<mysqldump xmlns:xsi=\"x\">\n<database name=\"db\">\n";

} // namespace

TEST_F(ConverterFailureTest, TruncatedDumpRollsBackAndReportsWhereItEnded) {
    // 70 rows: one statement is complete, 20 rows are still buffered when the file ends.
    WriteDump(kDumpHead + "\t<table_data name=\"room\">\n" + Rows(70));
    const std::string message = ProcessError();
    EXPECT_THAT(message, StartsWith("EDataConverterError: There are unclosed elements in the document end."));
    EXPECT_THAT(message, HasSubstr("line "));
    EXPECT_THAT(message, HasSubstr("dump.xml"));
    const std::string script = Script();
    EXPECT_THAT(script, StartsWith("START TRANSACTION;\r\nSET CONSTRAINTS ALL DEFERRED;\r\n"));
    EXPECT_THAT(script, EndsWith("('50');\r\n\r\nROLLBACK;\r\n"));
    EXPECT_THAT(script, AllOf(Not(HasSubstr("COMMIT")), Not(HasSubstr("IMMEDIATE")), Not(HasSubstr("'51'"))));
}

TEST_F(ConverterFailureTest, MalformedDumpNamesTheReasonLineAndPosition) {
    WriteDump(kDumpHead + "\t<table_data name=\"room\">\n\t<row>\n\t\t<field name=\"id\">1</row>\n");
    const std::string message = ProcessError();
    EXPECT_THAT(message, HasSubstr("Trying to close wrong element. Close=\"row\", open element=\"field\"."));
    EXPECT_THAT(message, HasSubstr("line 6, position "));
    EXPECT_THAT(Script(), EndsWith("DEFERRED;\r\nROLLBACK;\r\n"));
}

TEST_F(ConverterFailureTest, EmptyDumpIsNotASuccessfulConversion) {
    WriteDump("");
    EXPECT_THAT(ProcessError(), StartsWith("EDataConverterError: "));
    EXPECT_THAT(Script(), EndsWith("ROLLBACK;\r\n"));
}

TEST_F(ConverterFailureTest, MissingDumpRaisesTheOpeningFailureAndLeavesNoCommit) {
    TDataConverter converter(In(), Out(), &tables_);
    EXPECT_THROW(converter.Process(), oxml::EFOpenError);
    EXPECT_THAT(Script(), EndsWith("ROLLBACK;\r\n"));
}

TEST_F(ConverterFailureTest, OutputThatCannotBeCreatedRaises) {
    WriteDump(kDumpHead + "</database>\n</mysqldump>\n");
    TDataConverter converter(In(), dir_.Path("no/such/dir/out.sql"), &tables_);
    EXPECT_THROW(converter.Process(), EDataConverterError);
}

TEST_F(ConverterFailureTest, ContentAfterTheDocumentElementIsNotRead) {
    WriteDump(kDumpHead + "\t<table_data name=\"room\">\n" + Rows(1) +
              "\t</table_data>\n</database>\n</mysqldump>\n"
              "<garbage><<");
    EXPECT_EQ(ProcessError(), "");
    EXPECT_THAT(Script(), EndsWith("('1');\r\n\r\nSET CONSTRAINTS ALL IMMEDIATE;\r\nCOMMIT;\r\n"));
}
