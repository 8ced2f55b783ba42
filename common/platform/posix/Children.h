#pragma once
// The exit codes of this process's children, shared by the process objects and by termination, so
// that whichever of them reaps a child first keeps its exit code for the other.
#include <cstdint>
#include <sys/types.h>

namespace plat::posix {

// True once the child has ended; code is its exit code (a signal n reads as 128 + n, and a child ended
// by TerminateProcessById reads as the code given there).
bool ChildEnded(pid_t pid, uint32_t& code);
// Reaps the child in the background once it ends (its owner no longer waits for it).
void ReapInBackground(pid_t pid);
void ForgetChild(pid_t pid);
void SetTerminationCode(pid_t pid, uint32_t code);

} // namespace plat::posix
