#include "MeasureResultDlg.h"

#include "FwCommonDialogs.h"
#include "MarkerPath.h"
#include "MeasureResultIds.h"
#include "DialogPlacement.h"
#include "ObjectMessages.h"
#include "ObjectRows.h"
#include "CircleMeasure.h"
#include "FramedMeasures.h"
#include "PolygonMeasure.h"
#include "SegmentMeasure.h"

#include <algorithm>

namespace {

struct KindEntry {
    const char* text;
    int type;
};
// The kinds offered, in the order of the list.
const KindEntry kKinds[] = {{"线段", DRAW_SEGMENT},   {"区域", DRAW_REGION}, {"矩形", DRAW_RECTANGLE},
                            {"圆周", DRAW_CIRCLE},    {"椭圆", DRAW_ELLIPSE}, {"圆弧", DRAW_ARC},
                            {"夹角", DRAW_ANGLE},     {"线条", DRAW_FREEHAND}};
const int kKindCount = (int)(sizeof kKinds / sizeof kKinds[0]);

const char kFilter[] = "Measure Result (*.rst;*.rst)|*.rst; *.rst||";
const char kExtension[] = "rst";
const DWORD kFileFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
const int kBandHeight = 30;


} // namespace

BEGIN_MESSAGE_MAP(CMeasureResultDlg, CDialog)
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_NOTIFY(NM_DBLCLK, IDC_MEASURE_LIST, OnListDoubleClick)
    ON_BN_CLICKED(IDC_MEASURE_LOAD, OnLoad)
    ON_BN_CLICKED(IDC_MEASURE_SAVE, OnSave)
    ON_BN_CLICKED(IDC_MEASURE_COLOUR, OnLineColour)
    ON_CBN_SELCHANGE(IDC_MEASURE_KIND, OnKindChange)
    ON_MESSAGE(WM_MEASURE_CHANGED, OnMeasureChanged)
    ON_MESSAGE(WM_MEASURE_SELECTED, OnMeasureSelected)
END_MESSAGE_MAP()

CMeasureResultDlg::CMeasureResultDlg(CMeasureResultDlg** ownerSlot, CWnd* imageWindow, CWnd* parent)
    : CDialog(IDD_MEASURE_RESULT, parent), m_ownerSlot(ownerSlot), m_imageWindow(imageWindow),
      m_host(dynamic_cast<IObjectLayerHost*>(imageWindow))
{
}

CMeasureResultDlg::~CMeasureResultDlg() = default;

BOOL CMeasureResultDlg::Create() { return CDialog::Create(IDD_MEASURE_RESULT, m_pParentWnd); }

void CMeasureResultDlg::PostNcDestroy() { delete this; }

int CMeasureResultDlg::TypeOfEntry(int entry) { return entry >= 0 && entry < kKindCount ? kKinds[entry].type : -1; }

int CMeasureResultDlg::EntryOfType(int type)
{
    for (int i = 0; i < kKindCount; ++i)
        if (kKinds[i].type == type) return i;
    return -1;
}

CString CMeasureResultDlg::ResultText(CDrawObject* object)
{
    switch (object ? object->GetType() : 0) {
    case DRAW_SEGMENT: return static_cast<CSegmentMeasure*>(object)->GetResultText(nullptr);
    case DRAW_ANGLE: return static_cast<CAngleMeasure*>(object)->GetResultText(nullptr);
    case DRAW_ARC: return static_cast<CArcMeasure*>(object)->GetResultText(nullptr);
    case DRAW_CIRCLE: return static_cast<CCircleMeasure*>(object)->GetResultText(nullptr);
    case DRAW_RECTANGLE: return static_cast<CRectangleMeasure*>(object)->GetResultText(nullptr);
    case DRAW_ELLIPSE: return static_cast<CEllipseMeasure*>(object)->GetResultText(nullptr);
    case DRAW_REGION:
    case DRAW_FREEHAND: {
        CPolygonMeasure* outline = static_cast<CPolygonMeasure*>(object);
        outline->ComputeResults();
        return outline->GetResultText();
    }
    default: return CString();
    }
}

CString CMeasureResultDlg::DefaultFileName() const { return SlideFileTitle(m_slidePath) + ".rst"; }

void CMeasureResultDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_MEASURE_LIST, m_list);
    DDX_Control(dx, IDC_MEASURE_KIND, m_kinds);
    DDX_CBIndex(dx, IDC_MEASURE_KIND, m_kindIndex);
}

