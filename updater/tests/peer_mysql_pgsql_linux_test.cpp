// Carries a real MariaDB database over to a real PostgreSQL through mysqldump --xml and xml2pgsql,
// and compares every row. Both servers run on loopback from temporary folders as the unprivileged
// user "nobody" and are stopped at the end. Skipped when the servers are not installed.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
    int Code = -1;
    std::string Out;
};

Result Shell(const std::string& command) {
    Result r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.Out.append(buf.data(), n);
    const int status = pclose(p);
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string AsNobody(const std::string& command) {
    return "runuser -u nobody -- " + command;
}

std::string FindProgram(const std::vector<std::string>& candidates) {
    for (const std::string& c : candidates)
        if (c.find('/') != std::string::npos ? access(c.c_str(), X_OK) == 0
                                             : Shell("command -v " + c).Code == 0)
            return c;
    return "";
}

std::string PostgresBin() {
    for (const auto& dir :
         {"/usr/lib/postgresql/17/bin", "/usr/lib/postgresql/16/bin", "/usr/lib/postgresql/15/bin",
          "/usr/lib/postgresql/14/bin", "/usr/lib/postgresql/13/bin"})
        if (access((std::string(dir) + "/pg_ctl").c_str(), X_OK) == 0)
            return dir;
    return "";
}

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// Line breaks of a text reach PostgreSQL as CR LF, the form the Windows product writes.
std::string CrLf(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

const std::vector<std::string> kHardTexts = {"O'Brien",
                                             "say \"hi\"",
                                             "back\\slash\\",
                                             "tab\there",
                                             "line 1\nline 2",
                                             "crlf\r\nnext",
                                             "",
                                             "emoji \xF0\x9F\x98\x80 and \xE6\x97\xA5",
                                             "<tag> & &amp;",
                                             "  spaced  ",
                                             "ends with '",
                                             "\\'\\\"",
                                             "Zo\xC3\xAB M\xC3\xBCller"};

// The rows of one table as "id|hex|hex..." lines; NULL stays "NULL".
using Rows = std::vector<std::string>;

class Servers {
public:
    std::string Root, MyBin, MyDump, MyClient, InstallDb, PgBin;
    int MyPort = 0, PgPort = 0;
    bool MyUp = false, PgUp = false;

    ~Servers() {
        if (MyUp) {
            if (Shell(My("-e 'SHUTDOWN'")).Code != 0)
                StopByPidFile(Root + "/my.pid");
            // SHUTDOWN answers before the server has gone; it removes its pid file last.
            for (int i = 0; i < 300 && fs::exists(Root + "/my.pid"); ++i)
                usleep(100000);
        }
        if (PgUp)
            Shell(AsNobody(PgBin + "/pg_ctl -D " + Root + "/pg -m fast -w stop"));
        if (!Root.empty()) {
            std::error_code ignored;
            fs::remove_all(Root, ignored);
        }
    }

    static void StopByPidFile(const std::string& path) {
        int pid = 0;
        if (std::ifstream(path) >> pid && pid > 0)
            kill(pid, SIGTERM);
    }

    std::string My(const std::string& args) const {
        return MyClient + " --default-character-set=utf8mb4 -h127.0.0.1 -P" + std::to_string(MyPort) +
               " -uroot " + args;
    }
    std::string Pg(const std::string& args) const {
        return "psql -X -q -h 127.0.0.1 -p " + std::to_string(PgPort) + " -U postgres -d postgres " + args;
    }

    bool StartMariaDb(std::string& why) {
        const std::string data = Root + "/my";
        Result r = Shell(InstallDb + " --no-defaults --datadir=" + data + " --user=nobody");
        if (r.Code != 0)
            return (why = "mariadb-install-db: " + r.Out), false;
        MyPort = FreePort();
        Shell("chown -R nobody " + data);
        const std::string cmd = MyBin + " --no-defaults --user=nobody --datadir=" + data +
                                " --socket=" + Root + "/my.sock --port=" + std::to_string(MyPort) +
                                " --bind-address=127.0.0.1 --skip-grant-tables --pid-file=" + Root +
                                "/my.pid --character-set-server=utf8mb4 > " + Root + "/my.log 2>&1 &";
        if (std::system(cmd.c_str()) != 0)
            return (why = "cannot start mariadbd"), false;
        MyUp = true;
        for (int i = 0; i < 120; ++i) {
            if (Shell(My("-e 'SELECT 1'")).Code == 0)
                return true;
            usleep(250000);
        }
        why = "mariadbd did not come up: " + Shell("cat " + Root + "/my.log").Out;
        return false;
    }

    bool StartPostgres(std::string& why) {
        const std::string data = Root + "/pg";
        Result r = Shell(AsNobody(PgBin + "/initdb -D " + data + " -A trust -U postgres -E UTF8 --locale=C"));
        if (r.Code != 0)
            return (why = "initdb: " + r.Out), false;
        PgPort = FreePort();
        r = Shell(AsNobody(PgBin + "/pg_ctl -D " + data + " -l " + Root + "/pg.log -w -o \"-h 127.0.0.1 -p " +
                           std::to_string(PgPort) + " -k " + Root + "\" start"));
        PgUp = r.Code == 0;
        if (!PgUp)
            why = "pg_ctl start: " + r.Out + Shell("cat " + Root + "/pg.log").Out;
        return PgUp;
    }
};

std::string MyText(const std::string& s) {
    return "_utf8mb4 X'" + Hex(s) + "'";
}

// The MariaDB side: a schema of listed tables (and one unlisted) with hard values.
std::string MySchemaAndData() {
    std::ostringstream sql;
    sql << "CREATE DATABASE corvane CHARACTER SET utf8mb4; USE corvane;\n"
           "CREATE TABLE room (id INT PRIMARY KEY, name VARCHAR(200), note TEXT, capacity INT NULL) "
           "CHARACTER SET utf8mb4;\n"
           "CREATE TABLE role (id INT PRIMARY KEY, name VARCHAR(50) NOT NULL) CHARACTER SET utf8mb4;\n"
           "CREATE TABLE employee_role (employee_id INT NOT NULL, role_id INT NOT NULL, "
           "PRIMARY KEY (employee_id, role_id)) CHARACTER SET utf8mb4;\n"
           "CREATE TABLE attachment_contents (id INT PRIMARY KEY, data LONGBLOB NULL);\n"
           "CREATE TABLE web_cache (id INT PRIMARY KEY, v TEXT);\n";
    for (int i = 1; i <= 120; ++i) {
        const std::string& text = kHardTexts[i % kHardTexts.size()];
        sql << "INSERT INTO room VALUES (" << i << ","
            << (i % 11 == 0 ? "NULL" : MyText(text + std::to_string(i))) << ","
            << (i % 7 == 0 ? "NULL" : MyText(text)) << "," << (i % 5 == 0 ? "NULL" : std::to_string(i * 3))
            << ");\n";
    }
    for (int i = 1; i <= 3; ++i)
        sql << "INSERT INTO role VALUES (" << i << "," << MyText("role " + std::to_string(i)) << ");\n";
    for (int i = 1; i <= 60; ++i)
        sql << "INSERT INTO employee_role VALUES (" << i << "," << 1 + i % 3 << ");\n";
    const std::vector<std::string> blobs = {std::string("\x00\xFF\x00", 3), "", std::string(1, '\0'),
                                            std::string(300, '\xFF'), "plain"};
    for (size_t i = 0; i < blobs.size(); ++i)
        sql << "INSERT INTO attachment_contents VALUES (" << i + 1 << ",X'" << Hex(blobs[i]) << "');\n";
    sql << "INSERT INTO attachment_contents VALUES (99, NULL);\n"
           "INSERT INTO web_cache VALUES (1, 'not carried over');\n";
    return sql.str();
}

// The PostgreSQL side as the new installation creates it; the foreign key is only checked at commit.
const char* kPgSchema =
    "CREATE TABLE room (id int PRIMARY KEY, name varchar(200), note text, capacity int);\n"
    "CREATE TABLE role (id int PRIMARY KEY, name varchar(50) NOT NULL);\n"
    "CREATE TABLE employee_role (employee_id int NOT NULL, role_id int NOT NULL "
    "REFERENCES role(id) DEFERRABLE INITIALLY IMMEDIATE, PRIMARY KEY (employee_id, role_id));\n"
    "CREATE TABLE attachment_contents (id int PRIMARY KEY, data bytea);\n";

struct TableQuery {
    std::string My, Pg;
    std::vector<bool> IsText; // per column after the id: text columns get the line-break rule
};

std::map<std::string, TableQuery> Queries() {
    auto myCol = [](const std::string& c) { return "IFNULL(HEX(" + c + "),'NULL')"; };
    auto myInt = [](const std::string& c) { return "IFNULL(HEX(CAST(" + c + " AS CHAR)),'NULL')"; };
    auto pgText = [](const std::string& c) {
        return "coalesce(upper(encode(convert_to(" + c + ",'UTF8'),'hex')),'NULL')";
    };
    auto pgInt = [](const std::string& c) {
        return "coalesce(upper(encode(convert_to(" + c + "::text,'UTF8'),'hex')),'NULL')";
    };
    auto pgBytes = [](const std::string& c) { return "coalesce(upper(encode(" + c + ",'hex')),'NULL')"; };
    std::map<std::string, TableQuery> q;
    q["room"] = {"SELECT id," + myCol("name") + "," + myCol("note") + "," + myInt("capacity") +
                     " FROM room ORDER BY id",
                 "SELECT id," + pgText("name") + "," + pgText("note") + "," + pgInt("capacity") +
                     " FROM room ORDER BY id",
                 {true, true, false}};
    q["role"] = {"SELECT id," + myCol("name") + " FROM role ORDER BY id",
                 "SELECT id," + pgText("name") + " FROM role ORDER BY id",
                 {true}};
    q["employee_role"] = {
        "SELECT employee_id," + myInt("role_id") + " FROM employee_role ORDER BY employee_id",
        "SELECT employee_id," + pgInt("role_id") + " FROM employee_role ORDER BY employee_id",
        {false}};
    q["attachment_contents"] = {"SELECT id," + myCol("data") + " FROM attachment_contents ORDER BY id",
                                "SELECT id," + pgBytes("data") + " FROM attachment_contents ORDER BY id",
                                {false}};
    return q;
}

std::vector<std::vector<std::string>> SplitRows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        std::vector<std::string> cells;
        std::istringstream cellStream(line);
        std::string cell;
        while (std::getline(cellStream, cell, '\t'))
            cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

// MariaDB's row in the form PostgreSQL must hold it.
std::vector<std::string> Expected(std::vector<std::string> row, const std::vector<bool>& isText) {
    for (size_t c = 1; c < row.size(); ++c)
        if (row[c] != "NULL" && isText[c - 1])
            row[c] = Hex(CrLf(Unhex(row[c])));
    return row;
}

} // namespace

TEST(PeerMariaDbToPostgres, EveryRowArrivesUnchanged) {
    Servers s;
    s.MyBin = FindProgram({"/usr/sbin/mariadbd", "/usr/sbin/mysqld"});
    s.InstallDb = FindProgram({"mariadb-install-db", "mysql_install_db"});
    s.MyDump = FindProgram({"mariadb-dump", "mysqldump"});
    s.MyClient = FindProgram({"mariadb", "mysql"});
    s.PgBin = PostgresBin();
    if (s.MyBin.empty() || s.InstallDb.empty() || s.MyDump.empty() || s.MyClient.empty() || s.PgBin.empty() ||
        FindProgram({"psql"}).empty() || FindProgram({"runuser"}).empty())
        GTEST_SKIP() << "MariaDB or PostgreSQL is not installed";
    const std::string tool = std::string(TK_BINARY_DIR) + "/updater/tools/xml2pgsql";
    ASSERT_EQ(access(tool.c_str(), X_OK), 0) << tool;

    char tmpl[] = "/tmp/tk_peer_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    s.Root = tmpl;
    fs::permissions(s.Root, fs::perms::all);
    std::string why;
    ASSERT_TRUE(s.StartMariaDb(why)) << why;
    ASSERT_TRUE(s.StartPostgres(why)) << why;

    std::ofstream(s.Root + "/my.sql") << MySchemaAndData();
    Result r = Shell(s.My("< " + s.Root + "/my.sql"));
    ASSERT_EQ(r.Code, 0) << r.Out;
    std::ofstream(s.Root + "/pg.sql") << kPgSchema;
    r = Shell(s.Pg("-v ON_ERROR_STOP=1 -f " + s.Root + "/pg.sql"));
    ASSERT_EQ(r.Code, 0) << r.Out;

    const std::string dump = s.Root + "/full-backup.xml", script = s.Root + "/full-backup.sql";
    r = Shell(s.MyDump + " --xml --hex-blob --default-character-set=utf8mb4 -h127.0.0.1 -P" +
              std::to_string(s.MyPort) + " -uroot corvane > " + dump);
    ASSERT_EQ(r.Code, 0) << r.Out;
    r = Shell(tool + " " + dump + " " + script);
    ASSERT_EQ(r.Code, 0) << r.Out;
    EXPECT_NE(r.Out.find("4 tables exported, 1 tables skipped, 189 rows"), std::string::npos) << r.Out;
    r = Shell(s.Pg("-v ON_ERROR_STOP=1 -f " + script));
    ASSERT_EQ(r.Code, 0) << r.Out;

    for (const auto& [table, q] : Queries()) {
        Result my = Shell(s.My("-N -B corvane -e \"" + q.My + "\""));
        Result pg = Shell(s.Pg("-A -t -F '\t' -c \"" + q.Pg + "\""));
        ASSERT_EQ(my.Code, 0) << my.Out;
        ASSERT_EQ(pg.Code, 0) << pg.Out;
        const auto myRows = SplitRows(my.Out), pgRows = SplitRows(pg.Out);
        ASSERT_EQ(pgRows.size(), myRows.size()) << table;
        ASSERT_FALSE(myRows.empty()) << table;
        for (size_t i = 0; i < myRows.size(); ++i)
            EXPECT_EQ(pgRows[i], Expected(myRows[i], q.IsText)) << table << " row " << i;
    }
    EXPECT_NE(Shell(s.Pg("-A -t -c 'SELECT 1 FROM web_cache'")).Code, 0)
        << "a table off the list was created";
}
