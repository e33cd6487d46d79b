// Dialog data exchange: each DDX_ call moves one member to its control
// (dx->m_bSaveAndValidate false) or back. A value that cannot be taken is
// reported to the user and ends the exchange through CDataExchange::Fail.
#pragma once

#include "FwFrame.h"

// Binds ctl to the dialog item once; the item must exist.
void DDX_Control(CDataExchange* dx, int id, CWnd& ctl);
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, float& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
// Check state of a button: 0, 1 or 2.
void DDX_Check(CDataExchange* dx, int id, int& value);
// Selected index of a combo box; -1 for none.
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_Slider(CDataExchange* dx, int id, int& pos);

namespace fw {
// The parsing used by DDX_Text: the whole text, spaces around it allowed.
bool ParseInt(LPCTSTR text, int& out);
bool ParseDouble(LPCTSTR text, double& out);
} // namespace fw
