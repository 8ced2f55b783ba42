#include "platform/posix/Backends.h"

namespace plat::posix {

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool Match(const char* m, const char* n) {
    // Iterative glob with one backtrack point: linear for the masks file searches use.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*m == '*') {
            star = m++;
            resume = n;
        } else if (*m == '?' || (*m && Fold(*m) == Fold(*n))) {
            ++m, ++n;
        } else if (star) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*m == '*')
        ++m;
    return *m == '\0';
}

} // namespace

bool MatchesWildcard(const std::string& mask, const std::string& name) {
    if (mask == "*.*")
        return true; // every name, with or without an extension
    // "name." asks for a name without extension; the dot is not part of what is stored.
    if (mask.size() > 1 && mask.back() == '.' && name.find('.') == std::string::npos)
        return Match(mask.substr(0, mask.size() - 1).c_str(), name.c_str());
    return Match(mask.c_str(), name.c_str());
}

} // namespace plat::posix
