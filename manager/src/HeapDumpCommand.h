#pragma once
// tfctl heapdump: a heap dump of the web server without windows, for remote shells and scripts.
#include <ostream>
#include <string>
#include <vector>

// The checks and the run of the "Create Heap Dump" button: the progress and every message on AErr, the
// archive's path on AOut once it is made. Exit code 0 when the archive was made, 1 when the run was
// refused or failed, 2 for arguments (it takes none; HeapDumpCommandUsage on AErr). The texts come
// from the language table, so the caller loads it first.
int RunHeapDumpCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr);

extern const char* const HeapDumpCommandUsage;
