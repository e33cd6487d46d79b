// Lindquor: the stand-in of the student media program that the student client
// starts. It records its start (time, folder, command line) as one line in the
// file named by LINDQUOR_LOG, else in Lindquor.log beside itself, and ends.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char exe[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string log;
    char named[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("LINDQUOR_LOG", named, MAX_PATH) > 0 && named[0]) {
        log = named;
    } else {
        log = exe;
        log = log.substr(0, log.rfind('\\') + 1) + "Lindquor.log";
    }
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    std::FILE* f = std::fopen(log.c_str(), "a");
    if (!f) return 1;
    std::fprintf(f, "%04u-%02u-%02u %02u:%02u:%02u.%03u started %s in %s: %s\n", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute, t.wSecond, t.wMilliseconds, exe, folder, ::GetCommandLineA());
    return std::fclose(f) == 0 ? 0 : 1;
}
