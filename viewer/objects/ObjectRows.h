// Lists that show a layer's objects one row each, numbered from 0 (the
// measurement results and the annotation list): how a change the layer
// posts for one object reaches the rows.
#pragma once

#include "Framework.h"

#include <algorithm>

inline CString RowNumber(int n)
{
    CString s;
    s.Format("%d", n);
    return s;
}

// Object `index` of a layer now holding `objectCount` objects was added
// (a row inserted, the rows behind renumbered to the last), changed (its row
// refilled by fillRow) or removed (its row deleted, the rows behind
// renumbered). false when no row changed.
template <class FillRow>
bool ApplyObjectChange(CListCtrl& list, int index, int objectCount, FillRow fillRow)
{
    const int i = index, c = list.GetItemCount();
    if (i < 0) return false;
    if (c < objectCount) {
        const int row = list.InsertItem(std::min(i, c), RowNumber(i));
        if (row < 0) return false;
        fillRow(row);
        for (int r = row + 1; r <= c; ++r) list.SetItemText(r, 0, RowNumber(r));
    } else if (c == objectCount) {
        if (i >= c) return false;
        fillRow(i);
    } else {
        if (i >= c) return false;
        for (int r = i + 1; r < c; ++r) list.SetItemText(r, 0, RowNumber(r - 1));
        list.DeleteItem(i);
    }
    return true;
}
