// gen_dump [--shape plain|app] OUTPUT.xml SIZE_MB [SEED]
// Writes a dump in the layout "mysqldump --xml --hex-blob" produces: table structures with their
// column descriptions, tab indentation, NULL fields, hexadecimal BLOBs, escaped markup characters,
// multi-line and multibyte text, and tables that are not on the product's table list.
//
// Two shapes:
// - plain (the default): five tables whose rows are mostly small fields (ids, flags, dates, short
//   names), so the cost per field dominates.
// - app: twenty tables as a real installation's database gives them, about 1.25 million fields per
//   100 MB, most of them short, a third of the bytes in BLOBs of every size, and text with quotes,
//   backslashes, entities, raw line breaks (LF and CR LF) and characters of Latin, Greek, Cyrillic,
//   CJK scripts and emoji.
// A summary of what was written goes to standard error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

enum class Kind { Int, Short, Date, Text, Blob, Flag, Code, Amount, Key, Prose };

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

using Words = std::vector<const char*>;

const Words kPlainWords = {"room",    "station", "Lab A-1", "O'Brien",    "Müller",    "Ж-корпус",
                           "日本語",  "a & b",   "x<y>z",   "\"quoted\"", "tab\there", "back\\slash",
                           "emoji 😀", "",        "Zoë",     "ąęść"};

const Words kAppWords = {
    "room",     "Lab 2.14",    "O'Brien",    "it's",       "Müller",
    "Zoë",      "façade",      "Ærøskøbing", "ąęść",       "Αθήνα",
    "καλημέρα", "Москва",      "корпус Ж",   "Привет",     "日本語",
    "東京都",   "中文字符",    "한국어",     "😀",          "🎓 class",
    "📚",        "a & b",       "x<y>z",      "\"quoted\"", "C:\\Users\\lab\\",
    "50%",      "back\\slash", "tab\there",  "N/A",        "-",
    "printer",  "workstation", "booked",     "cancelled",  "2nd floor",
};

