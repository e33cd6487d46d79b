#include "FwControls.h"

#include <vector>

void CComboBox::GetLBText(int index, CString& text) const
{
    text.Empty();
    int len = GetLBTextLen(index);
    if (len <= 0) return;
    std::vector<TCHAR> buf((size_t)len + 1, 0);
    if (Send(CB_GETLBTEXT, (WPARAM)index, (LPARAM)buf.data(), CB_ERR) == CB_ERR) return;
    text = buf.data();
}

void CSliderCtrl::GetRange(int& minimum, int& maximum) const
{
    minimum = GetRangeMin();
    maximum = GetRangeMax();
}
