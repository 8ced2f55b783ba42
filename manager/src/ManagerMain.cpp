// The Server Manager's entry: the command line by the Windows rules on Windows, the shell's words
// elsewhere.
#include "ManagerProgram.h"

#ifdef _WIN32
#include "ui/SystemCommandLine.h"

int wmain(int, wchar_t**) {
    return RunManager(ParseCommandLine(ui::ProcessCommandLine()));
}
#else
int main(int argc, char** argv) {
    return RunManager(TParams(argv, argv + argc));
}
#endif
