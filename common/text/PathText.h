#pragma once
// Paths are texts formed the Windows way, by appending parts that begin with a backslash; these
// helpers take them apart the same way on every platform.
#include <string>
#include <string_view>

namespace text {

// Everything before the path's last backslash or slash (the file system takes both); empty for a
// bare name. "C:\a\b.txt" gives "C:\a", "C:\b.txt" gives "C:".
std::string FolderOf(std::string_view path);

} // namespace text
