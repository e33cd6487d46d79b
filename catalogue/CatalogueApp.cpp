// The slide catalogue client.
#include "Framework.h"

class CCatalogueApp : public CWinApp {
public:
    BOOL InitInstance() override { return FALSE; }
};

CCatalogueApp theApp;