BOOL CMeasureResultDlg::OnInitDialog()
{
    UpdateData(FALSE);  // binds the controls
    for (const KindEntry& k : kKinds) m_kinds.AddString(k.text);

    if (m_host) {
        m_host->SetMeasureLayer(&m_layer);
        // The results of a file loaded before the display next paints need
        // the slide's resolution now.
        const LayerScale scale = m_host->GetLayerScale();
        m_layer.SetScale(scale.sx, scale.sy, scale.resolutionX, scale.resolutionY);
        const RECT view = m_host->GetViewRect();
        m_layer.SetScroll(view.left, view.top);
    }
    m_layer.SetOwner(m_imageWindow);
    m_layer.SetNotifyWindow(this);
    m_layer.SetEditMode(1);

    // 16 pixels inside the display's top-right corner.
    PlaceInDisplayCorner(*this, m_imageWindow, DisplayCorner::topRight, 16, 16);

    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | 0x121);
    m_list.InsertColumn(0, "序号", LVCFMT_CENTER, 34);
    m_list.InsertColumn(1, "类型", LVCFMT_CENTER, 48);
    m_list.InsertColumn(2, "结果", LVCFMT_LEFT, 4000);
    FillList();
    UpdateData(FALSE);
    RECT client;
    GetClientRect(&client);
    LayoutList(client.right, client.bottom);
    return TRUE;
}

void CMeasureResultDlg::LayoutList(int cx, int cy)
{
    if (m_list.m_hWnd) m_list.MoveWindow(0, kBandHeight, cx, std::max(0, cy - kBandHeight));
}

void CMeasureResultDlg::OnSize(UINT, int cx, int cy) { LayoutList(cx, cy); }

void CMeasureResultDlg::OnClose() { DestroyWindow(); }

void CMeasureResultDlg::OnDestroy()
{
    if (m_host) m_host->SetMeasureLayer(nullptr);
    if (m_imageWindow && m_imageWindow->m_hWnd) m_imageWindow->Invalidate(TRUE);
    if (m_ownerSlot) *m_ownerSlot = nullptr;
}

// ---------------------------------------------------------------------------
// Rows

void CMeasureResultDlg::FillRow(int row)
{
    CDrawObject* object = m_layer.GetObjectAt(row);
    m_list.SetItemText(row, 0, RowNumber(row));
    const int type = object ? object->GetType() : 0;
    const bool listed = EntryOfType(type) >= 0;
    m_list.SetItemText(row, 1, listed ? DrawKindText(type, true) : "");
    m_list.SetItemText(row, 2, listed ? ResultText(object) : CString());
}

void CMeasureResultDlg::FillList()
{
    m_list.DeleteAllItems();
    for (int i = 0; i < m_layer.GetCount(); ++i) {
        m_list.InsertItem(i, RowNumber(i));
        FillRow(i);
    }
}

LRESULT CMeasureResultDlg::OnMeasureChanged(WPARAM, LPARAM index)
{
    const int i = (int)index;
    if (!ApplyObjectChange(m_list, i, m_layer.GetCount(), [this](int row) { FillRow(row); })) return 0;
    m_list.EnsureVisible(i, FALSE);
    UpdateData(FALSE);
    return 0;
}

LRESULT CMeasureResultDlg::OnMeasureSelected(WPARAM code, LPARAM)
{
    if (code != 3) return 0;
    if (CDrawObject* selected = m_layer.GetSelected()) {
        const int entry = EntryOfType(selected->GetType());
        if (entry >= 0) m_kindIndex = entry;
    }
    UpdateData(FALSE);
    return 0;
}

// ---------------------------------------------------------------------------
// Commands

void CMeasureResultDlg::OnKindChange()
{
    m_kindIndex = m_kinds.GetCurSel();
    const int type = TypeOfEntry(m_kindIndex);
    if (type > 0) m_layer.SetToolType(type, 1);
}

void CMeasureResultDlg::OnListDoubleClick(NMHDR*, LRESULT* result)
{
    m_layer.ScrollToObject(m_list.GetSelectionMark());
    *result = 0;
}

void CMeasureResultDlg::OnLoad()
{
    CFileDialog dialog(TRUE, kExtension, nullptr, kFileFlags, kFilter, this);
    if (dialog.DoModal() != IDOK) return;
    m_layer.ReadFile(dialog.GetPathName());
    FillList();
}

void CMeasureResultDlg::OnSave()
{
    CFileDialog dialog(FALSE, kExtension, DefaultFileName(), kFileFlags, kFilter, this);
    if (dialog.DoModal() != IDOK) return;
    m_layer.WriteFile(dialog.GetPathName());
}

void CMeasureResultDlg::OnLineColour()
{
    CDrawObject* selected = m_layer.GetSelected();
    DrawAttributes attributes;
    if (selected) selected->GetAttributes(&attributes);
    CColorDialog dialog(selected ? attributes.borderColor : m_layer.Attributes().borderColor, CC_FULLOPEN, this);
    if (dialog.DoModal() != IDOK) return;
    const COLORREF colour = dialog.GetColor();
    if (selected) {
        attributes.borderColor = colour;
        selected->SetAttributes(attributes);
    }
    m_layer.Attributes().borderColor = colour;
}
