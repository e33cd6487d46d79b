#include "FwDocView.h"

// ---------------------------------------------------------------------------
// CView

BOOL CView::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW),
                                           (HBRUSH)(COLOR_WINDOW + 1));
    return TRUE;
}

void CView::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(dc);
}

LRESULT CView::OnInitialUpdateMessage(WPARAM, LPARAM)
{
    OnInitialUpdate();
    return 0;
}

BEGIN_MESSAGE_MAP(CView, CWnd)
    ON_WM_PAINT()
    ON_MESSAGE(WM_INITIALUPDATE, OnInitialUpdateMessage)
END_MESSAGE_MAP()

BOOL CCtrlView::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.lpszClass = m_strClass;
    cs.style |= m_dwDefaultStyle;
    return TRUE;
}

BEGIN_MESSAGE_MAP(CCtrlView, CView)
    ON_WM_PAINT()
END_MESSAGE_MAP()

namespace fw {

CView* CreateContextView(CWnd* parent, CCreateContext* context, UINT id, const CRuntimeClass* viewClass, SIZE size)
{
    const CRuntimeClass* cls = viewClass ? viewClass : context ? context->m_pNewViewClass : nullptr;
    if (!parent || !cls) return nullptr;
    CView* view = dynamic_cast<CView*>(cls->CreateObject());
    if (!view) return nullptr;
    if (context) view->m_pDocument = context->m_pCurrentDoc;
    view->CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, size.cx, size.cy, parent->m_hWnd,
                   (HMENU)(UINT_PTR)id, context);
    if (!view->m_hWnd) return nullptr;  // a failed creation has deleted the view
    return view;
}

} // namespace fw

// ---------------------------------------------------------------------------
// Templates

CDocument* CDocTemplate::CreateNewDocument()
{
    CDocument* doc = m_pDocClass ? dynamic_cast<CDocument*>(m_pDocClass->CreateObject()) : nullptr;
    if (doc) doc->m_pDocTemplate = this;
    return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc)
{
    CFrameWnd* frame = m_pFrameClass ? dynamic_cast<CFrameWnd*>(m_pFrameClass->CreateObject()) : nullptr;
    if (!frame) return nullptr;
    CCreateContext context;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pCurrentDoc = doc;
    context.m_pNewDocTemplate = this;
    // A frame that fails deletes itself once its window is gone; one whose
    // window was never made is left rather than risk deleting it twice.
    return frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context) ? frame : nullptr;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument*, BOOL makeVisible)
{
    frame->SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    if (!frame->GetActiveView()) {
        if (CWnd* pane = CWnd::FromHandlePermanent(::GetDlgItem(frame->m_hWnd, AFX_IDW_PANE_FIRST)))
            frame->SetActiveView(pane);
    }
    frame->RecalcLayout();
    if (makeVisible) {
        CWinApp* app = AfxGetApp();
        frame->ShowWindow(app ? app->m_nCmdShow : SW_SHOW);
        frame->UpdateWindow();
    }
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    delete m_pOnlyDoc;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR, BOOL makeVisible)
{
    CDocument* doc = CreateNewDocument();
    if (!doc || !doc->OnNewDocument()) {
        delete doc;
        return nullptr;
    }
    CFrameWnd* frame = CreateNewFrame(doc);
    if (!frame) {
        delete doc;
        return nullptr;
    }
    delete m_pOnlyDoc;
    m_pOnlyDoc = doc;
    CWinApp* app = AfxGetApp();
    if (app && !app->m_pMainWnd) app->m_pMainWnd = frame;
    InitialUpdateFrame(frame, doc, makeVisible);
    return doc;
}
