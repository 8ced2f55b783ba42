// ref_expat INPUT.xml OUTPUT.sql TABLES.xml [SET]
// The reference converter for the benchmark: the same script as xml2pgsql, built on libexpat.
// Expat hands text over in pieces, so the pieces of one run are collected and the run is handled
// as a whole at the next piece of markup, as the project's reader delivers it.
#include <expat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

const char* Attr(const XML_Char** atts, const char* name) {
    for (; *atts; atts += 2)
        if (std::strcmp(atts[0], name) == 0)
            return atts[1];
    return nullptr;
}

bool NeedsQuotes(const std::string& n) {
    if (n.empty() || (n[0] >= '0' && n[0] <= '9'))
        return true;
    for (unsigned char c : n)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '$' || c >= 0x80))
            return true;
    return false;
}

struct Converter {
    FILE* out = nullptr;
    std::unordered_set<std::string> tables; // lower case
    std::string text;                       // the text run being collected
    std::string tableName, current, stmt;
    std::vector<std::string> fields;
    std::vector<std::string> rows;
    bool listDone = false, work = false, saveText = false, hex = false;
    int counter = 0;

    void TextRun() {
        if (text.empty())
            return;
        if (saveText && current.empty()) {
            current += '\'';
            for (char c : text) {
                if (c == '\n') {
                    current += "\r\n";
                    continue;
                }
                current += c;
                if (c == '\'')
                    current += '\'';
            }
            current += '\'';
        }
        text.clear();
    }

    void Flush() {
        if (rows.empty())
            return;
        stmt = "INSERT INTO " + tableName + " (";
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i)
                stmt += ',';
            if (NeedsQuotes(fields[i])) {
                stmt += '"';
                for (char c : fields[i]) {
                    stmt += c;
                    if (c == '"')
                        stmt += '"';
                }
                stmt += '"';
            } else {
                stmt += fields[i];
            }
        }
        stmt += ") VALUES \n";
        for (size_t r = 0; r < rows.size(); ++r)
            stmt += "(" + rows[r] + (r + 1 < rows.size() ? "),\n" : ");");
        stmt += "\r\n\r\n";
        std::fwrite(stmt.data(), 1, stmt.size(), out);
        rows.clear();
    }

    void Start(const char* name, const XML_Char** atts) {
        TextRun();
        saveText = false;
        if (!std::strcmp(name, "table_data")) {
            listDone = false;
            const char* n = Attr(atts, "name");
            tableName = n ? n : "";
            work = tables.count(Lower(tableName)) > 0;
            counter = 0;
        } else if (!std::strcmp(name, "row")) {
            if (work)
                rows.emplace_back();
        } else if (!std::strcmp(name, "field") && work) {
            hex = false;
            if (!listDone) {
                const char* n = Attr(atts, "name");
                fields.emplace_back(n ? n : "");
            }
            const char* nil = Attr(atts, "xsi:nil");
            if (nil && !std::strcmp(nil, "true")) {
                current = "NULL";
                return;
            }
            current.clear();
            saveText = true;
            const char* type = Attr(atts, "xsi:type");
            hex = type && !std::strcmp(type, "xs:hexBinary");
        }
    }

    void End(const char* name) {
        TextRun();
        if (!std::strcmp(name, "table_data")) {
            Flush();
            fields.clear();
            work = false;
        } else if (!std::strcmp(name, "field") && work && !rows.empty()) {
            std::string& row = rows.back();
            if (!row.empty())
                row += ',';
            const std::string v = current.empty() ? "''" : current;
            row += hex ? "decode(" + v + ", 'hex')" : v;
            hex = false;
        } else if (!std::strcmp(name, "row") && work) {
            listDone = true;
            if (++counter == 50) {
                Flush();
                counter = 0;
            }
        }
    }
};

void XMLCALL OnStart(void* ud, const XML_Char* name, const XML_Char** atts) {
    static_cast<Converter*>(ud)->Start(name, atts);
}
void XMLCALL OnEnd(void* ud, const XML_Char* name) {
    static_cast<Converter*>(ud)->End(name);
}
void XMLCALL OnText(void* ud, const XML_Char* s, int len) {
    static_cast<Converter*>(ud)->text.append(s, len);
}
void XMLCALL OnCdata(void* ud) {
    static_cast<Converter*>(ud)->TextRun();
}
void XMLCALL OnComment(void* ud, const XML_Char*) {
    static_cast<Converter*>(ud)->TextRun();
}

// Reads the named set of the table-list document.
bool LoadSet(const char* path, const std::string& set, std::unordered_set<std::string>& out) {
    struct State {
        std::string want, current;
        std::unordered_set<std::string>* out;
    } st{set, "", &out};
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetUserData(p, &st);
    XML_SetStartElementHandler(p, [](void* ud, const XML_Char* name, const XML_Char** atts) {
        auto* s = static_cast<State*>(ud);
        const char* n = Attr(atts, "name");
        if (!std::strcmp(name, "custom"))
            s->current = n ? n : "";
        else if (!std::strcmp(name, "table") && s->current == s->want && n)
            s->out->insert(Lower(n));
    });
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    char buf[65536];
    size_t n;
    bool ok = true;
    while (ok && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        ok = XML_Parse(p, buf, static_cast<int>(n), 0) == XML_STATUS_OK;
    ok = ok && XML_Parse(p, buf, 0, 1) == XML_STATUS_OK;
    std::fclose(f);
    XML_ParserFree(p);
    return ok && !out.empty();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: ref_expat INPUT.xml OUTPUT.sql TABLES.xml [SET]\n");
        return 2;
    }
    Converter c;
    if (!LoadSet(argv[3], argc > 4 ? argv[4] : "cr", c.tables)) {
        std::fprintf(stderr, "cannot read the table list\n");
        return 1;
    }
    FILE* in = std::fopen(argv[1], "rb");
    c.out = std::fopen(argv[2], "wb");
    if (!in || !c.out) {
        std::fprintf(stderr, "cannot open the files\n");
        return 1;
    }
    static char outbuf[1 << 20];
    std::setvbuf(c.out, outbuf, _IOFBF, sizeof outbuf);
    std::fputs("START TRANSACTION;\r\nSET CONSTRAINTS ALL DEFERRED;\r\n", c.out);
    XML_Parser p = XML_ParserCreate(nullptr);
    XML_SetUserData(p, &c);
    XML_SetElementHandler(p, OnStart, OnEnd);
    XML_SetCharacterDataHandler(p, OnText);
    XML_SetCdataSectionHandler(p, OnCdata, OnCdata);
    XML_SetCommentHandler(p, OnComment);
    bool ok = true;
    for (;;) {
        void* buf = XML_GetBuffer(p, 16384);
        const size_t n = std::fread(buf, 1, 16384, in);
        if (XML_ParseBuffer(p, static_cast<int>(n), n == 0) != XML_STATUS_OK) {
            std::fprintf(stderr, "%s at line %lu\n", XML_ErrorString(XML_GetErrorCode(p)),
                         static_cast<unsigned long>(XML_GetCurrentLineNumber(p)));
            ok = false;
            break;
        }
        if (n == 0)
            break;
    }
    std::fputs(ok ? "SET CONSTRAINTS ALL IMMEDIATE;\r\nCOMMIT;\r\n" : "ROLLBACK;\r\n", c.out);
    std::fclose(c.out);
    std::fclose(in);
    XML_ParserFree(p);
    return ok ? 0 : 1;
}
