#include "AnnotationListDlg.h"

#include "AnnotationListIds.h"
#include "DialogPlacement.h"
#include "ObjectMessages.h"
#include "ObjectRows.h"
#include "TextNote.h"

#include <algorithm>

namespace {


// Kinds the list names; the measuring-only kinds (segment, angle) keep their number only.
bool Listed(int type) { return type != DRAW_SEGMENT && type != DRAW_ANGLE && DrawKindText(type) != nullptr; }
bool HasText(int type) { return type == DRAW_CAPTION || type == DRAW_NOTE_MARK || type == DRAW_NOTE_TITLE; }

} // namespace

BEGIN_MESSAGE_MAP(CAnnotationListDlg, CDialog)
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_NOTIFY(NM_DBLCLK, IDC_ANNOTATION_LIST, OnListDoubleClick)
    ON_MESSAGE(WM_ANNOTATION_CHANGED, OnAnnotationChanged)
END_MESSAGE_MAP()

CAnnotationListDlg::CAnnotationListDlg(CAnnotationListDlg** ownerSlot, CWnd* imageWindow, CAnnotationLayer* layer,
                                       CWnd* parent)
    : CDialog(IDD_ANNOTATION_LIST, parent), m_ownerSlot(ownerSlot), m_imageWindow(imageWindow), m_layer(layer)
{
}

CAnnotationListDlg::~CAnnotationListDlg() = default;

BOOL CAnnotationListDlg::Create() { return CDialog::Create(IDD_ANNOTATION_LIST, m_pParentWnd); }

void CAnnotationListDlg::PostNcDestroy() { delete this; }

void CAnnotationListDlg::DoDataExchange(CDataExchange* dx) { DDX_Control(dx, IDC_ANNOTATION_LIST, m_list); }

BOOL CAnnotationListDlg::OnInitDialog()
{
    UpdateData(FALSE);  // binds the list
    if (m_layer) m_layer->SetListWindow(this);

    // Near the display's bottom-right corner.
    PlaceInDisplayCorner(*this, m_imageWindow, DisplayCorner::bottomRight, 16, 80);

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | 0x121);
    m_list.InsertColumn(0, "序号", LVCFMT_CENTER, 30);
    m_list.InsertColumn(1, "类型", LVCFMT_CENTER, 40);
    m_list.InsertColumn(2, "描述", LVCFMT_LEFT, 4000);
    m_list.InsertColumn(3, "热点坐标", LVCFMT_CENTER, 40);
    FillList();
    UpdateData(FALSE);
    RECT client;
    GetClientRect(&client);
    m_list.MoveWindow(0, 0, client.right, client.bottom);
    return TRUE;
}

void CAnnotationListDlg::OnSize(UINT, int cx, int cy)
{
    if (m_list.m_hWnd) m_list.MoveWindow(0, 0, cx, cy);
}

void CAnnotationListDlg::OnClose() { DestroyWindow(); }

void CAnnotationListDlg::OnDestroy()
{
    if (m_layer) m_layer->SetListWindow(nullptr);
    if (m_ownerSlot) *m_ownerSlot = nullptr;
}

void CAnnotationListDlg::FillRow(int row)
{
    CDrawObject* object = m_layer ? m_layer->GetObjectAt(row) : nullptr;
    m_list.SetItemText(row, 0, RowNumber(row));
    const int type = object ? object->GetType() : 0;
    if (!Listed(type)) {
        for (int column = 1; column < 4; ++column) m_list.SetItemText(row, column, "");
        return;
    }
    m_list.SetItemText(row, 1, DrawKindText(type));
    const CTextNote* note = HasText(type) ? dynamic_cast<const CTextNote*>(object) : nullptr;
    m_list.SetItemText(row, 2, note ? note->GetText() : CString());
    if (type == DRAW_CAPTION) {
        m_list.SetItemText(row, 3, "0, 0");
    } else {
        const POINT centre = object->GetCenter();
        CString place;
        place.Format("%d, %d", (int)centre.x, (int)centre.y);
        m_list.SetItemText(row, 3, place);
    }
}

void CAnnotationListDlg::FillList()
{
    m_list.DeleteAllItems();
    const int n = m_layer ? m_layer->GetCount() : 0;
    for (int i = 0; i < n; ++i) {
        m_list.InsertItem(i, RowNumber(i));
        FillRow(i);
    }
}

LRESULT CAnnotationListDlg::OnAnnotationChanged(WPARAM, LPARAM index)
{
    if (!m_layer) return 0;
    const int i = (int)index;
    const bool changed = ApplyObjectChange(m_list, i, m_layer->GetCount(), [this](int row) { FillRow(row); });
    // Changes posted before a whole file was read into the layer no longer
    // match it one by one.
    if (m_list.GetItemCount() != m_layer->GetCount())
        FillList();
    else if (!changed)
        return 0;
    m_list.EnsureVisible(i, FALSE);
    UpdateData(FALSE);
    return 0;
}

void CAnnotationListDlg::OnListDoubleClick(NMHDR*, LRESULT* result)
{
    if (m_layer) m_layer->ScrollToObject(m_list.GetSelectionMark());
    *result = 0;
}
