#include "text/PathText.h"

namespace text {

std::string FolderOf(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

} // namespace text
