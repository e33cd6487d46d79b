// Frame windows and dialogs.
#pragma once

#include "FwApp.h"

#include <vector>
struct CCreateContext;

// A top-level window whose client area is split between control bars
// (children with ids in the control-bar range) and one pane.
class CToolBar;

class CFrameWnd : public CWnd {
public:
    CFrameWnd() = default;

    // Creates the frame from resource id: the menu and icon of that id and the
    // caption from the first line of the string of that id.
    virtual BOOL LoadFrame(UINT idResource, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* parent = nullptr, void* context = nullptr);
    BOOL Create(LPCTSTR className, LPCTSTR title, DWORD style = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* parent = nullptr, LPCTSTR menuName = nullptr,
                DWORD exStyle = 0, void* context = nullptr);
    static const CRect rectDefault;

    // Places the visible control bars along the edges and the pane over the rest.
    virtual void RecalcLayout(BOOL notify = TRUE);
    // The pane that receives commands first: the active view, else the child
    // with id AFX_IDW_PANE_FIRST.
    CWnd* GetActiveView() const;
    void SetActiveView(CWnd* view) { m_pViewActive = view; }

    BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo, bool queryOnly = false) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

    // Docking of toolbars: alignments are the CBRS_ALIGN_* sides that bars
    // may dock on. DockControlBar docks a bar on the side of dockBarId
    // (AFX_IDW_DOCKBAR_*; 0: where it was docked last, the top at first);
    // FloatControlBar puts it into a floating window at a screen point.
    void EnableDocking(DWORD alignments) { m_dwDockStyle = alignments; }
    DWORD GetDockingStyle() const { return m_dwDockStyle; }
    void DockControlBar(CToolBar* bar, UINT dockBarId = 0);
    void FloatControlBar(CToolBar* bar, CPoint screen);

    HMENU m_hMenuDefault = nullptr;
    UINT m_nIDHelp = 0;
    CString m_strTitle;

protected:
    // The panes of a frame made from a document template (context from
    // LoadFrame): by default the context's view as the one pane.
    virtual BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);
    int OnCreate(LPCREATESTRUCT cs);
    void PostNcDestroy() override;  // frames own themselves
    void OnSize(UINT type, int cx, int cy);
    void OnSetFocus(CWnd* old);
    void OnClose();
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    LRESULT OnIdleUpdateCmdUI(WPARAM disableIfNoHandler, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    CWnd* m_pViewActive = nullptr;
    DWORD m_dwDockStyle = 0;
    std::vector<HWND> m_dockBars;  // bars that ever docked here
};

class CDataExchange;

class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT idTemplate, CWnd* parent = nullptr);
    explicit CDialog(LPCTSTR templateName, CWnd* parent = nullptr);

    // Runs the dialog until EndDialog; returns its result, -1 when it could not be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless.
    virtual BOOL Create(UINT idTemplate, CWnd* parent = nullptr);
    BOOL Create(LPCTSTR templateName, CWnd* parent = nullptr);
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    // Fills list and combo boxes from the template's initial data (resource
    // type 240 under the template's name), before OnInitDialog.
    void ExecuteDlgInit();
    virtual void OnOK();
    virtual void OnCancel();
    // Moves data between controls and members; FALSE when a value was refused.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    BOOL PreTranslateMessage(MSG* msg) override;

    LPCTSTR m_lpszTemplateName = nullptr;
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    virtual void DoDataExchange(CDataExchange* dx);
    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK FwDlgProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleInitDialog(WPARAM, LPARAM);
    BOOL CreateFromTemplate(HWND owner);
    void RunModalLoop();

    bool m_bModal = false;
    bool m_bContinueModal = false;
    INT_PTR m_nModalResult = -1;
};

INT_PTR CALLBACK FwDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Data exchange between a dialog's controls and its members.
class CDataExchange {
public:
    CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
    // Reports a value that could not be taken and stops the exchange.
    [[noreturn]] void Fail();
    HWND PrepareCtrl(int id);
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    HWND m_hWndLastControl = nullptr;
};
