// tfctl backup FILE: the backup's steps as lines of text and an exit code, with the simulated service
// manager playing the web server and the backup script run through the command interpreter's stand-in.
// One case backs up a real PostgreSQL database with pg_dump and restores it into a fresh one.
#include "BackupOperations.h"
#include "BackupSteps.h"
#include "RealPostgres.h"
#include "backup_fixture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* StopLine =
    "Server Manager is attempting to stop the following service on Local Computer: Tallyfix Server\n";
constexpr const char* DataLine = "Backup in Progress... Backing up data... Please wait.\n";
constexpr const char* StartLine =
    "Server Manager is attempting to start the following service on Local Computer: Tallyfix Server\n";
constexpr const char* Success = "Backup completed successfully. Backup duration: 0.000 sec.\n";

struct TRun {
    int Code;
    std::string Out, Err;
};

class BackupCommand : public testsupport::BackupFixture {
protected:
    BackupCommand() : BackupFixture("manager/tfctl") {}

    static TRun Run(const std::vector<std::string>& AArgs) {
        std::ostringstream out, err;
        const int code = RunBackupCommand(AArgs, out, err);
        return {code, out.str(), err.str()};
    }
};

TEST_F(BackupCommand, ThePhasesGoToStandardErrorTheSuccessToStandardOutputAndAnyFailureExitsWithOne) {
    const std::string file = dir.Path("db dump.sql");
    const std::string details = "Error: An unexpected error happened during backup. Error details:\n";
    const struct {
        const char* what;
        std::function<void()> prepare;
        int code;
        std::string out, err;
    } rows[] = {
        {"backup made", [&] { Script("printf 'dump' > \"$1\"\n"); }, 0, Success,
         std::string(StopLine) + DataLine + StartLine},
        {"script writes to standard error", [&] { Script("printf 'dump' > \"$1\"\necho 'disk full' >&2\n"); },
         1, "", std::string(StopLine) + DataLine + StartLine + details + "disk full\n"},
        {"file not written", [&] { Script("exit 0\n"); }, 1, "",
         std::string(StopLine) + DataLine + StartLine + details + "The backup file " + file +
             " is missing or empty.\n"},
        {"interpreter missing", [&] { UseInterpreter("/nonexistent/cmd.exe"); }, 1, "",
         std::string(StopLine) + DataLine + StartLine + details +
             "The backup script could not be started with /nonexistent/cmd.exe: The system cannot find the "
             "file specified.\n"},
        {"web server not stopped",
         [&] {
             SetWebServer(4, {}, {testsupport::Status(3, 2), testsupport::Status(3, 1)});
         },
         1, "", std::string(StopLine) + "Error: Can not stop Tomcat9 Service\n"},
        {"web server not installed", [&] { sim.Services->RemoveService("Tomcat9"); }, 1, Success,
         std::string(StopLine) + DataLine + StartLine +
             "The specified service does not exist as an installed service.\n"
             "Error: Can not start Tomcat9 Service\n"},
        {"web server not started", [&] { SetWebServer(4, {testsupport::Status(1)}); }, 1, Success,
         std::string(StopLine) + DataLine + StartLine + "Error: Can not start Tomcat9 Service\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::filesystem::remove(file);
        Script("printf 'dump' > \"$1\"\n");
        SetWebServer(4);
        UseInterpreter(StandIn());
        r.prepare();
        const TRun run = Run({file});
        EXPECT_EQ(r.code, run.Code);
        EXPECT_EQ(r.out, run.Out);
        EXPECT_EQ(r.err, run.Err);
    }
}

TEST_F(BackupCommand, IsRefusedWhileTheServerManagerBacksUpAndLeavesTheWebServerAlone) {
    const std::string file = dir.Path("db.sql");
    Script("printf 'dump' > \"$1\"\n");
    TNamedHold other;
    ASSERT_TRUE(TryHoldBackup(other)) << "as the Server Manager holds it for its own backup";
    TRun run = Run({file});
    EXPECT_EQ(1, run.Code);
    EXPECT_EQ("", run.Out);
    EXPECT_EQ("A backup is running already. Start the next one when it has ended.\n", run.Err);
    EXPECT_TRUE(sim.Services->Calls().empty()) << "the web server is left alone";
    EXPECT_FALSE(std::filesystem::exists(file));

    other.reset();
    run = Run({file});
    EXPECT_EQ(0, run.Code) << "free again once the other backup has ended: " << run.Err;
}

TEST_F(BackupCommand, ACommandLineWithoutExactlyOneFileGetsTheUsageAndExitCodeTwo) {
    const std::vector<std::vector<std::string>> lines = {{}, {"a.sql", "b.sql"}, {""}};
    for (const auto& line : lines) {
        SCOPED_TRACE(line.size());
        const TRun run = Run(line);
        EXPECT_EQ(2, run.Code);
        EXPECT_EQ("", run.Out);
        EXPECT_EQ(0u, run.Err.find("Usage: tfctl backup FILE\n")) << run.Err;
        EXPECT_TRUE(sim.Services->Calls().empty()) << "the web server is left alone";
    }
}

TEST_F(BackupCommand, ARelativeFileIsWrittenWhereTfctlWasAskedNotInTheScriptsFolder) {
    Script("printf 'dump' > \"$1\"\n");
    const auto here = std::filesystem::current_path();
    std::filesystem::create_directories(dir.Path("work"));
    std::filesystem::current_path(dir.Path("work"));
    const TRun run = Run({"nightly"});
    std::filesystem::current_path(here);
    EXPECT_EQ(0, run.Code) << run.Err;
    EXPECT_EQ("dump", dir.Read("work/nightly"));
    EXPECT_FALSE(dir.Exists("tomcat/webapps/server/WEB-INF/sql/postgresql/nightly"));
}

// Rows that a dump must carry intact: quotes, backslashes, line breaks, tabs, non-ASCII text, empty
// texts, NULLs and bytes.
constexpr const char* Schema =
    "CREATE TABLE room (id int PRIMARY KEY, name text, note text, capacity int, picture bytea);\n"
    "INSERT INTO room SELECT i, 'room ' || i || E' O''Brien \\\\ \"x\"\\n\\tline', "
    "CASE WHEN i % 7 = 0 THEN NULL WHEN i % 5 = 0 THEN '' ELSE 'Zo\xC3\xAB \xE6\x97\xA5 ' || md5(i::text) "
    "END, "
    "CASE WHEN i % 3 = 0 THEN NULL ELSE i * 3 END, "
    "CASE WHEN i % 4 = 0 THEN NULL ELSE decode(md5(i::text) || '00ff', 'hex') END "
    "FROM generate_series(1, 300) AS i;\n";
constexpr const char* Rows =
    "-At -c \"SELECT id, name, note, capacity, encode(picture, 'hex') FROM room ORDER BY id\"";

TEST_F(BackupCommand, ARealDatabaseDumpedByTheScriptRestoresIntoAFreshDatabaseWithEveryRow) {
    testsupport::RealPostgres server;
    ASSERT_FALSE(server.Bin.empty()) << "PostgreSQL is not installed; scripts/bootstrap installs it";
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    const std::string schema = server.Root + "/schema.sql";
    testsupport::WriteFile(schema, Schema);
    auto psql = [&](const std::string& ADatabase, const std::string& AArgs) {
        return testsupport::RunShell(server.Client("psql", ADatabase) + " -X -q -v ON_ERROR_STOP=1 " + AArgs);
    };
    ASSERT_EQ(0, psql("postgres", "-c 'CREATE DATABASE tallyfix'").Code);
    const auto loaded = psql("tallyfix", "-f " + schema);
    ASSERT_EQ(0, loaded.Code) << loaded.Out;

    // The installation's script, as the web application ships it, dumps into the file it is given.
    Script(server.Client("pg_dump", "tallyfix") + " -f \"$1\"\n");
    const std::string file = dir.Path("backups of today/tallyfix 1.sql");
    std::filesystem::create_directories(dir.Path("backups of today"));
    const TRun run = Run({file});
    ASSERT_EQ(0, run.Code) << run.Err;
    EXPECT_EQ(Success, run.Out);
    EXPECT_EQ(4u, sim.StateOf("Tomcat9"));

    ASSERT_EQ(0, psql("postgres", "-c 'CREATE DATABASE restored'").Code);
    const auto restored = psql("restored", "-f '" + file + "'");
    ASSERT_EQ(0, restored.Code) << restored.Out;
    EXPECT_EQ("300\n", psql("restored", "-At -c 'SELECT count(*) FROM room'").Out);
    const auto original = psql("tallyfix", Rows);
    const auto copy = psql("restored", Rows);
    ASSERT_EQ(0, original.Code) << original.Out;
    EXPECT_EQ(original.Out, copy.Out);
}

} // namespace
