// gen_dump OUTPUT.xml SIZE_MB [SEED]
// Writes a dump in the layout "mysqldump --xml --hex-blob" produces: table structures with their
// column descriptions, tab indentation, NULL fields, hexadecimal BLOBs, escaped markup characters,
// multi-line and multibyte text, and tables that are not on the product's table list. Most rows are
// many small fields, which is where a converter spends its time.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rng {
    uint64_t s;
    uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<uint32_t>(s >> 11);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};

enum class Kind { Int, Short, Date, Text, Blob, Flag };

struct Column {
    const char* Name;
    const char* Type;
    Kind K;
    bool Nullable;
};

struct Table {
    const char* Name;
    std::vector<Column> Columns;
    int Weight; // share of the rows
};

const char* kWords[] = {"room",    "station", "Lab A-1", "O'Brien",    "Müller",    "Ж-корпус",
                        "日本語",  "a & b",   "x<y>z",   "\"quoted\"", "tab\there", "back\\slash",
                        "emoji 😀", "",        "Zoë",     "ąęść"};

std::vector<Table> Tables() {
    return {
        {"room",
         {{"id", "int(11)", Kind::Int, false},
          {"name", "varchar(64)", Kind::Short, false},
          {"building_id", "int(11)", Kind::Int, true},
          {"capacity", "int(11)", Kind::Int, true},
          {"is_active", "tinyint(1)", Kind::Flag, false},
          {"created", "datetime", Kind::Date, false},
          {"note", "text", Kind::Text, true}},
         3},
        {"station_logon_log",
         {{"id", "bigint(20)", Kind::Int, false},
          {"station_id", "int(11)", Kind::Int, false},
          {"employee_id", "int(11)", Kind::Int, true},
          {"logon_time", "datetime", Kind::Date, false},
          {"logoff_time", "datetime", Kind::Date, true},
          {"state", "tinyint(4)", Kind::Flag, false},
          {"ip", "varchar(15)", Kind::Short, true},
          {"host", "varchar(64)", Kind::Short, true},
          {"code", "int(11)", Kind::Int, true},
          {"flags", "int(11)", Kind::Int, false},
          {"minutes", "int(11)", Kind::Int, true},
          {"room_id", "int(11)", Kind::Int, true}},
         8},
        {"employee",
         {{"id", "int(11)", Kind::Int, false},
          {"login", "varchar(32)", Kind::Short, false},
          {"first name", "varchar(64)", Kind::Short, true},
          {"last_name", "varchar(64)", Kind::Short, true},
          {"role_id", "int(11)", Kind::Int, true},
          {"photo", "blob", Kind::Blob, true},
          {"comment", "text", Kind::Text, true}},
         2},
        {"attachment_contents",
         {{"id", "int(11)", Kind::Int, false}, {"data", "longblob", Kind::Blob, true}},
         1},
        {"web_session_cache",
         {{"id", "int(11)", Kind::Int, false},
          {"token", "varchar(64)", Kind::Short, false},
          {"expires", "datetime", Kind::Date, false},
          {"payload", "text", Kind::Text, true}},
         2},
    };
}

class Writer {
public:
    Writer(FILE* f, uint64_t seed) : f_(f), rng_{seed | 1} {}
    uint64_t Written() const { return written_; }
    void Put(const std::string& s) {
        std::fwrite(s.data(), 1, s.size(), f_);
        written_ += s.size();
    }

    void Structure(const Table& t) {
        std::string s = "\t<table_structure name=\"" + std::string(t.Name) + "\">\n";
        for (const Column& c : t.Columns)
            s += "\t\t<field Field=\"" + std::string(c.Name) + "\" Type=\"" + c.Type + "\" Null=\"" +
                 (c.Nullable ? "YES" : "NO") + "\" Key=\"\" Extra=\"\" Comment=\"\" />\n";
        s += "\t\t<options Name=\"" + std::string(t.Name) +
             "\" Engine=\"InnoDB\" Version=\"10\" Row_format=\"Dynamic\" Collation=\"utf8mb4_general_ci\" "
             "Create_options=\"\" Comment=\"\" />\n\t</table_structure>\n";
        Put(s);
    }

    void Rows(const Table& t, int count) {
        std::string s = "\t<table_data name=\"" + std::string(t.Name) + "\">\n";
        for (int r = 0; r < count; ++r) {
            s += "\t<row>\n";
            for (const Column& c : t.Columns)
                Field(s, c);
            s += "\t</row>\n";
            if (s.size() > (1 << 16)) {
                Put(s);
                s.clear();
            }
        }
        s += "\t</table_data>\n";
        Put(s);
    }

private:
    void Field(std::string& s, const Column& c) {
        s += "\t\t<field name=\"";
        s += c.Name;
        if (c.Nullable && rng_.Below(5) == 0) {
            s += "\" xsi:nil=\"true\" />\n";
            return;
        }
        s += c.K == Kind::Blob ? "\" xsi:type=\"xs:hexBinary\">" : "\">";
        Value(s, c.K);
        s += "</field>\n";
    }

    void Value(std::string& s, Kind k) {
        char buf[64];
        switch (k) {
        case Kind::Int:
            s += std::to_string(rng_.Below(1000000));
            break;
        case Kind::Flag:
            s += static_cast<char>('0' + rng_.Below(2));
            break;
        case Kind::Date:
            std::snprintf(buf, sizeof buf, "20%02u-%02u-%02u %02u:%02u:%02u", 10 + rng_.Below(16),
                          1 + rng_.Below(12), 1 + rng_.Below(28), rng_.Below(24), rng_.Below(60),
                          rng_.Below(60));
            s += buf;
            break;
        case Kind::Short:
            Escaped(s, kWords[rng_.Below(sizeof kWords / sizeof kWords[0])]);
            if (rng_.Below(2))
                s += std::to_string(rng_.Below(1000));
            break;
        case Kind::Text:
            for (uint32_t i = 0, n = 1 + rng_.Below(4); i < n; ++i) {
                if (i > 0)
                    s += '\n';
                Escaped(s, kWords[rng_.Below(sizeof kWords / sizeof kWords[0])]);
            }
            break;
        case Kind::Blob:
            for (uint32_t i = 0, n = rng_.Below(48); i < n; ++i) {
                std::snprintf(buf, sizeof buf, "%02X", rng_.Below(256));
                s += buf;
            }
            break;
        }
    }

    static void Escaped(std::string& s, const char* text) {
        for (const char* p = text; *p; ++p) {
            switch (*p) {
            case '&':
                s += "&amp;";
                break;
            case '<':
                s += "&lt;";
                break;
            case '>':
                s += "&gt;";
                break;
            case '"':
                s += "&quot;";
                break;
            default:
                s += *p;
            }
        }
    }

    FILE* f_;
    Rng rng_;
    uint64_t written_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: gen_dump OUTPUT.xml SIZE_MB [SEED]\n");
        return 2;
    }
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const uint64_t target = std::strtoull(argv[2], nullptr, 10) << 20;
    Writer w(f, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20260101);
    w.Put("<?xml version=\"1.0\"?>\n<mysqldump xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
          "<database name=\"corvane\">\n");
    const std::vector<Table> tables = Tables();
    // Tables recur in chunks, as a dump of many tables of similar shape would read.
    for (int round = 0; w.Written() < target; ++round) {
        for (const Table& t : tables) {
            w.Structure(t);
            w.Rows(t, t.Weight * 97 + round % 7);
            if (w.Written() >= target)
                break;
        }
    }
    w.Put("</database>\n</mysqldump>\n");
    std::fclose(f);
    return 0;
}
