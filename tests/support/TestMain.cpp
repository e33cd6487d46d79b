// Entry point of the test programs that run under Wine.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// A program that dies of an exception says where, instead of ending with
// nothing printed.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* r = info ? info->ExceptionRecord : nullptr;
    const DWORD code = r ? r->ExceptionCode : 0;
    std::fprintf(stderr, "test program ended by exception 0x%08lx (%s) at %p\n", code,
                 testing_support::ExceptionName(code), r ? r->ExceptionAddress : nullptr);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int main(int argc, char** argv)
{
    // Unbuffered: what a test printed is kept if the program dies.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ::SetUnhandledExceptionFilter(&ReportCrash);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    // A failed assertion must not open a crash dialog that nobody closes.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // Socket tests need the socket layer; start-up is counted, so tests of its
    // own failure path are not disturbed.
    AfxSocketInit();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
