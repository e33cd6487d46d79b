// The slide viewer's application object.
#pragma once

#include "Framework.h"

class CViewerApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
