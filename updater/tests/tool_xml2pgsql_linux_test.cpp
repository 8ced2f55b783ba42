// The command-line converter as its users run it: what reaches the terminal, on each stream.
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const char* kDump = "<?xml version=\"1.0\"?>\n<mysqldump>\n<database name=\"db\">\n"
                    "\t<table_data name=\"room\">\n\t<row>\n\t\t<field name=\"id\">1</field>\n\t</row>\n"
                    "\t</table_data>\n\t<table_data name=\"not_listed\">\n\t</table_data>\n"
                    "</database>\n</mysqldump>\n";

struct ToolRun {
    int ExitCode = -1;
    std::string Out, Err;
};

class Xml2PgsqlTool : public ::testing::Test {
protected:
    ToolRun Run(const std::string& dump, const std::string& switches) {
        dir_.Write("dump.xml", dump);
        const std::string command = std::string(TK_BINARY_DIR) + "/updater/tools/xml2pgsql '" +
                                    dir_.Path("dump.xml") + "' '" + dir_.Path("dump.sql") + "' " + switches +
                                    " > '" + dir_.Path("out.txt") + "' 2> '" + dir_.Path("err.txt") + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir_.Read("out.txt"), dir_.Read("err.txt")};
    }

    testsupport::TempDir dir_;
};

TEST_F(Xml2PgsqlTool, AnOrdinaryRunShowsOnlyTheSummary) {
    const ToolRun run = Run(kDump, "");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_THAT(run.Out, HasSubstr("1 tables exported, 1 tables skipped, 1 rows"));
}

TEST_F(Xml2PgsqlTool, VerboseRunsAlsoShowTheLinesOfTheUpdatersLog) {
    const ToolRun run = Run(kDump, "-v");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_THAT(run.Err, HasSubstr("] command line custom parameter - \n"));
    EXPECT_THAT(run.Err, HasSubstr("] Hashmap key - cr\n"));
    EXPECT_THAT(run.Err, HasSubstr("] Skipping table - not_listed\n"));
    EXPECT_THAT(run.Out, HasSubstr("1 tables exported"));
}

TEST_F(Xml2PgsqlTool, AMalformedDumpIsReportedWithoutTheLogLines) {
    const ToolRun run = Run("<mysqldump><database>", "-custom ELM");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_THAT(run.Err, HasSubstr("xml2pgsql: "));
    EXPECT_THAT(run.Err, Not(HasSubstr("Hashmap key")));
    EXPECT_EQ(run.Out, "");
}

} // namespace
