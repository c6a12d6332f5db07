// Test helper for Wine: runs a program and writes its exit code to a file, since the
// virtual desktop's explorer does not pass it on.
// Usage: run-and-report REPORT PROGRAM [ARGUMENTS...]
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR argumentText, int) {
    std::string text = argumentText;
    const size_t blank = text.find(' ');
    if (blank == std::string::npos) return 2;
    const std::string report = text.substr(0, blank);
    std::string command = text.substr(blank + 1);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &process))
        return 3;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    if (FILE* file = std::fopen(report.c_str(), "w")) {
        std::fprintf(file, "%lu\n", static_cast<unsigned long>(code));
        std::fclose(file);
    }
    return 0;
}
