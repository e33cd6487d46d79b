// The application framework the programs are written on: a thin layer over
// Win32 with the class names the programs use.
#pragma once

#include "FwPlatform.h"
#include "FwTypes.h"
#include "FwString.h"
#include "FwFile.h"
#include "FwSeams.h"
#include "FwWnd.h"
#include "FwApp.h"
#include "FwFrame.h"
#include "FwSocket.h"
#include "FwControls.h"
#include "FwDataExchange.h"
#include "FwDocView.h"
#include "FwMenu.h"
#include "FwReBar.h"
#include "FwSplitter.h"
#include "FwTreeList.h"
