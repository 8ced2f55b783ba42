#pragma once
// Reads the texts of a Windows executable's version resource straight from the file's bytes, so the
// programs judge executables the same way on every platform.
#include <optional>
#include <string>
#include <string_view>

// The key of the string table of the first translation listed under "\VarFileInfo\Translation":
// language and code page as eight lower-case hex digits ("040904b0").
std::optional<std::string> ReadPeFirstTranslation(std::string_view AImage);

// The "\StringFileInfo\<ATable>\<AName>" string; table keys compare without regard to case, value
// names exactly. Nothing when the bytes are not a PE executable, or it has no version resource, no
// such table or no such string.
std::optional<std::string> ReadPeVersionString(std::string_view AImage, std::string_view ATable,
                                               std::string_view AName);

// The "FileVersion" string of the first translation.
std::optional<std::string> ReadPeFileVersionString(std::string_view AImage);
