#include "platform/sim/RegText.h"

#include "platform/Types.h"
#include "platform/sim/ServiceStateFile.h"
#include "text/TextCodec.h"

#include <cstdio>
#include <sstream>

namespace plat::sim {

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr size_t kHexLineWidth = 80;

bool SameName(const std::string& a, const std::string& b) {
    return LowerAscii(a) == LowerAscii(b);
}

// ---------------------------------------------------------------- writing
std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// REG_SZ data that the quoted form reproduces byte for byte.
bool HasPlainTextForm(const std::vector<uint8_t>& d, std::string& textOut) {
    if (d.size() < 2 || d.size() % 2 || d[d.size() - 1] || d[d.size() - 2])
        return false;
    textOut = text::Utf16LeBytesToUtf8(d.data(), d.size() - 2);
    if (textOut.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return false;
    const std::string again = text::Utf8ToUtf16LeBytes(textOut, true);
    return again.size() == d.size() && std::equal(d.begin(), d.end(), again.begin(), [](uint8_t a, char b) {
               return a == static_cast<uint8_t>(b);
           });
}

std::string HexData(const std::string& prefix, const std::vector<uint8_t>& data) {
    std::string out = prefix;
    size_t lineLength = out.size();
    for (size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        out += byte;
        lineLength += 2;
        if (i + 1 == data.size())
            break;
        out += ',';
        ++lineLength;
        if (lineLength > kHexLineWidth - 4) { // regedit wraps its hex lists the same way
            out += "\\\n  ";
            lineLength = 2;
        }
    }
    return out;
}

std::string FormatValue(const RegValue& v) {
    const std::string name = v.Name.empty() ? "@" : Quote(v.Name);
    std::string plain;
    if (v.Type == REG_SZ_ && HasPlainTextForm(v.Data, plain))
        return name + "=" + Quote(plain);
    if (v.Type == REG_DWORD_ && v.Data.size() == 4) {
        char buf[16];
        const uint32_t n =
            v.Data[0] | v.Data[1] << 8 | v.Data[2] << 16 | static_cast<uint32_t>(v.Data[3]) << 24;
        std::snprintf(buf, sizeof buf, "%08x", n);
        return name + "=dword:" + buf;
    }
    if (v.Type == REG_BINARY_)
        return HexData(name + "=hex:", v.Data);
    char type[16];
    std::snprintf(type, sizeof type, "hex(%x):", v.Type);
    return HexData(name + "=" + type, v.Data);
}

// ---------------------------------------------------------------- reading
std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Reads a quoted text at s[i] (on the opening quote); leaves i after the closing quote.
bool ReadQuoted(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"')
        return false;
    out.clear();
    for (++i; i < s.size(); ++i) {
        if (s[i] == '"') {
            ++i;
            return true;
        }
        if (s[i] == '\\' && i + 1 < s.size())
            ++i;
        out += s[i];
    }
    return false;
}

bool ParseHexList(const std::string& s, std::vector<uint8_t>& data) {
    data.clear();
    std::string item;
    std::istringstream in(s);
    while (std::getline(in, item, ',')) {
        item = Trim(item);
        if (item.empty() && in.eof() && data.empty())
            break;
        if (item.empty() || item.size() > 2 ||
            item.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
        data.push_back(static_cast<uint8_t>(std::stoul(item, nullptr, 16)));
    }
    return true;
}

bool ParseData(const std::string& s, RegValue& v) {
    size_t i = 0;
    if (!s.empty() && s[0] == '"') {
        std::string textValue;
        if (!ReadQuoted(s, i, textValue) || !Trim(s.substr(i)).empty())
            return false;
        const std::string bytes = text::Utf8ToUtf16LeBytes(textValue, true);
        v.Type = REG_SZ_;
        v.Data.assign(bytes.begin(), bytes.end());
        return true;
    }
    if (s.rfind("dword:", 0) == 0) {
        const std::string digits = s.substr(6);
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
        const uint32_t n = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
        v.Type = REG_DWORD_;
        v.Data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                  static_cast<uint8_t>(n >> 24)};
        return true;
    }
    if (s.rfind("hex:", 0) == 0) {
        v.Type = REG_BINARY_;
        return ParseHexList(s.substr(4), v.Data);
    }
    if (s.rfind("hex(", 0) == 0) {
        const size_t close = s.find("):");
        if (close == std::string::npos || close == 4)
            return false;
        const std::string type = s.substr(4, close - 4);
        if (type.size() > 8 || type.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
        v.Type = static_cast<uint32_t>(std::stoul(type, nullptr, 16));
        return ParseHexList(s.substr(close + 2), v.Data);
    }
    return false;
}

// Joins the continuation lines of hex lists into logical lines.
std::vector<std::string> LogicalLines(const std::string& content) {
    std::vector<std::string> lines;
    std::istringstream in(content);
    std::string raw;
    std::string pending;
    bool continuing = false;
    while (std::getline(in, raw)) {
        pending = continuing ? pending + Trim(raw) : Trim(raw);
        continuing = !pending.empty() && pending.back() == '\\' && pending.find("=hex") != std::string::npos;
        if (continuing)
            pending.pop_back();
        else
            lines.push_back(pending);
    }
    if (continuing)
        lines.push_back(pending);
    return lines;
}

// The text as UTF-8: regedit writes UTF-16LE with a byte-order mark, people write UTF-8.
std::string ToUtf8(const std::string& raw) {
    if (raw.size() >= 2 && static_cast<uint8_t>(raw[0]) == 0xFF && static_cast<uint8_t>(raw[1]) == 0xFE)
        return text::Utf16LeBytesToUtf8(reinterpret_cast<const uint8_t*>(raw.data()) + 2, raw.size() - 2);
    if (raw.rfind("\xEF\xBB\xBF", 0) == 0)
        return raw.substr(3);
    return raw;
}

// "HKLM\Software\X" -> "HKEY_LOCAL_MACHINE\Software\X"; "" for an unknown root.
std::string NormaliseKeyPath(const std::string& path) {
    const size_t slash = path.find('\\');
    const std::string root = CanonicalRoot(path.substr(0, slash));
    if (root.empty())
        return "";
    std::string rest = slash == std::string::npos ? "" : path.substr(slash + 1);
    while (!rest.empty() && rest.back() == '\\')
        rest.pop_back();
    return rest.empty() ? root : root + "\\" + rest;
}

void DeleteTree(RegTree& tree, const std::string& path) {
    const std::string lower = LowerPath(path);
    for (auto it = tree.begin(); it != tree.end();) {
        const bool inside = it->first == lower || it->first.rfind(lower + "\\", 0) == 0;
        it = inside ? tree.erase(it) : std::next(it);
    }
}

bool ApplyLine(const std::string& line, RegTree& tree, RegKey*& current) {
    if (line.front() == '[') {
        if (line.back() != ']')
            return false;
        const bool remove = line.size() > 2 && line[1] == '-';
        const std::string path =
            NormaliseKeyPath(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)));
        if (path.empty())
            return false;
        if (remove) {
            DeleteTree(tree, path);
            current = nullptr;
        } else {
            // A root itself keeps no values here; values that follow it are refused.
            current = path.find('\\') == std::string::npos ? nullptr : &EnsureKey(tree, path);
        }
        return true;
    }
    if (!current)
        return false;
    RegValue v;
    size_t i = 0;
    if (line[0] == '@')
        i = 1;
    else if (!ReadQuoted(line, i, v.Name))
        return false;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i >= line.size() || line[i] != '=')
        return false;
    const std::string data = Trim(line.substr(i + 1));
    if (data == "-") {
        current->Remove(v.Name);
        return true;
    }
    if (!ParseData(data, v))
        return false;
    if (RegValue* existing = current->Find(v.Name))
        *existing = std::move(v);
    else
        current->Values.push_back(std::move(v));
    return true;
}

} // namespace

