#pragma once
// The code that names one run of a long operation (a service start, a backup, a heap dump): a GUID in
// its text form, braces included. A progress window keeps the code of the run it shows, so that a
// worker of an earlier run, whose window the user closed, never changes a newer run's window.
#include <string>

std::string NewOperationCode();