std::vector<Table> PlainTables() {
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

Column Id() {
    return {"id", "int(11)", Kind::Int, false};
}
Column Ref(const char* name) {
    return {name, "int(11)", Kind::Int, true};
}
Column Stamp(const char* name) {
    return {name, "datetime", Kind::Date, true};
}
Column Flag(const char* name) {
    return {name, "tinyint(1)", Kind::Flag, false};
}

// Twenty tables: eighteen on the table list, two not (their rows are read and dropped).
std::vector<Table> AppTables() {
    return {
        {"station_logon_log",
         {{"id", "bigint(20)", Kind::Int, false},
          Ref("station_id"),
          Ref("employee_id"),
          Stamp("logon_time"),
          Stamp("logoff_time"),
          {"state", "tinyint(4)", Kind::Flag, false},
          {"ip", "varchar(15)", Kind::Code, true},
          {"host", "varchar(64)", Kind::Short, true},
          Ref("minutes"),
          Ref("room_id")},
         40},
        {"app_log",
         {Id(),
          Stamp("logged"),
          {"level", "varchar(8)", Kind::Code, false},
          {"source", "varchar(64)", Kind::Short, true},
          {"message", "text", Kind::Prose, true},
          Ref("employee_id")},
         30},
        {"employee",
         {Id(),
          {"login", "varchar(32)", Kind::Code, false},
          {"first name", "varchar(64)", Kind::Short, true},
          {"last_name", "varchar(64)", Kind::Short, true},
          {"email", "varchar(128)", Kind::Code, true},
          Ref("role_id"),
          Flag("is_active"),
          {"photo", "mediumblob", Kind::Blob, true},
          {"comment", "text", Kind::Prose, true},
          Stamp("created"),
          Stamp("modified")},
         6},
        {"attachment",
         {Id(),
          {"file_name", "varchar(255)", Kind::Short, false},
          {"mime", "varchar(64)", Kind::Code, true},
          {"size", "int(11)", Kind::Int, false},
          {"digest", "binary(16)", Kind::Key, false},
          Stamp("uploaded")},
         6},
        {"attachment_contents", {Id(), {"data", "longblob", Kind::Blob, true}}, 5},
        {"image",
         {Id(),
          {"title", "varchar(128)", Kind::Short, true},
          {"thumbnail", "blob", Kind::Blob, true},
          {"width", "int(11)", Kind::Int, true},
          {"height", "int(11)", Kind::Int, true}},
         4},
        {"room",
         {Id(),
          {"name", "varchar(64)", Kind::Short, false},
          Ref("building_id"),
          Ref("capacity"),
          Flag("is_active"),
          Stamp("created"),
          {"note", "text", Kind::Prose, true}},
         3},
        {"room_schedule",
         {Id(), Ref("room_id"), Ref("schedule_id"), Stamp("starts"), Stamp("ends"), Flag("repeats")},
         12},
        {"class_reservation",
         {Id(),
          Ref("room_id"),
          Ref("employee_id"),
          Stamp("starts"),
          Stamp("ends"),
          {"title", "varchar(128)", Kind::Short, true},
          {"price", "decimal(10,2)", Kind::Amount, true},
          {"state", "tinyint(4)", Kind::Flag, false}},
         10},
        {"station_reservation",
         {Id(),
          Ref("station_id"),
          Ref("employee_id"),
          Stamp("starts"),
          Stamp("ends"),
          {"state", "tinyint(4)", Kind::Flag, false}},
         12},
        {"workstation",
         {Id(),
          {"name", "varchar(64)", Kind::Code, false},
          {"mac", "varchar(17)", Kind::Code, true},
          Ref("room_id"),
          Flag("is_active"),
          {"guid", "binary(16)", Kind::Key, true},
          {"description", "text", Kind::Prose, true}},
         4},
        {"ws_status",
         {Id(),
          Ref("workstation_id"),
          Stamp("reported"),
          {"cpu", "decimal(5,2)", Kind::Amount, true},
          {"memory", "int(11)", Kind::Int, true},
          {"status", "varchar(16)", Kind::Code, false}},
         14},
        {"inventory",
         {Id(),
          {"serial", "varchar(32)", Kind::Code, false},
          {"model", "varchar(64)", Kind::Short, true},
          Ref("storage_id"),
          {"cost", "decimal(10,2)", Kind::Amount, true},
          {"notes", "text", Kind::Text, true}},
         4},
        {"notification_log",
         {Id(),
          Ref("employee_id"),
          Stamp("sent"),
          {"subject", "varchar(255)", Kind::Short, true},
          {"body", "mediumtext", Kind::Prose, true},
          {"attachment", "blob", Kind::Blob, true}},
         5},
        {"preference",
         {Id(),
          Ref("employee_id"),
          {"name", "varchar(64)", Kind::Code, false},
          {"value", "varchar(255)", Kind::Short, true}},
         8},
        {"system_setting",
         {{"name", "varchar(64)", Kind::Code, false},
          {"value", "text", Kind::Text, true},
          {"blob_value", "blob", Kind::Blob, true}},
         1},
        {"license",
         {Id(),
          {"holder", "varchar(128)", Kind::Short, false},
          {"license_key", "varbinary(256)", Kind::Blob, false},
          Stamp("valid_from"),
          Stamp("valid_to"),
          Ref("seats")},
         1},
        {"map_background",
         {Id(),
          Ref("room_map_id"),
          {"picture", "longblob", Kind::Blob, true},
          {"format", "varchar(8)", Kind::Code, true}},
         1},
        {"audit_trail",
         {{"id", "bigint(20)", Kind::Int, false},
          Stamp("at"),
          Ref("employee_id"),
          {"action", "varchar(32)", Kind::Code, false},
          {"details", "text", Kind::Text, true}},
         10},
        {"report_cache",
         {Id(),
          {"report", "varchar(64)", Kind::Code, false},
          {"result", "longblob", Kind::Blob, true},
          Stamp("built")},
         2},
    };
}

// What was written, for the summary.
struct Tally {
    uint64_t Bytes = 0, Fields = 0, Nulls = 0, HexBytes = 0;
};

class Writer {
public:
    Writer(FILE* f, uint64_t seed, const Words& words, bool app)
        : f_(f), rng_{seed | 1}, words_(words), app_(app) {}
    const Tally& Written() const { return tally_; }
    void Put(const std::string& s) {
        std::fwrite(s.data(), 1, s.size(), f_);
        tally_.Bytes += s.size();
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
        ++tally_.Fields;
        s += "\t\t<field name=\"";
        s += c.Name;
        if (c.Nullable && rng_.Below(5) == 0) {
            ++tally_.Nulls;
            s += "\" xsi:nil=\"true\" />\n";
            return;
        }
        const bool hex = c.K == Kind::Blob || c.K == Kind::Key;
        s += hex ? "\" xsi:type=\"xs:hexBinary\">" : "\">";
        const size_t before = s.size();
        Value(s, c.K);
        if (hex)
            tally_.HexBytes += s.size() - before;
        s += "</field>\n";
    }

    const char* Word() { return words_[rng_.Below(static_cast<uint32_t>(words_.size()))]; }

    void Hex(std::string& s, uint32_t bytes) {
        static const char kDigits[] = "0123456789ABCDEF";
        for (uint32_t i = 0; i < bytes; ++i) {
            const uint32_t b = rng_.Below(256);
            s += kDigits[b >> 4];
            s += kDigits[b & 15];
        }
    }

    // BLOB sizes of an application: many small ones (keys, icons), some of a few KiB, a rare large one.
    uint32_t BlobSize() {
        const uint32_t pick = rng_.Below(100);
        if (pick < 50)
            return 4 + rng_.Below(60);
        if (pick < 90)
            return 64 + rng_.Below(1400);
        return 1024 + rng_.Below(7168);
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
            Escaped(s, Word());
            if (rng_.Below(2))
                s += std::to_string(rng_.Below(1000));
            break;
        case Kind::Text:
            for (uint32_t i = 0, n = 1 + rng_.Below(app_ ? 12 : 4); i < n; ++i) {
                if (i > 0)
                    s += app_ && rng_.Below(2) ? "\r\n" : "\n";
                Escaped(s, Word());
            }
            break;
        case Kind::Prose: // sentences of words, now and then on several lines
            for (uint32_t i = 0, n = 6 + rng_.Below(60); i < n; ++i) {
                if (i > 0)
                    s += rng_.Below(12) == 0 ? (rng_.Below(2) ? "\r\n" : "\n") : " ";
                Escaped(s, Word());
            }
            break;
        case Kind::Blob:
            if (app_)
                Hex(s, BlobSize());
            else
                for (uint32_t i = 0, n = rng_.Below(48); i < n; ++i) {
                    std::snprintf(buf, sizeof buf, "%02X", rng_.Below(256));
                    s += buf;
                }
            break;
        case Kind::Key:
            Hex(s, 16);
            break;
        case Kind::Code:
            std::snprintf(buf, sizeof buf, "%c%c-%u", 'A' + rng_.Below(26), 'A' + rng_.Below(26),
                          rng_.Below(100000));
            s += buf;
            break;
        case Kind::Amount:
            std::snprintf(buf, sizeof buf, "%u.%02u", rng_.Below(10000), rng_.Below(100));
            s += buf;
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
    const Words& words_;
    bool app_;
    Tally tally_;
};

} // namespace

int main(int argc, char** argv) {
    bool app = false;
    if (argc > 2 && std::strcmp(argv[1], "--shape") == 0) {
        if (std::strcmp(argv[2], "app") != 0 && std::strcmp(argv[2], "plain") != 0) {
            std::fprintf(stderr, "gen_dump: unknown shape %s (plain or app)\n", argv[2]);
            return 2;
        }
        app = std::strcmp(argv[2], "app") == 0;
        argc -= 2;
        argv += 2;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: gen_dump [--shape plain|app] OUTPUT.xml SIZE_MB [SEED]\n");
        return 2;
    }
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const uint64_t target = std::strtoull(argv[2], nullptr, 10) << 20;
    Writer w(f, argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20260101, app ? kAppWords : kPlainWords,
             app);
    w.Put("<?xml version=\"1.0\"?>\n<mysqldump xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
          "<database name=\"corvane\">\n");
    const std::vector<Table> tables = app ? AppTables() : PlainTables();
    // Tables recur in chunks, as a dump of many tables of similar shape would read.
    for (int round = 0; w.Written().Bytes < target; ++round) {
        for (const Table& t : tables) {
            w.Structure(t);
            w.Rows(t, t.Weight * 97 + round % 7);
            if (w.Written().Bytes >= target)
                break;
        }
    }
    w.Put("</database>\n</mysqldump>\n");
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const Tally& t = w.Written();
    std::fprintf(stderr,
                 "%llu bytes, %llu fields (%.2f million per 100 MB), %llu NULL, %.1f%% of the bytes hex\n",
                 static_cast<unsigned long long>(t.Bytes), static_cast<unsigned long long>(t.Fields),
                 t.Fields / (t.Bytes / 100e6) / 1e6, static_cast<unsigned long long>(t.Nulls),
                 100.0 * t.HexBytes / t.Bytes);
    return 0;
}
