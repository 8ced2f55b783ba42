// A stand-in for a JDK's jcmd.exe in the heap-dump tests. Called as
//   jcmd.exe PID GC.heap_dump PATH
// it writes a dump-like file of DumpBytes bytes to PATH, as the real tool has the Java process do, and
// notes how it was called in "jcmd-call.txt" beside itself: its arguments, one per line, then its
// current folder. Called any other way, it says so on standard error and writes no dump, as the real
// tool does when it cannot attach.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t DumpBytes = 3 * 1024 * 1024;

std::string Beside(const char* name) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

void Write(const std::string& path, const std::string& text) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

// The header of a heap dump, then records that repeat with a counter: compressible, as dumps are, and
// different enough that a wrong block in the archive shows.
std::string Dump() {
    std::string dump("JAVA PROFILE 1.0.2", 19);
    char record[32];
    for (unsigned i = 0; dump.size() < DumpBytes; ++i)
        dump.append(record, static_cast<size_t>(std::snprintf(record, sizeof record, "object %08x;", i)));
    dump.resize(DumpBytes);
    return dump;
}

} // namespace

int main(int argc, char** argv) {
    std::string call;
    for (int i = 1; i < argc; ++i)
        call += std::string(argv[i]) + "\n";
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    Write(Beside("jcmd-call.txt"), call + folder + "\n");

    if (argc != 4 || std::strcmp(argv[2], "GC.heap_dump") != 0) {
        std::fputs("Unable to open a connection to the process\n", stderr);
        return 1;
    }
    Write(argv[3], Dump());
    return 0;
}
