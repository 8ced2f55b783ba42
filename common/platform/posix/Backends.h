#pragma once
// Factories of the posix backends, one per interface; MakeDefaultPlatform assembles them with the
// simulated service manager and registry. The helpers below are the parts with rules of their own.
#include "platform/Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace plat::posix {

std::shared_ptr<IProcesses> MakeProcesses();
std::shared_ptr<IHost> MakeHost();
std::shared_ptr<IShell> MakeShell();
std::shared_ptr<IFileSystem> MakeFileSystem();
std::shared_ptr<ISync> MakeSync();
std::shared_ptr<IClock> MakeClock();

// A Windows path as this system names it: backslashes become slashes.
std::string NativePath(const std::string& windowsPath);
// The Win32 error code that stands for an errno value.
uint32_t Win32ErrorFromErrno(int err);
// Sets LastError from errno and returns false, for one-line failure exits.
bool FailWithErrno();
// The English text Windows gives for an error code; "" for codes it does not know.
std::string Win32ErrorText(uint32_t code);

// Splits a command line by the rules of the Windows C runtime: the program name ends at the first
// blank unless quoted (no escapes in it); arguments obey quotes, doubled quotes and backslashes
// before quotes.
std::vector<std::string> SplitWindowsCommandLine(const std::string& commandLine);
// Matches a file name against a mask with * and ?, ignoring case as Windows does; "*.*" is every name.
bool MatchesWildcard(const std::string& mask, const std::string& name);
// Reads dwFileVersionMS/LS from the version resource of a PE image held in memory. On failure the
// result is false and code holds the Win32 error (11 for a damaged image, 1812/1813 for no version).
bool ReadPeFileVersion(const std::vector<uint8_t>& image, uint32_t& ms, uint32_t& ls, uint32_t& code);

} // namespace plat::posix
