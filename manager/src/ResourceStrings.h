#pragma once
// The language table: every text the Server Manager shows, and a few configuration values, looked up
// by key with a compiled-in fallback. Filled from a language file (.lng): lines "key = text", a
// byte-order mark choosing UTF-8 or UTF-16, the ANSI code page without one.
#include "platform/Platform.h"

#include <cstddef>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TResourceStrings {
public:
    void Clear();
    // The text of the first entry whose key equals AName, letter case aside; ADefaultValue without one.
    std::string GetString(std::string_view AName, std::string_view ADefaultValue) const;
    bool StringExists(std::string_view AName) const;
    // Replaces the text of the first matching key, or appends a new pair.
    void SetString(const std::string& AName, const std::string& AValue);

    // Each load replaces the whole table. False when the file cannot be opened or read; the table is then
    // empty and every lookup gives its fallback.
    bool LoadFromFile(const std::string& AFileName);
    // Parses the stream from its current position to its end.
    bool LoadFromStream(plat::IFile& AStream);
    // The same for a language file already in memory (the built-in one).
    bool LoadFromStream(std::string_view ABytes);

    // One line per entry in table order, "key = text", in the ANSI code page, written so that it loads
    // back as the same table: LF CR as backslash-n, a blank before a key that begins with "#". False when
    // the file cannot be written.
    bool SaveToFileAsANSI(const std::string& AFileName) const;

    // The keys and texts in load order, index i of one belonging to index i of the other.
    std::vector<std::string> Keys() const;
    std::vector<std::string> Texts() const;

private:
    struct FoldedHash {
        using is_transparent = void;
        size_t operator()(std::string_view AKey) const noexcept;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(std::string_view A, std::string_view B) const noexcept;
    };
    void Append(std::string AName, std::string AValue);
    const std::string* Find(std::string_view AName) const;

    // Loads run on the window thread while workers may look texts up.
    mutable std::shared_mutex FLock;
    std::vector<std::string> FNames;
    std::vector<std::string> FValues;
    // Key, letter case aside -> index of its first occurrence.
    std::unordered_map<std::string, size_t, FoldedHash, FoldedEqual> FIndex;
};

// Writes the lines, each ended by CR LF, in the ANSI code page; an existing file is replaced. False when
// the file cannot be written.
bool SaveLinesAsANSI(const std::string& AFileName, const std::vector<std::string>& ALines);

// The process-wide table, created empty at first use and never destroyed, so that threads still running
// while the process ends can look texts up.
TResourceStrings& LanguageTable();
