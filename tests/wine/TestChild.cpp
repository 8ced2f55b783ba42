// A child program for the process tests. Its arguments are commands, run in order:
//   out TEXT | err TEXT   write TEXT to standard output / standard error
//   fill N                write N bytes 'x' to standard output in one write
//   pidfile PATH          write the process id into PATH
//   cwdfile PATH          write the current directory into PATH
//   sleep MS              sleep
//   exit CODE             end with CODE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void WriteFileText(const char* path, const std::string& text) {
    if (FILE* f = std::fopen(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

// Straight to the handle, so that a text arrives in one piece and without the C runtime's conversions.
void WriteStd(DWORD which, const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(which), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string CurrentDirectory() {
    char dir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* command = argv[i];
        const char* arg = argv[i + 1];
        if (!std::strcmp(command, "out"))
            WriteStd(STD_OUTPUT_HANDLE, arg);
        else if (!std::strcmp(command, "err"))
            WriteStd(STD_ERROR_HANDLE, arg);
        else if (!std::strcmp(command, "fill"))
            WriteStd(STD_OUTPUT_HANDLE, std::string(std::atoi(arg), 'x'));
        else if (!std::strcmp(command, "pidfile"))
            WriteFileText(arg, std::to_string(GetCurrentProcessId()));
        else if (!std::strcmp(command, "cwdfile"))
            WriteFileText(arg, CurrentDirectory());
        else if (!std::strcmp(command, "sleep"))
            Sleep(static_cast<DWORD>(std::atoi(arg)));
        else if (!std::strcmp(command, "exit"))
            return std::atoi(arg);
    }
    return 0;
}
