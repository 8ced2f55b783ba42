// heapdump_archive DUMP OUT.zip: archives a heap dump exactly as the Server Manager does (the same
// function, the same settings), so that it can be timed beside other tools.
#include "Errors.h"
#include "HeapDumpArchive.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Usage: heapdump_archive DUMP OUT.zip\n";
        return 2;
    }
    try {
        ArchiveHeapDump(argv[1], argv[2], nullptr);
    } catch (const EBaseError& error) {
        std::cerr << error.Describe() << "\n";
        return 1;
    }
    return 0;
}
