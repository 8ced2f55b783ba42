#pragma once
// Reading the central directory of an existing archive, so that entries can be added to it.
#include "platform/Platform.h"
#include "zip/ZipRecords.h"

#include <string>

namespace zip {

struct ExistingDirectory {
    uint64_t Entries = 0;
    Bytes Records; // the central directory records, verbatim: old entries never move
};

// Throws EZipError when the file is not an archive this writer can safely extend (damaged, split
// over several disks, or with a directory that does not add up).
ExistingDirectory ReadDirectory(plat::IFile& file, const std::string& path);

} // namespace zip
