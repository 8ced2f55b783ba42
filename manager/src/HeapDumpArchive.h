#pragma once
// The heap dump's archive: one deflated entry named after the dump, read straight from the dump on disk
// and compressed on every processor. A dump takes minutes to archive, so the caller is told how far it
// has come.
#include <functional>
#include <string>

// Told the percentage of the dump in the archive, each time it changes.
using THeapDumpProgress = std::function<void(int APercent)>;

// Writes the archive under a temporary name beside AArchivePath and gives it that name once it is
// complete, replacing a file there. On failure the temporary file is removed and EZipError is raised
// with the reason; no half-written archive is left.
void ArchiveHeapDump(const std::string& ADumpPath, const std::string& AArchivePath,
                     const THeapDumpProgress& AProgress);
