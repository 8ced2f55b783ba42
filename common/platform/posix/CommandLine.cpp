#include "platform/posix/Backends.h"

namespace plat::posix {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// One argument after the program name; i is on its first character and ends after it.
std::string ReadArgument(const std::string& s, size_t& i) {
    std::string arg;
    bool quoted = false;
    while (i < s.size() && (quoted || !IsBlank(s[i]))) {
        if (s[i] == '\\') {
            size_t count = 0;
            while (i < s.size() && s[i] == '\\')
                ++count, ++i;
            if (i < s.size() && s[i] == '"') {
                // 2n backslashes before a quote are n backslashes and the quote still counts;
                // 2n+1 are n backslashes and a literal quote.
                arg.append(count / 2, '\\');
                if (count % 2)
                    arg += '"', ++i;
            } else {
                arg.append(count, '\\');
            }
        } else if (s[i] == '"') {
            if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
                arg += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            arg += s[i++];
        }
    }
    return arg;
}

} // namespace

std::vector<std::string> SplitWindowsCommandLine(const std::string& s) {
    std::vector<std::string> args;
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    std::string program;
    if (i < s.size() && s[i] == '"') {
        const size_t close = s.find('"', i + 1);
        program = s.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        i = close == std::string::npos ? s.size() : close + 1;
    } else {
        while (i < s.size() && !IsBlank(s[i]))
            program += s[i++];
    }
    args.push_back(program);
    for (;;) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        if (i >= s.size())
            break;
        args.push_back(ReadArgument(s, i));
    }
    return args;
}

} // namespace plat::posix
