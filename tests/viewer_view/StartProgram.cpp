// Starts a program with a command line given word for word, as the catalogue
// client does: start_program.exe PROGRAM "REST" runs "PROGRAM" REST and waits
// for it, returning its exit code (and printing it whole when it is not 0).
// The shell cannot pass such a line through Wine's loader, which quotes every
// argument with blanks in it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main()
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv || argc < 2) {
        std::fprintf(stderr, "usage: start_program PROGRAM [REST]\n");
        return 2;
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    for (int i = 2; i < argc; ++i) line += L" " + std::wstring(argv[i]);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(argv[1], &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "start_program: cannot start the program (error %lu)\n", ::GetLastError());
        return 2;
    }
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    // Whoever waits for this one sees only the low byte of the code.
    if (code) std::fprintf(stderr, "start_program: the program ended with exit code 0x%08lx\n", code);
    return (int)code;
}
