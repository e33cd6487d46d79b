// The classroom student client.
#include "Framework.h"

class CStudentApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};

CStudentApp theApp;
