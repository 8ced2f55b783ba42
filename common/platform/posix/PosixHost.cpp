#include "platform/posix/Backends.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <ifaddrs.h>
#include <langinfo.h>
#include <locale.h>
#include <netinet/in.h>
#include <sstream>
#include <unistd.h>

namespace plat::posix {

namespace {

constexpr const char* kDefaultSystemDir = "/usr/bin";
constexpr OsVersion kDefaultVersion{10, 0, 19045, 2};

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

// "major.minor" or "major.minor.build".
bool ParseVersion(const std::string& text, OsVersion& v) {
    std::istringstream in(text);
    char dot = 0;
    OsVersion parsed;
    if (!(in >> parsed.Major >> dot) || dot != '.' || !(in >> parsed.Minor))
        return false;
    if (in.peek() == '.') {
        in.get();
        if (!(in >> parsed.Build))
            return false;
    }
    if (in.peek() != std::char_traits<char>::eof())
        return false;
    v = parsed;
    return true;
}

// %NAME% replaced by the variable's value; an unknown name stays as written, and its closing % may
// open the next name, as on Windows.
std::string ExpandVariables(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        const size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            out.append(text, i);
            break;
        }
        out.append(text, i, open - i);
        const char* value =
            close > open + 1 ? std::getenv(text.substr(open + 1, close - open - 1).c_str()) : nullptr;
        if (value) {
            out += value;
            i = close + 1;
        } else {
            out.append(text, open, close - open);
            i = close;
        }
    }
    return out;
}

class PosixHost final : public IHost {
public:
    std::string ComputerName() override {
        if (const char* name = Env("TK_SIM_COMPUTERNAME"))
            return name;
        char buffer[256] = {};
        if (::gethostname(buffer, sizeof buffer - 1) != 0)
            return "";
        return buffer;
    }

    bool Ipv4Interfaces(std::vector<std::string>& addresses) override {
        addresses.clear();
        if (const char* list = Env("TK_SIM_IPV4")) {
            std::istringstream in(list);
            std::string item;
            while (std::getline(in, item, ','))
                if (!item.empty())
                    addresses.push_back(item);
            return true;
        }
        ifaddrs* all = nullptr;
        if (::getifaddrs(&all) != 0)
            return FailWithErrno();
        for (ifaddrs* a = all; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
                continue;
            char text[INET_ADDRSTRLEN] = {};
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
                addresses.push_back(text);
        }
        ::freeifaddrs(all);
        return true;
    }

    std::string SystemDir() override {
        std::string dir = Env("TK_SIM_SYSTEM_DIR") ? Env("TK_SIM_SYSTEM_DIR") : kDefaultSystemDir;
        while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\'))
            dir.pop_back();
        return dir;
    }

    bool GetVersion(OsVersion& version) override {
        const char* text = Env("TK_SIM_WINVER");
        if (!text) {
            version = kDefaultVersion;
            return true;
        }
        // A malformed setting is a failed call, as a failing GetVersionExW would be, not a guess.
        if (!ParseVersion(text, version)) {
            SetLastError(ERROR_INVALID_PARAMETER_);
            return false;
        }
        return true;
    }

    std::string SysErrorMessage(uint32_t code) override { return Win32ErrorText(code); }

    bool DisableWow64Redirection(void*& oldValue) override {
        oldValue = nullptr; // no file-system redirection exists here
        return true;
    }

    bool RevertWow64Redirection(void*) override { return true; }

    std::string ExpandEnvironment(const std::string& text, uint32_t bufferChars) override {
        std::string expanded = ExpandVariables(text);
        if (expanded.size() >= bufferChars) { // the terminating NUL needs its place too
            SetLastError(ERROR_INSUFFICIENT_BUFFER_);
            return {};
        }
        return expanded;
    }

    std::string DecimalSeparator() override {
        // A locale of its own: the process's global locale stays as the C runtime set it.
        locale_t numeric = ::newlocale(LC_NUMERIC_MASK, "", nullptr);
        if (!numeric)
            return ".";
        const std::string separator = ::nl_langinfo_l(RADIXCHAR, numeric);
        ::freelocale(numeric);
        return separator.empty() ? "." : separator;
    }
};

} // namespace

std::shared_ptr<IHost> MakeHost() {
    return std::make_shared<PosixHost>();
}

} // namespace plat::posix
