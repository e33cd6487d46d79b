// Entry point of the test programs that run under Wine.
#include "Framework.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
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
