#pragma once
// A program's command line: parameters split by the Windows rules and the switch searches.
// Parameter 0 is the program itself.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using TParams = std::vector<std::string>;

// Blanks and control characters separate parameters; double quotes group blanks into a parameter and
// are removed. Backslashes are plain characters, so a quoted directory that ends in a backslash
// ("C:\Old Version\") keeps it and does not swallow the closing quote.
TParams ParseCommandLine(std::string_view ACommandLine);

// The process-wide parameters, set once by the entry.
void SetCommandLineParams(TParams AParams);
const TParams& CommandLineParams();
int ParamCount();
// "" for an index past the end.
std::string ParamStr(int AIndex);

// A parameter that is "-" or "/" followed by ASwitch, compared without regard to case.
bool FindCmdLineSwitch(const TParams& AParams, std::string_view ASwitch);
bool FindCmdLineSwitch(std::string_view ASwitch);

// The value of a switch with a value: the first parameter that starts with "-" or "/" and ASwitch
// (without regard to case) is used; its value is the rest after the name, one ":" skipped, or else
// the next parameter unless that is a switch too. Nothing when no parameter matches.
std::optional<std::string> FindCmdLineSwitchValue(const TParams& AParams, std::string_view ASwitch);
std::optional<std::string> FindCmdLineSwitchValue(std::string_view ASwitch);
