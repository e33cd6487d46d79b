// The main frame with its panes, against a scripted catalogue server on
// 127.0.0.2:3031: the tree from folder entries, the list with its thumbnails,
// the preview, starting viewers and tracking them, and the link's timer.
#include "CatalogFrame.h"
#include "CatalogMessages.h"
#include "CatalogSettings.h"
#include "CataloguePeer.h"
#include "ClientApp.h"
#include "JpegTestData.h"
#include "resource.h"

#include <gtest/gtest.h>

using testing_support::MessageBoxRecorder;
using testing_support::PumpFor;
using testing_support::PumpUntil;

namespace {

class CRecordingShell : public fw::IShell {
public:
    struct Call {
        CString verb, file, params;
    };
    HINSTANCE Execute(HWND, LPCTSTR verb, LPCTSTR file, LPCTSTR params, LPCTSTR, int) override
    {
        calls.push_back({verb, file, params ? params : _T("")});
        return (HINSTANCE)(INT_PTR)42;
    }
    BOOL EndSession(UINT, DWORD) override { return FALSE; }
    std::vector<Call> calls;
};

// A window that stands for a viewer and counts the WM_CLOSE it gets.
class CViewerStandIn : public CWnd {
public:
    CViewerStandIn() { CreateEx(0, nullptr, _T("viewer"), WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
    void OnClose() { ++closes; }
    int closes = 0;
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CViewerStandIn, CWnd)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

std::vector<uint8_t> Picture(int w, int h)
{
    JpegParams p;
    p.width = w;
    p.height = h;
    return EncodeJpeg(p);
}

void ClearSettings()
{
    ::RegDeleteTree(HKEY_CURRENT_USER, kSettingsKey);
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fw::SetTimerScale(0.05);
        // A catalogue server of another test may be answering on the real port.
        CMainFrame::SetDiscoveryPortForTests(6798);
        m_previousShell = fw::SetShell(&shell);
        CMainFrame::ResetRunForTests();
        ClearSettings();
        WriteLanLogon(0);
        WriteCurrentAddress(_T("127.0.0.2"));
    }
    void TearDown() override
    {
        if (frame && ::IsWindow(frameWnd)) frame->DestroyWindow();
        PumpFor(50);
        theApp.m_pMainWnd = nullptr;
        fw::SetShell(m_previousShell);
        fw::SetTimerScale(1.0);
        ClearSettings();
    }
    void Open()
    {
        frame = dynamic_cast<CMainFrame*>(theApp.OpenFrame());
        ASSERT_NE(frame, nullptr);
        frameWnd = frame->m_hWnd;
    }
    // Connected, with the root's folder request received.
    void OpenConnected()
    {
        Open();
        ASSERT_TRUE(PumpUntil([&] { return frame->Link().IsConnected() && !peer.Requests(cat::kFolderRequest).empty(); }));
    }
    CTreeCtrl& Tree() { return frame->LeftView().GetTreeCtrl(); }
    CListCtrl& List() { return frame->ListView().GetListCtrl(); }
    std::vector<CString> Children(HTREEITEM parent)
    {
        std::vector<CString> out;
        for (HTREEITEM i = Tree().GetChildItem(parent); i; i = Tree().GetNextSiblingItem(i)) out.push_back(Tree().GetItemText(i));
        return out;
    }
    HTREEITEM Child(HTREEITEM parent, LPCTSTR text)
    {
        for (HTREEITEM i = Tree().GetChildItem(parent); i; i = Tree().GetNextSiblingItem(i))
            if (Tree().GetItemText(i) == text) return i;
        return nullptr;
    }
    // What the tree control tells its parent when the user expands an item.
    void UserExpands(HTREEITEM item)
    {
        Tree().Expand(item, TVE_EXPAND);
        NMTREEVIEW nm = {};
        nm.hdr.hwndFrom = Tree().m_hWnd;
        nm.hdr.idFrom = (UINT_PTR)::GetDlgCtrlID(Tree().m_hWnd);
        nm.hdr.code = TVN_ITEMEXPANDED;
        nm.action = TVE_EXPAND;
        nm.itemNew.hItem = item;
        nm.itemNew.lParam = (LPARAM)Tree().GetItemData(item);
        ::SendMessage(::GetParent(Tree().m_hWnd), WM_NOTIFY, nm.hdr.idFrom, (LPARAM)&nm);
    }
    cat::CCatalogPacket Entry(int32_t item, const char16_t* path, int32_t flag)
    {
        cat::CCatalogPacket e = Reply(cat::kTreeEntry, item, path);
        e.nFlag = flag;
        return e;
    }
    void SendItem(int32_t item, const char16_t* path, int32_t flag, const std::vector<uint8_t>& thumb, int32_t mark = 1)
    {
        cat::CCatalogPacket r = Reply(cat::kListItem, item, path);
        r.nTotalLen = (int32_t)(cat::kPacketSize + thumb.size());
        r.nFlag = flag;
        r.nMarkState = mark;
        r.nDataSize = 3 * 1024 * 1024 / 2;
        cat::SetFieldText(r.szInfoName, u"TIFF");
        cat::SetFieldText(r.szInfoValue, u"0.25");
        cat::SetFieldText(r.szScanSize, u"10.0 x 8.0 mm");
        cat::SetFieldText(r.szMatrixSize, u"40000x32000");
        peer.Send(r, thumb);
    }
    // Folder A of the root, selected, its list asked for.
    HTREEITEM SelectFolderA()
    {
        peer.Send(Entry(0, u"D:\\Lib\\A", 0));
        HTREEITEM a = nullptr;
        EXPECT_TRUE(PumpUntil([&] { return (a = Child(frame->LeftView().Root(), _T("A"))) != nullptr; }));
        Tree().SelectItem(a);
        EXPECT_TRUE(PumpUntil([&] { return !peer.Requests(cat::kListRequest).empty(); }));
        return a;
    }

    CCataloguePeer peer{_T("127.0.0.2"), 3031};
    CRecordingShell shell;
    MessageBoxRecorder boxes;
    CMainFrame* frame = nullptr;
    HWND frameWnd = nullptr;

private:
    fw::IShell* m_previousShell = nullptr;
};

} // namespace

TEST_F(FrameTest, FolderEntriesBuildTheTreeAndEachFolderIsAskedForOnce)
{
    OpenConnected();
    const cat::CCatalogPacket root = peer.Requests(cat::kFolderRequest)[0];
    EXPECT_EQ(root.nItemId, 0);
    EXPECT_EQ(cat::FieldText(root.szPath), u"");
    EXPECT_EQ(frame->LinkIcon(), frame->ConnectedIcon());

    // An entry for an item id that is no live item of the tree is dropped.
    peer.Send(Entry(12345, u"D:\\Lib\\Ghost", 0));
    peer.Send(Entry(0, u"D:\\Lib\\A", 1));
    peer.Send(Entry(0, u"D:\\Lib\\B", 0));
    HTREEITEM rootItem = frame->LeftView().Root();
    ASSERT_TRUE(PumpUntil([&] { return Children(rootItem).size() == 2; }));
    EXPECT_EQ(Children(rootItem), (std::vector<CString>{_T("A"), _T("B")}));
    EXPECT_EQ(frame->ServerPathPrefix(), _T("D:\\Lib\\"));
    EXPECT_TRUE(Tree().GetItemState(rootItem, TVIS_EXPANDED));
    HTREEITEM a = Child(rootItem, _T("A"));
    EXPECT_EQ(Children(a), std::vector<CString>{CLeftView::kPlaceholderText});
    EXPECT_TRUE(Children(Child(rootItem, _T("B"))).empty());

    UserExpands(a);
    UserExpands(a);
    UserExpands(rootItem);
    ASSERT_TRUE(PumpUntil([&] { return peer.Requests(cat::kFolderRequest).size() == 2; }));
    PumpFor(200);
    auto folders = peer.Requests(cat::kFolderRequest);
    ASSERT_EQ(folders.size(), 2u);
    const int32_t idA = frame->LeftView().IdOf(a);
    EXPECT_EQ(folders[1].nItemId, idA);
    EXPECT_EQ(cat::FieldText(folders[1].szPath), u"A\\");
    EXPECT_TRUE(Children(a).empty()) << "the placeholder goes at the first expansion";

    peer.Send(Entry(idA, u"D:\\Lib\\A\\C", 0));
    ASSERT_TRUE(PumpUntil([&] { return Children(a).size() == 1; }));
    EXPECT_EQ(frame->LeftView().FolderPath(Child(a, _T("C"))), _T("A\\C\\"));
}

TEST_F(FrameTest, AfterAReconnectEveryOpenedFolderShowsItsChildrenAndNoFolderShowsTwice)
{
    OpenConnected();
    peer.Send(Entry(0, u"D:\\Lib\\A", 1));
    peer.Send(Entry(0, u"D:\\Lib\\B", 1));
    HTREEITEM rootItem = frame->LeftView().Root();
    ASSERT_TRUE(PumpUntil([&] { return Children(rootItem).size() == 2; }));
    HTREEITEM a = Child(rootItem, _T("A")), b = Child(rootItem, _T("B"));
    const int32_t idA = frame->LeftView().IdOf(a), idB = frame->LeftView().IdOf(b);

    // A is opened, and the link closes before its folders come; B is opened
    // while the link is down.
    UserExpands(a);
    ASSERT_TRUE(PumpUntil([&] { return peer.Requests(cat::kFolderRequest).size() == 2; }));
    peer.Drop();
    ASSERT_TRUE(PumpUntil([&] { return !frame->Link().IsOpen(); }));
    UserExpands(b);

    // Back: the root, A and B are asked for again, and answered in full.
    ASSERT_TRUE(PumpUntil([&] { return peer.Accepted() == 2 && peer.Requests(cat::kFolderRequest).size() == 3; }));
    std::vector<int32_t> asked;
    for (const auto& r : peer.Requests(cat::kFolderRequest)) asked.push_back(r.nItemId);
    EXPECT_EQ(asked, (std::vector<int32_t>{0, idA, idB}));
    peer.Send(Entry(0, u"D:\\Lib\\A", 1));
    peer.Send(Entry(0, u"D:\\Lib\\B", 1));
    peer.Send(Entry(idA, u"D:\\Lib\\A\\C", 0));
    peer.Send(Entry(idB, u"D:\\Lib\\B\\D", 0));
    ASSERT_TRUE(PumpUntil([&] { return Children(a).size() == 1 && Children(b).size() == 1; }));
    PumpFor(200);
    EXPECT_EQ(Children(rootItem), (std::vector<CString>{_T("A"), _T("B")}));
    EXPECT_EQ(Children(a), std::vector<CString>{_T("C")});
    EXPECT_EQ(Children(b), std::vector<CString>{_T("D")});
}

TEST_F(FrameTest, ListItemsShowTheirNamesUpToTheLastDotAndABadThumbnailShowsNoBox)
{
    OpenConnected();
    HTREEITEM a = SelectFolderA();
    const int32_t idA = frame->LeftView().IdOf(a);
    const cat::CCatalogPacket request = peer.Requests(cat::kListRequest)[0];
    EXPECT_EQ(request.nItemId, idA);
    EXPECT_EQ(cat::FieldText(request.szPath), u"A\\");

    SendItem(idA + 100, u"D:\\Lib\\Z\\other.tif", 1, Picture(40, 30));  // another folder's: dropped
    SendItem(idA, u"D:\\Lib\\A\\a.b.jpg", 1, Picture(120, 90));
    SendItem(idA, u"D:\\Lib\\A\\he.tif", 0, std::vector<uint8_t>(500, 0x42), 0);
    ASSERT_TRUE(PumpUntil([&] { return List().GetItemCount() == 2; }));
    PumpFor(100);
    EXPECT_EQ(List().GetItemCount(), 2);
    EXPECT_EQ(List().GetItemText(0, 0), _T("a.b"));
    EXPECT_EQ(List().GetItemText(1, 0), _T("he"));
    EXPECT_EQ(List().GetItemText(0, 1), _T("1.50 MB"));
    EXPECT_EQ(List().GetItemText(0, 4), _T("TIFF: 0.25"));
    EXPECT_EQ(frame->ListView().IconCount(), 2);
    EXPECT_EQ(frame->ListView().TileCount(), 2);
    EXPECT_TRUE(boxes.boxes.empty());

    // Selecting a slide asks for its preview by its list text with ".jpg",
    // whatever its file's own extension.
    List().SetItemState(1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_TRUE(PumpUntil([&] { return !peer.Requests(cat::kPreviewRequest).empty(); }));
    EXPECT_EQ(cat::FieldText(peer.Requests(cat::kPreviewRequest)[0].szPath), u"A\\he.jpg");
    std::vector<uint8_t> jpeg = Picture(64, 48);
    cat::CCatalogPacket preview = Reply(cat::kPreviewImage, 0);
    preview.nDataSize = (int32_t)jpeg.size();
    preview.nTotalLen = (int32_t)(cat::kPacketSize + jpeg.size());
    peer.Send(preview, jpeg);
    ASSERT_TRUE(PumpUntil([&] { return !frame->PreView().Picture().IsEmpty(); }));
    EXPECT_EQ(frame->PreView().Picture().GetSize(), CSize(64, 48));
    testing_support::SaveScreenshot(frame->m_hWnd, "catalogue_frame_list.bmp");

    // A preview that does not decode is reported and leaves the pane empty.
    std::vector<uint8_t> junk(200, 0x11);
    preview.nDataSize = (int32_t)junk.size();
    preview.nTotalLen = (int32_t)(cat::kPacketSize + junk.size());
    peer.Send(preview, junk);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.boxes[0].caption, "JPEG Fatal Error");
    EXPECT_TRUE(frame->PreView().Picture().IsEmpty());
}

TEST_F(FrameTest, ViewersAreStartedWithTheirCommandLineAndAtMostTwoAtATime)
{
    OpenConnected();
    HTREEITEM a = SelectFolderA();
    const int32_t idA = frame->LeftView().IdOf(a);
    SendItem(idA, u"D:\\Lib\\A\\a.b.jpg", 1, Picture(40, 30));
    SendItem(idA, u"D:\\Lib\\A\\x, y.tif", 0, Picture(40, 30));
    ASSERT_TRUE(PumpUntil([&] { return List().GetItemCount() == 2; }));

    // An empty place of the list opens nothing.
    frame->PostMessage(WM_APP_OPEN_LIST_ITEM, (WPARAM)-1, 0);
    frame->PostMessage(WM_APP_OPEN_LIST_ITEM, 0, 0);
    PumpFor(100);
    ASSERT_EQ(shell.calls.size(), 1u);
    TCHAR exe[MAX_PATH] = {};
    ::GetModuleFileName(nullptr, exe, MAX_PATH);
    CString folder(exe);
    folder = folder.Left(folder.ReverseFind(_T('\\')) + 1);
    EXPECT_EQ(shell.calls[0].verb, _T("open"));
    EXPECT_EQ(shell.calls[0].file, folder + _T("Oskerin.exe"));
    CString expected;
    expected.Format(_T("D:\\Lib\\A\\a.b.jpg, %u, 127.0.0.2"), (unsigned)(UINT_PTR)frame->m_hWnd);
    EXPECT_EQ(shell.calls[0].params, expected);

    // Two viewers being started fill both places before either has registered.
    frame->PostMessage(WM_APP_OPEN_LIST_ITEM, 0, 0);
    frame->PostMessage(WM_APP_OPEN_LIST_ITEM, 0, 0);
    PumpFor(100);
    EXPECT_EQ(shell.calls.size(), 2u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(CString(boxes.boxes[0].text.c_str()), CMainFrame::kViewerLimitText);

    CViewerStandIn one, two;
    frame->SendMessage(WM_VIEWER_NOTIFY, (WPARAM)one.m_hWnd, 0);
    frame->SendMessage(WM_VIEWER_NOTIFY, (WPARAM)one.m_hWnd, 0);  // again: still one viewer
    frame->SendMessage(WM_VIEWER_NOTIFY, (WPARAM)two.m_hWnd, 0);
    EXPECT_EQ(frame->Viewers().size(), 2u);
    EXPECT_EQ(frame->PendingViewerStarts(), 0u);
    CViewerStandIn stranger;
    frame->SendMessage(WM_VIEWER_NOTIFY, (WPARAM)stranger.m_hWnd, 1);
    EXPECT_EQ(frame->Viewers().size(), 2u);
    frame->SendMessage(WM_VIEWER_NOTIFY, (WPARAM)one.m_hWnd, 1);
    EXPECT_EQ(frame->Viewers(), std::vector<HWND>{two.m_hWnd});

    // A name holding ", " would split the viewer's command line: refused.
    frame->PostMessage(WM_APP_OPEN_LIST_ITEM, 1, 0);
    PumpFor(100);
    EXPECT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(boxes.boxes.size(), 2u);

    // The frame's end closes the viewers it knows.
    frame->DestroyWindow();
    ASSERT_TRUE(PumpUntil([&] { return two.closes == 1; }));
    EXPECT_EQ(one.closes, 0);
}

TEST_F(FrameTest, MissedKeepAlivesCloseTheLinkAndTheNextAttemptGoesToTheSamePeer)
{
    peer.answerKeepAlives = false;
    OpenConnected();
    WriteCurrentAddress(_T("127.0.0.9"));  // read again only by the connect command
    ASSERT_TRUE(PumpUntil([&] { return frame->LinkIcon() == frame->DisconnectedIcon(); }));
    EXPECT_GE(peer.Requests(cat::kKeepAlive).size(), 2u);
    peer.answerKeepAlives = true;
    ASSERT_TRUE(PumpUntil([&] { return peer.Accepted() == 2 && frame->Link().IsConnected(); }));
    EXPECT_EQ(frame->PeerAddress(), _T("127.0.0.2"));
}

TEST_F(FrameTest, DisconnectAndConnectCommandsStartTheTreeAgain)
{
    OpenConnected();
    SelectFolderA();
    frame->SendMessage(WM_COMMAND, ID_DISCONNECT, 0);
    EXPECT_FALSE(frame->Link().IsOpen());
    EXPECT_EQ(frame->LinkIcon(), frame->DisconnectedIcon());
    EXPECT_TRUE(Children(frame->LeftView().Root()).empty());
    EXPECT_TRUE(frame->PeerAddress().IsEmpty());
    PumpFor(300);
    EXPECT_FALSE(frame->Link().IsOpen()) << "the timer stays off until the connect command";

    frame->SendMessage(WM_COMMAND, ID_CONNECT, 0);
    ASSERT_TRUE(PumpUntil([&] { return peer.Accepted() == 2 && !peer.Requests().empty(); }));
    const cat::CCatalogPacket first = peer.Requests()[0];
    EXPECT_EQ(first.nType, cat::kFolderRequest);
    EXPECT_EQ(first.nItemId, 0);
}

TEST_F(FrameTest, WithoutAnAddressNothingIsTriedAndTheNoticeOpensOnce)
{
    // LAN auto-login with no discovery answer, then an empty configured address.
    WriteLanLogon(1);
    Open();
    bool tried = false;
    ASSERT_TRUE(PumpUntil([&] {
        tried |= frame->Link().IsOpen();
        return frame->FailedTicks() > 8;
    }));
    EXPECT_FALSE(tried);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file.Right(16), CMainFrame::kNoticeFile);
    frame->DestroyWindow();
    PumpFor(50);

    WriteLanLogon(0);
    WriteCurrentAddress(_T(""));
    Open();
    ASSERT_TRUE(PumpUntil([&] {
        tried |= frame->Link().IsOpen();
        return frame->FailedTicks() > 3;
    }));
    EXPECT_FALSE(tried) << "an empty name resolves to this machine";
    EXPECT_EQ(shell.calls.size(), 1u);
}

TEST_F(FrameTest, OnlyEightyEightInTheFirstSecondNamesTheServer)
{
    fw::SetTimerScale(1.0);
    WriteLanLogon(1);
    Open();
    UINT port = frame->DiscoveryPort();
    ASSERT_NE(port, 0u);
    CAsyncSocket sender;
    ASSERT_TRUE(sender.Create(0, SOCK_DGRAM));
    sender.SendTo("880", 4, port, _T("127.0.0.1"));
    PumpFor(200);
    EXPECT_TRUE(frame->DiscoveredAddress().IsEmpty());
    ASSERT_TRUE(PumpUntil([&] { return !frame->Discovering(); }));
    sender.SendTo("88", 3, port, _T("127.0.0.1"));  // too late: nobody listens
    PumpFor(300);
    EXPECT_TRUE(frame->DiscoveredAddress().IsEmpty());

    // In time, the sender of "88" becomes the address to connect to.
    frame->DestroyWindow();
    PumpFor(50);
    Open();
    sender.SendTo("88", 3, frame->DiscoveryPort(), _T("127.0.0.1"));
    ASSERT_TRUE(PumpUntil([&] { return !frame->DiscoveredAddress().IsEmpty(); }));
    EXPECT_EQ(frame->DiscoveredAddress(), _T("127.0.0.1"));
}
