#include "InspectionUnit.h"

#include "CommandLine.h"
#include "LoggerUnit.h"
#include "PeVersionInfo.h"
#include "platform/Platform.h"
#include "text/TextCodec.h"

#include <charconv>
#include <vector>

namespace {

constexpr uint64_t MaxExecutableSize = 256ull * 1024 * 1024;
constexpr size_t MaxCopySourceLength = 4096;
constexpr std::string_view AdapterKey = "torque.database.maindb.adapter";

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') {
        ++b;
    }
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

std::string LowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

std::string OpenErrorText(const std::string& fileName) {
    return "Cannot open file \"" + fileName + "\". " + plat::Host().SysErrorMessage(plat::LastError());
}

// The whole file, or nothing when it cannot be read (the reason is left in LastError).
std::optional<std::string> ReadWholeFile(const std::string& fileName, uint64_t limit) {
    auto file = plat::Files().Open(fileName, plat::OpenMode::Read);
    if (!file || file->Size() > limit) {
        return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(file->Size()), '\0');
    size_t got = 0;
    if (!bytes.empty() && (!file->Read(bytes.data(), bytes.size(), got) || got != bytes.size())) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
            if (i < text.size() || start < i) {
                lines.push_back(text.substr(start, i - start));
            }
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    return lines;
}

std::optional<int> ToInt(const std::string& s) {
    int value = 0;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+') {
        ++first;
    }
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || ptr != last) {
        return std::nullopt;
    }
    return value;
}

thread_local void* tRedirectionState = nullptr;

} // namespace

std::string GetWebAppName() {
    return FindCmdLineSwitch("tf") ? "server" : "corvane";
}

bool DetectPostgresInstallation(const std::string& SourceDir) {
    bool result = true;
    std::string fileName = SourceDir + "\\tomcat\\webapps\\" + GetWebAppName() + "\\WEB-INF\\db.properties";
    auto content = ReadWholeFile(fileName, MaxExecutableSize);
    if (!content) {
        TLogger::Fine("get db.properties error - %s", {OpenErrorText(fileName)});
        return result;
    }
    std::string textUtf8 = text::AnsiToUtf8(*content);
    for (std::string_view raw : SplitLines(textUtf8)) {
        std::string line = Trim(raw);
        if (LowerAscii(line).rfind(AdapterKey, 0) != 0) {
            continue;
        }
        size_t eq = line.find('=');
        std::string value = eq == std::string::npos ? line : line.substr(eq + 1);
        result = LowerAscii(value) != "mysql";
    }
    return result;
}

TFileVersionNumbers ParseVersionNumbers(const std::string& AVersion) {
    TFileVersionNumbers result;
    size_t dot = AVersion.find('.');
    auto major = ToInt(Trim(std::string_view(AVersion).substr(0, dot)));
    if (!major) {
        return result;
    }
    result.Major = *major;
    if (dot != std::string::npos) {
        std::string_view rest = std::string_view(AVersion).substr(dot + 1);
        result.Minor = ToInt(Trim(rest.substr(0, rest.find('.')))).value_or(0);
    }
    return result;
}

TFileVersionNumbers GetFileVersionNumbers(const std::string& AFileName) {
    if (Trim(AFileName).empty() || plat::Shell().IsNetworkPath(AFileName)) {
        return {};
    }
    SetWow64Redirection(true);
    std::optional<std::string> image;
    try {
        image = ReadWholeFile(AFileName, MaxExecutableSize);
    } catch (...) {
        image.reset();
    }
    SetWow64Redirection(false);
    if (!image) {
        return {};
    }
    auto version = ReadPeFileVersionString(*image);
    return version ? ParseVersionNumbers(*version) : TFileVersionNumbers{};
}

bool SetWow64Redirection(bool AOff) {
    try {
        if (AOff) {
            return plat::Host().DisableWow64Redirection(tRedirectionState);
        }
        return plat::Host().RevertWow64Redirection(tRedirectionState);
    } catch (...) {
        return false;
    }
}

bool DeleteDirectoryTree(const std::string& APath) {
    return plat::Shell().DeleteTree(APath);
}

bool CopyDirectoryTree(const std::string& ASource, const std::string& ATarget) {
    // The shell takes at most this many characters of the source; a cut path could name another folder.
    if (ASource.size() > MaxCopySourceLength) {
        return false;
    }
    return plat::Shell().CopyTree(ASource, ATarget);
}
