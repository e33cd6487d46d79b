// The viewer's main window: the slide view as its pane, a toolbar whose four
// drop-down lists imitate a microscope's controls, and the viewer's end of
// the exchange with the catalogue client.
#pragma once

#include "Framework.h"
#include "FwBars.h"
#include "FwControls.h"
#include "SlideViewPane.h"

#include "MainFrameIds.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

    // The view the frame creates as its pane and routes commands to; set
    // before the frame is created.
    void SetSlideView(ISlideViewPane* view) { m_pView = view; }

    // The slide, server and catalogue window named on the command line.
    void OpenSlide(LPCSTR slidePath, LPCSTR serverAddress, HWND window);
    // Only the frame's own view may move the ruler list.
    void SelectRuler(int index, ISlideViewPane* view);

    // Eyepiece factor x objective factor; 0 fits the whole slide.
    static int Magnification(int eyepieceIndex, int objectiveIndex);
    static int ScaleBarLengthMm(int rulerIndex);

    // The objective list moved to an index, and its magnification applied.
    void SelectObjective(int index);
    int ObjectiveIndex() const { return m_objectiveIndex; }
    // The field-number list takes the screen settings' index.
    void SetFieldNumberIndex(int index);

    HWND GetCatalogueWindow() const { return m_hCatalogueWnd; }
    BOOL IsMenuShown() const { return m_bMenuShown; }

    CComboBox m_rulerList;
    CComboBox m_fieldNumberList;
    CComboBox m_eyepieceList;
    CComboBox m_objectiveList;
    CToolBar m_wndToolBar;
    CStatusBar m_wndStatusBar;

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void PostNcDestroy() override;
    int OnCreate(LPCREATESTRUCT cs);
    void OnSetFocus(CWnd* old);
    void OnMoving(UINT side, LPRECT rect);
    void OnMove(int x, int y);
    void OnRulerChange();
    void OnFieldNumberChange();
    void OnEyepieceChange();
    void OnObjectiveChange();
    void OnShowMenu();
    void OnUpdateShowMenu(CCmdUI* ui);
    void OnClose();
    void OnEyepieceField();
    void OnViewBar(UINT id) { FwOnBarCheck(this, id); }
    void OnUpdateViewBar(CCmdUI* ui) { FwOnUpdateControlBarMenu(this, ui); }
    LRESULT OnOpenSlideRequest(WPARAM window, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    void RegisterCatalogueWindow(HWND window);
    void NotifyCatalogue(LPARAM state);
    BOOL CreateList(CComboBox& list, UINT id, UINT placeholder, int width);
    void ApplyMagnification();

    ISlideViewPane* m_pView = nullptr;
    HWND m_hCatalogueWnd = nullptr;
    HWND m_hWndSelf = nullptr;  // still known after the window is gone
    int m_fieldNumberIndex = 0;
    int m_rulerIndex = 2;
    int m_eyepieceIndex = 0;
    int m_objectiveIndex = 0;
    BOOL m_bMenuShown = FALSE;
    HFONT m_hListFont = nullptr;
};
