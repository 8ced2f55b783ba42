#pragma once
// One run of the Updater, from the parsed command line to the exit code:
// 0 the upgrade ran to its end, 1 it stopped on an error, 2 the command line cannot be used.
#include "CommandLine.h"

#include <optional>
#include <string>

constexpr int ExitUpgradeDone = 0;
constexpr int ExitUpgradeFailed = 1;
constexpr int ExitBadCommandLine = 2;

// What keeps the two directories from being used, or nothing when they can be.
std::optional<std::string> CheckDirectoryParams(const TParams& AParams);

int RunUpdater(const TParams& AParams);
