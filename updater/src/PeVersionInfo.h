#pragma once
// Reads the "FileVersion" text of a Windows executable's version resource straight from the file's
// bytes, so the Updater judges the previous installation's programs the same way on every platform.
#include <optional>
#include <string>
#include <string_view>

// The "\StringFileInfo\<language><code page>\FileVersion" string of the first translation listed
// under "\VarFileInfo\Translation". Nothing when the bytes are not a PE executable, or it has no
// version resource, translation or such string.
std::optional<std::string> ReadPeFileVersionString(std::string_view AImage);
