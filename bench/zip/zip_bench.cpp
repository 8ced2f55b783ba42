// Archives a folder tree the way the upgrade backs up an installation (every file stored, every
// folder an empty entry, names relative to the root with backslashes) and reports the time taken and
// the peak memory of the process.
#include "zip/ZipWriter.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

struct Tree {
    std::vector<std::string> Files;
    std::vector<std::string> Folders;
};

void List(const std::string& folder, Tree& tree) {
    std::vector<plat::FindEntry> entries;
    plat::Files().FindFiles(folder + "\\*", entries);
    for (const plat::FindEntry& e : entries) {
        const std::string path = folder + "\\" + e.Name;
        if (e.Attributes & plat::FILE_ATTRIBUTE_DIRECTORY_) {
            tree.Folders.push_back(path);
            List(path, tree);
        } else {
            tree.Files.push_back(path);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zip_bench <folder> <archive>\n");
        return 2;
    }
    const std::string root = argv[1];
    const auto start = std::chrono::steady_clock::now();
    Tree tree;
    List(root, tree);
    const plat::FileTime now{2024, 5, 6, 7, 8, 9};
    TZipWriter zip(argv[2], TZipOpenMode::zoCreate);
    for (const std::string& file : tree.Files)
        zip.AddFile(file, file.substr(root.size()), TZipMethod::zmStored);
    for (const std::string& folder : tree.Folders)
        zip.AddFolder(folder.substr(root.size()) + "\\", now);
    zip.Close();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%zu files, %zu folders, %.3f s, peak memory %.1f MiB\n", tree.Files.size(),
                tree.Folders.size(), took.count(), usage.ru_maxrss / 1024.0);
    return 0;
}