RegValue* RegKey::Find(const std::string& name) {
    for (auto& v : Values)
        if (SameName(v.Name, name))
            return &v;
    return nullptr;
}

bool RegKey::Remove(const std::string& name) {
    for (auto it = Values.begin(); it != Values.end(); ++it) {
        if (SameName(it->Name, name)) {
            Values.erase(it);
            return true;
        }
    }
    return false;
}

std::string LowerPath(const std::string& path) {
    return LowerAscii(path);
}

std::string CanonicalRoot(const std::string& name) {
    static const std::map<std::string, std::string> roots = {
        {"hkey_local_machine", "HKEY_LOCAL_MACHINE"},
        {"hklm", "HKEY_LOCAL_MACHINE"},
        {"hkey_current_user", "HKEY_CURRENT_USER"},
        {"hkcu", "HKEY_CURRENT_USER"},
        {"hkey_classes_root", "HKEY_CLASSES_ROOT"},
        {"hkcr", "HKEY_CLASSES_ROOT"},
        {"hkey_users", "HKEY_USERS"},
        {"hku", "HKEY_USERS"},
    };
    const auto it = roots.find(LowerAscii(name));
    return it == roots.end() ? "" : it->second;
}

RegKey& EnsureKey(RegTree& tree, const std::string& path) {
    size_t at = path.find('\\');
    while (at != std::string::npos) {
        const size_t next = path.find('\\', at + 1);
        const std::string prefix = path.substr(0, next);
        RegKey& key = tree[LowerPath(prefix)];
        if (key.Path.empty())
            key.Path = prefix;
        at = next;
    }
    return tree[LowerPath(path)];
}

std::string FormatRegText(const RegTree& tree) {
    std::string out = std::string(kHeader) + "\n\n";
    for (const auto& [lower, key] : tree) {
        out += "[" + key.Path + "]\n";
        for (const auto& v : key.Values)
            out += FormatValue(v) + "\n";
        out += "\n";
    }
    return out;
}

bool ApplyRegText(const std::string& content, RegTree& tree) {
    RegTree result = tree;
    RegKey* current = nullptr;
    bool first = true;
    for (const std::string& line : LogicalLines(ToUtf8(content))) {
        if (line.empty() || line[0] == ';')
            continue;
        if (first && (line == kHeader || line == "REGEDIT4")) {
            first = false;
            continue;
        }
        first = false;
        if (!ApplyLine(line, result, current))
            return false;
    }
    tree = std::move(result);
    return true;
}

} // namespace plat::sim
