#include "HeapDumpArchive.h"

#include "platform/Platform.h"
#include "text/PathText.h"
#include "zip/ZipError.h"
#include "zip/ZipWriter.h"

#include <algorithm>

namespace {

std::string FileNameOf(const std::string& APath) {
    const std::string folder = text::FolderOf(APath);
    return folder.empty() ? APath : APath.substr(folder.size() + 1);
}

void WriteArchive(const std::string& ADumpPath, const std::string& AArchivePath,
                  const THeapDumpProgress& AProgress) {
    plat::FindEntry dump;
    const uint64_t size = plat::Files().GetAttributes(ADumpPath, dump) ? dump.Size : 0;
    int shown = -1;
    TZipWriter zip(AArchivePath, TZipOpenMode::zoCreate);
    zip.AddFile(ADumpPath, FileNameOf(ADumpPath), TZipMethod::zmDeflated, [&](uint64_t AConsumed) {
        const int percent =
            size == 0 ? 100 : static_cast<int>(std::min<uint64_t>(AConsumed * 100 / size, 100));
        if (percent != shown && AProgress)
            AProgress(percent);
        shown = percent;
    });
    zip.Close();
}

} // namespace

void ArchiveHeapDump(const std::string& ADumpPath, const std::string& AArchivePath,
                     const THeapDumpProgress& AProgress) {
    const std::string scratch = AArchivePath + ".tmp";
    plat::IFileSystem& files = plat::Files();
    try {
        WriteArchive(ADumpPath, scratch, AProgress);
    } catch (...) {
        files.DeleteFile(scratch);
        throw;
    }
    if (!files.MoveFile(scratch, AArchivePath, true)) {
        const std::string reason = plat::Host().SysErrorMessage(plat::LastError());
        files.DeleteFile(scratch);
        throw EZipError("Cannot rename \"" + scratch + "\" to \"" + AArchivePath + "\". " + reason);
    }
}
