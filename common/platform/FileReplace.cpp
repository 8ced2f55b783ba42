#include "platform/FileReplace.h"

#include "platform/Platform.h"

#include <memory>

namespace plat {

namespace {

constexpr int kNameAttempts = 100;

// A scratch name beside the file that no other file or writer holds: writers lock what they create, so
// a second process saving at the same moment moves on to the next name.
std::unique_ptr<IFile> CreateScratch(const std::string& path, std::string& scratch) {
    IFileSystem& files = Files();
    for (int n = 0; n < kNameAttempts; ++n) {
        scratch = path + ".~" + std::to_string(n) + ".tmp";
        if (files.FileExists(scratch) || files.DirectoryExists(scratch))
            continue;
        if (auto file = files.Open(scratch, OpenMode::CreateAlways))
            return file;
    }
    return nullptr;
}

bool WriteWhole(IFile& file, std::string_view bytes) {
    return file.Write(bytes.data(), bytes.size()) && file.Flush();
}

} // namespace

bool ReplaceFileContent(const std::string& path, std::string_view bytes) {
    std::string scratch;
    std::unique_ptr<IFile> file = CreateScratch(path, scratch);
    if (!file)
        return false;
    const bool written = WriteWhole(*file, bytes);
    file.reset(); // closed before it moves
    if (written && (Files().FileExists(path) ? Files().ReplaceFile(scratch, path)
                                             : Files().MoveFile(scratch, path, false)))
        return true;
    const uint32_t error = LastError();
    Files().DeleteFile(scratch);
    SetLastError(error);
    return false;
}

} // namespace plat
