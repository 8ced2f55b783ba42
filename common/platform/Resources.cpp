#include "platform/Resources.h"

#include <map>
#include <string>

namespace plat {

namespace {
std::map<std::string, std::string_view>& Table() {
    static std::map<std::string, std::string_view> table;
    return table;
}
} // namespace

ResourceRegistration::ResourceRegistration(const char* name, const unsigned char* data, size_t size) {
    Table()[name] = std::string_view(reinterpret_cast<const char*>(data), size);
}

#ifndef _WIN32
std::string_view FindResourceData(const char* name, const char* /*type*/) {
    auto it = Table().find(name);
    return it == Table().end() ? std::string_view() : it->second;
}
#endif

} // namespace plat
