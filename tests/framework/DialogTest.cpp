#include "FrameworkTestIds.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testing_support::PumpUntil;

namespace {

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(IDD_TESTDIALOG) {}
    bool initialised = false;
    int endWith = IDOK;
    CString typed;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        initialised = GetDlgItem(IDC_TEST_EDIT) != nullptr;
        SetDlgItemText(IDC_TEST_EDIT, _T("初值"));
        SetTimer(1, 20);
        return TRUE;
    }
    void OnTimer(UINT_PTR)
    {
        KillTimer(1);
        GetDlgItemText(IDC_TEST_EDIT, typed);
        EndDialog(endWith);
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

class CModelessDialog : public CDialog {
public:
    int cancels = 0;
    void OnCancel() override { ++cancels; }
};

} // namespace

TEST(Dialog, ModalDialogRunsFromItsTemplateUntilEndDialog)
{
    CTestDialog dlg;
    dlg.endWith = 1234;
    EXPECT_EQ(dlg.DoModal(), 1234);
    EXPECT_TRUE(dlg.initialised);
    EXPECT_EQ(dlg.typed, CString("初值"));
    EXPECT_EQ(dlg.m_hWnd, nullptr);  // destroyed when the loop ends
}

TEST(Dialog, ModalDialogDisablesItsOwnerWhileItRuns)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, _T("owner"), WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, 0));
    class CProbe : public CTestDialog {
    public:
        HWND ownerWnd = nullptr;
        bool ownerWasEnabled = true;
        BOOL OnInitDialog() override
        {
            ownerWasEnabled = ::IsWindowEnabled(ownerWnd) != FALSE;
            return CTestDialog::OnInitDialog();
        }
    } dlg;
    dlg.m_pParentWnd = &owner;
    dlg.ownerWnd = owner.m_hWnd;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(dlg.ownerWasEnabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(Dialog, MissingTemplateFailsWithoutHanging)
{
    CDialog dlg(9999);
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(Dialog, ModelessDialogGetsKeyboardNavigationThroughPreTranslation)
{
    CModelessDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TESTDIALOG));
    dlg.ShowWindow(SW_SHOW);
    ::SetFocus(::GetDlgItem(dlg.m_hWnd, IDC_TEST_EDIT));
    // Escape is turned into the cancel command by the dialog manager only when
    // the message goes through pre-translation.
    MSG msg = {::GetDlgItem(dlg.m_hWnd, IDC_TEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 0x00010001};
    EXPECT_TRUE(CWnd::WalkPreTranslateTree(dlg.m_hWnd, &msg));
    PumpUntil([&] { return dlg.cancels > 0; }, 1000);
    EXPECT_EQ(dlg.cancels, 1);
    EXPECT_TRUE(::IsWindow(dlg.m_hWnd));  // a modeless dialog decides itself when to go
    dlg.DestroyWindow();
}
