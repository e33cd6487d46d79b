// Dies of an access violation on purpose: the program the watch's own test
// starts.
#include <windows.h>

int main()
{
    // No crash dialog that nobody closes.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}
