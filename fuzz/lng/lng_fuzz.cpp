// libFuzzer target of the language-file parser. Besides crashes, leaks and undefined behaviour it
// checks what the rest of the program relies on: the table holds UTF-8 only, keys are trimmed and hold
// no "=" or line break, every lookup finds the first entry of its key whatever the letter case, and a
// table of ASCII texts saved and loaded again is the same table.
#include "ResourceStrings.h"
#include "text/SameText.h"
#include "text/TextCodec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsAscii(const std::vector<std::string>& texts) {
    for (const std::string& s : texts)
        for (char c : s)
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
    return true;
}

// One file per process for the round trip, removed when the fuzzer ends.
struct ScratchFile {
    std::string Path = "/tmp/lng_fuzz_" + std::to_string(getpid()) + ".lng";
    ~ScratchFile() { std::remove(Path.c_str()); }
};

const std::string& ScratchPath() {
    static const ScratchFile file;
    return file.Path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TResourceStrings table;
    Check(table.LoadFromStream(std::string_view(reinterpret_cast<const char*>(data), size)),
          "loading succeeds");
    const std::vector<std::string> keys = table.Keys();
    const std::vector<std::string> texts = table.Texts();
    Check(keys.size() == texts.size(), "keys and texts pair up");
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string& key = keys[i];
        Check(text::IsValidUtf8(key) && text::IsValidUtf8(texts[i]), "the table holds UTF-8");
        Check(key.find_first_of("=\r\n") == std::string::npos, "keys hold no separator or line break");
        Check(key.empty() || (!IsBlank(key.front()) && !IsBlank(key.back())), "keys are trimmed");
        size_t first = 0;
        while (!text::SameText(keys[first], key))
            ++first;
        Check(table.GetString(key, "\x01") == texts[first], "a lookup finds the first entry of its key");
        Check(table.StringExists(key), "every key exists");
    }

    if (IsAscii(keys) && IsAscii(texts)) {
        Check(table.SaveToFileAsANSI(ScratchPath()), "saving succeeds");
        TResourceStrings again;
        Check(again.LoadFromFile(ScratchPath()), "the saved file loads");
        Check(again.Keys() == keys && again.Texts() == texts, "a saved table loads back the same");
    }
    return 0;
}
