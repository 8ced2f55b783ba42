#include "ResourceStrings.h"

#include "WinUtilsUnit.h"
#include "text/SameText.h"
#include "text/TextCodec.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace {

// The hash must agree with text::SameText, which folds the ASCII letters only.
char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Blanks and control characters on either side, as the language files have always been trimmed.
std::string_view Trim(std::string_view s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ')
        --end;
    return s.substr(begin, end - begin);
}

// Translators write a line break as backslash-n; the programs have always shown it as LF CR.
std::string ExpandLineBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += "\n\r";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The reverse of ExpandLineBreaks, so that a saved table loads back as it was.
std::string CollapseLineBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && i + 1 < s.size() && s[i + 1] == '\r') {
            out += "\\n";
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace

size_t TResourceStrings::FoldedHash::operator()(std::string_view AKey) const noexcept {
    uint64_t hash = 14695981039346656037ull; // FNV-1a over the folded bytes
    for (char c : AKey)
        hash = (hash ^ static_cast<unsigned char>(FoldAscii(c))) * 1099511628211ull;
    return static_cast<size_t>(hash);
}

bool TResourceStrings::FoldedEqual::operator()(std::string_view A, std::string_view B) const noexcept {
    return text::SameText(A, B);
}

void TResourceStrings::Clear() {
    std::unique_lock lock(FLock);
    FNames.clear();
    FValues.clear();
    FIndex.clear();
}

const std::string* TResourceStrings::Find(std::string_view AName) const {
    auto it = FIndex.find(AName);
    return it == FIndex.end() ? nullptr : &FValues[it->second];
}

std::string TResourceStrings::GetString(std::string_view AName, std::string_view ADefaultValue) const {
    std::shared_lock lock(FLock);
    const std::string* value = Find(AName);
    return value ? *value : std::string(ADefaultValue);
}

bool TResourceStrings::StringExists(std::string_view AName) const {
    std::shared_lock lock(FLock);
    return Find(AName) != nullptr;
}

void TResourceStrings::Append(std::string AName, std::string AValue) {
    FIndex.try_emplace(AName, FNames.size()); // a repeated key keeps its first index
    FNames.push_back(std::move(AName));
    FValues.push_back(std::move(AValue));
}

void TResourceStrings::SetString(const std::string& AName, const std::string& AValue) {
    std::unique_lock lock(FLock);
    auto it = FIndex.find(AName);
    if (it != FIndex.end())
        FValues[it->second] = AValue;
    else
        Append(AName, AValue);
}

bool TResourceStrings::LoadFromFile(const std::string& AFileName) {
    std::unique_ptr<plat::IFile> file = plat::Files().Open(AFileName, plat::OpenMode::Read);
    if (!file) {
        Clear();
        return false;
    }
    return LoadFromStream(*file);
}

bool TResourceStrings::LoadFromStream(plat::IFile& AStream) {
    std::string bytes;
    char buffer[65536];
    size_t got = 0;
    do {
        if (!AStream.Read(buffer, sizeof buffer, got)) {
            Clear();
            return false;
        }
        bytes.append(buffer, got);
    } while (got > 0);
    return LoadFromStream(std::string_view(bytes));
}

bool TResourceStrings::LoadFromStream(std::string_view ABytes) {
    std::unique_lock lock(FLock);
    FNames.clear();
    FValues.clear();
    FIndex.clear();
    for (const std::string& line : LoadTextLines(ABytes)) {
        if (line.starts_with('#'))
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string_view whole(line);
        Append(std::string(Trim(whole.substr(0, equals))), ExpandLineBreaks(Trim(whole.substr(equals + 1))));
    }
    return true;
}

bool TResourceStrings::SaveToFileAsANSI(const std::string& AFileName) const {
    std::vector<std::string> lines;
    {
        std::shared_lock lock(FLock);
        for (size_t i = 0; i < FNames.size(); ++i) {
            // A key that begins with "#" came from a line with a blank in front, and needs it again.
            const char* lead = FNames[i].starts_with('#') ? " " : "";
            lines.push_back(lead + FNames[i] + " = " + CollapseLineBreaks(FValues[i]));
        }
    }
    return SaveLinesAsANSI(AFileName, lines);
}

std::vector<std::string> TResourceStrings::Keys() const {
    std::shared_lock lock(FLock);
    return FNames;
}

std::vector<std::string> TResourceStrings::Texts() const {
    std::shared_lock lock(FLock);
    return FValues;
}

bool SaveLinesAsANSI(const std::string& AFileName, const std::vector<std::string>& ALines) {
    std::string content;
    for (const std::string& line : ALines)
        content += line + "\r\n";
    const std::string bytes = text::Utf8ToAnsi(content);
    std::unique_ptr<plat::IFile> file = plat::Files().Open(AFileName, plat::OpenMode::CreateAlways);
    return file && file->Write(bytes.data(), bytes.size());
}

TResourceStrings& LanguageTable() {
    static TResourceStrings* table = new TResourceStrings;
    return *table;
}
