#pragma once
// Comparison without regard to letter case, as the programs compare switches, names and keywords:
// only the ASCII letters fold, every other byte must match exactly.
#include <string_view>

namespace text {

bool SameText(std::string_view a, std::string_view b);

} // namespace text
