// The Updater's entry: the command line by the Windows rules on Windows, the shell's words elsewhere.
#include "UpdaterProgram.h"

#ifdef _WIN32
#include "ui/SystemCommandLine.h"

int wmain(int, wchar_t**) {
    return RunUpdater(ParseCommandLine(ui::ProcessCommandLine()));
}
#else
int main(int argc, char** argv) {
    return RunUpdater(TParams(argv, argv + argc));
}
#endif
