#pragma once
// Rewriting a file that others depend on without ever leaving it half-written.
#include <string>
#include <string_view>

namespace plat {

// Writes the bytes to a new file in the folder of path and, once it is complete on disk, puts it in the
// place of the existing file with IFileSystem::ReplaceFile (which keeps the file's permissions), or
// gives it the name when there is no file yet. Any failure, a full disk included, leaves the existing
// file as it was and removes the new one. False on failure, with the error in LastError().
bool ReplaceFileContent(const std::string& path, std::string_view bytes);

} // namespace plat
