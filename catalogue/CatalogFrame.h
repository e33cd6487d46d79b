// The catalogue client's main frame and session controller: it owns the link
// and the discovery socket, chooses the server, keeps the link alive or
// reconnects on its timer, applies what the link receives to the tree, the
// list and the preview, and starts and tracks the viewers.
#pragma once

#include "ClientView.h"
#include "LeftView.h"
#include "MySock.h"
#include "PreView.h"
#include "UdpClient.h"

#include "Framework.h"

#include <memory>
#include <vector>

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    // At most this many viewers, open or being started, at a time.
    static const size_t kMaxViewers = 2;
    // A started viewer that has not registered after this long is given up.
    static const DWORD kViewerStartMs = 30000;
    static const DWORD kListTurnMs = 200;

    void ConnectToServer();

    CMySock& Link() { return *m_pLink; }
    CLeftView& LeftView() { return *m_pLeftView; }
    CPemberlo_ClientView& ListView() { return *m_pListView; }
    CPreView& PreView() { return *m_pPreView; }
    HMODULE ResourceLibrary() const { return m_hResourceLib; }

    // The selected folder, by its tree id (-1 for none), and its folder path.
    void SetSelectedItem(int32_t id) { m_nSelectedItem = id; }
    int32_t SelectedItem() const { return m_nSelectedItem; }
    CString SelectedFolderPath();

    // Read by the tests.
    const std::vector<HWND>& Viewers() const { return m_viewers; }
    size_t PendingViewerStarts() const { return m_pendingStarts.size(); }
    const CString& ServerPathPrefix() const { return m_strServerPathPrefix; }
    const CString& DiscoveredAddress() const { return m_strDiscovered; }
    const CString& PeerAddress() const { return m_strPeer; }
    bool Discovering() const { return m_pDiscovery != nullptr; }
    int FailedTicks() const { return m_nFailedTicks; }
    HICON LinkIcon() const { return m_wndLinkIcon.GetIcon(); }
    HICON ConnectedIcon() const { return m_hConnected; }
    HICON DisconnectedIcon() const { return m_hDisconnected; }
    static bool NoticeOpened() { return !s_bNoticeNotOpened; }
    UINT DiscoveryPort() const;
    // Tests that must find no server broadcast elsewhere.
    static void SetDiscoveryPortForTests(UINT port) { s_nDiscoveryPort = port; }
    // Each test starts a run of its own.
    static void ResetRunForTests()
    {
        s_bNoticeNotOpened = true;
        CMySock::ResetFirstConnectForTests();
    }

    static const TCHAR kViewerLimitText[];
    static const TCHAR kNoticeFile[];
    static const TCHAR kViewerProgram[];

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context) override;
    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    void OnTimer(UINT_PTR id);

    LRESULT OnOpenSlide(WPARAM index, LPARAM);
    LRESULT OnPreviewArrived(WPARAM reply, LPARAM);
    LRESULT OnListArrived(WPARAM, LPARAM);
    LRESULT OnTreeEntryArrived(WPARAM record, LPARAM);
    LRESULT OnLinkState(WPARAM state, LPARAM);
    LRESULT OnViewerNotify(WPARAM viewer, LPARAM state);

    void OnConnect();
    void OnDisconnect();
    void OnUpgrade();
    void OnViewSlices();
    void OnViewThumbnails();
    void OnViewReport();
    void OnViewMenu();
    void OnSetAddress();
    void OnHelpSystem();
    void OnAbout();
    void OnListStyle(UINT id);
    void OnUpdateListStyle(CCmdUI* ui);
    void OnUpdateKeyIndicator(CCmdUI* ui);
    DECLARE_MESSAGE_MAP()

private:
    void ShowLinkIcon(HICON icon);
    void UpdateVersionPane();
    void ReadSettings();
    void ForgetGoneViewers();
    void AddListItem(CatalogReply& item);
    void OpenWebAddress();

    CMenu m_menu;
    CStatic m_wndLinkIcon;
    CImageList m_toolImages;
    HBITMAP m_hRebarBitmap = nullptr;
    std::unique_ptr<CUdpClient> m_pDiscovery;
    std::vector<HWND> m_viewers;
    std::vector<DWORD> m_pendingStarts;  // tick of each start not yet registered
    CString m_strServerPathPrefix;
    CLeftView* m_pLeftView = nullptr;
    CPreView* m_pPreView = nullptr;
    CPemberlo_ClientView* m_pListView = nullptr;
    std::unique_ptr<CMySock> m_pLink;
    CString m_strDiscovered, m_strPeer;
    HMODULE m_hResourceLib = nullptr;
    int32_t m_nSelectedItem = -1;
    int m_nLanLogon = 0;
    CString m_strConfigured;
    CString m_strProgramFolder;
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar, m_wndLinkBar;
    CReBar m_wndReBar;
    HICON m_hConnected = nullptr, m_hDisconnected = nullptr;
    int m_nFailedTicks = 0;
    bool m_bRootExpanded = false;
    CSplitterWnd m_wndSplitter, m_wndLeftSplitter;

    static bool s_bNoticeNotOpened;
    static UINT s_nDiscoveryPort;
};
