#include "ControlsTestIds.h"
#include "FwControls.h"
#include "FwDataExchange.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class CControlsDialog : public CDialog {
public:
    CControlsDialog() : CDialog(IDD_CONTROLS_TEST) {}
    CComboBox combo;
    CSliderCtrl slider;
    CButton check;
    CString text = "文字";
    int number = 42;
    float single = 0;
    double dbl = 0;
    int checked = 1;
    int comboIndex = -1;
    int sliderPos = 30;
    bool exchangeFloat = false, exchangeDouble = false;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_T_COMBO, combo);
        DDX_Control(dx, IDC_T_SLIDER, slider);
        DDX_Control(dx, IDC_T_CHECK, check);
        DDX_Text(dx, IDC_T_EDIT, text);
        if (exchangeFloat)
            DDX_Text(dx, IDC_T_NUMBER, single);
        else if (exchangeDouble)
            DDX_Text(dx, IDC_T_NUMBER, dbl);
        else
            DDX_Text(dx, IDC_T_NUMBER, number);
        DDX_Check(dx, IDC_T_CHECK, checked);
        DDX_CBIndex(dx, IDC_T_COMBO, comboIndex);
        DDX_Slider(dx, IDC_T_SLIDER, sliderPos);
    }
};

struct ControlsFixture : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dlg.Create(IDD_CONTROLS_TEST));
    }
    void TearDown() override
    {
        if (dlg.m_hWnd) dlg.DestroyWindow();
    }
    CControlsDialog dlg;
};

} // namespace

TEST_F(ControlsFixture, ComboBoxEditsItsItemsAndSelection)
{
    CComboBox& c = dlg.combo;
    ASSERT_NE(c.m_hWnd, nullptr);  // bound by the first exchange
    EXPECT_EQ(c.AddString(_T("甲")), 0);
    EXPECT_EQ(c.AddString(_T("丙")), 1);
    EXPECT_EQ(c.InsertString(1, _T("乙")), 1);
    EXPECT_EQ(c.GetCount(), 3);
    CString t;
    c.GetLBText(1, t);
    EXPECT_EQ(t, CString("乙"));
    c.GetLBText(7, t);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_NE(c.SetItemData(2, 0x1234), CB_ERR);
    EXPECT_EQ(c.GetItemData(2), (DWORD_PTR)0x1234);
    EXPECT_EQ(c.GetCurSel(), -1);
    c.SetCurSel(2);
    EXPECT_EQ(c.GetCurSel(), 2);
    EXPECT_EQ(c.SetCurSel(9), CB_ERR);
    EXPECT_EQ(c.GetCurSel(), -1);  // out of range selects nothing
    EXPECT_EQ(c.DeleteString(0), 2);
    c.ResetContent();
    EXPECT_EQ(c.GetCount(), 0);
}

TEST(Controls, UnboundControlsDoNothing)
{
    CComboBox c;
    EXPECT_EQ(c.AddString(_T("x")), CB_ERR);
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(c.GetCurSel(), CB_ERR);
    CSliderCtrl s;
    s.SetPos(5);
    EXPECT_EQ(s.GetPos(), 0);
    CButton b;
    EXPECT_EQ(b.GetCheck(), BST_UNCHECKED);
}

TEST_F(ControlsFixture, SliderAndButton)
{
    dlg.slider.SetRange(400, 20000);
    int lo = 0, hi = 0;
    dlg.slider.GetRange(lo, hi);
    EXPECT_EQ(lo, 400);
    EXPECT_EQ(hi, 20000);
    dlg.slider.SetPos(2200);
    EXPECT_EQ(dlg.slider.GetPos(), 2200);
    dlg.slider.SetPos(50000);
    EXPECT_EQ(dlg.slider.GetPos(), 20000);
    dlg.check.SetCheck(BST_CHECKED);
    EXPECT_EQ(dlg.check.GetCheck(), BST_CHECKED);
    dlg.check.SetCheck(BST_UNCHECKED);
    EXPECT_EQ(dlg.check.GetCheck(), BST_UNCHECKED);
}

TEST_F(ControlsFixture, ExchangeMovesValuesBothWays)
{
    // The first exchange (at initialisation) showed the members.
    CString shown;
    dlg.GetDlgItemText(IDC_T_EDIT, shown);
    EXPECT_EQ(shown, CString("文字"));
    dlg.GetDlgItemText(IDC_T_NUMBER, shown);
    EXPECT_EQ(shown, CString("42"));
    EXPECT_EQ(dlg.check.GetCheck(), BST_CHECKED);

    dlg.combo.AddString(_T("a"));
    dlg.combo.AddString(_T("b"));
    dlg.combo.SetCurSel(1);
    dlg.slider.SetRange(0, 100);
    dlg.slider.SetPos(77);
    dlg.check.SetCheck(BST_UNCHECKED);
    dlg.SetDlgItemText(IDC_T_EDIT, _T("新"));
    dlg.SetDlgItemText(IDC_T_NUMBER, _T(" -17 "));
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.text, CString("新"));
    EXPECT_EQ(dlg.number, -17);
    EXPECT_EQ(dlg.checked, 0);
    EXPECT_EQ(dlg.comboIndex, 1);
    EXPECT_EQ(dlg.sliderPos, 77);

    dlg.comboIndex = 0;
    dlg.sliderPos = 12;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(dlg.combo.GetCurSel(), 0);
    EXPECT_EQ(dlg.slider.GetPos(), 12);
}

TEST_F(ControlsFixture, NumbersThatDoNotParseFailTheExchange)
{
    testing_support::MessageBoxRecorder boxes;
    for (const TCHAR* bad : {_T(""), _T("12x"), _T("abc"), _T("99999999999")}) {
        dlg.number = 5;
        dlg.SetDlgItemText(IDC_T_NUMBER, bad);
        EXPECT_FALSE(dlg.UpdateData(TRUE)) << CStringA(bad).GetString();
        EXPECT_EQ(dlg.number, 5);
    }
    EXPECT_EQ(boxes.boxes.size(), 4u);

    dlg.exchangeFloat = true;
    dlg.SetDlgItemText(IDC_T_NUMBER, _T("328.5"));
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(dlg.single, 328.5f);
    dlg.SetDlgItemText(IDC_T_NUMBER, _T("1e40"));  // beyond single precision
    EXPECT_FALSE(dlg.UpdateData(TRUE));
    dlg.SetDlgItemText(IDC_T_NUMBER, _T("nan"));
    EXPECT_FALSE(dlg.UpdateData(TRUE));
    dlg.single = 243.572f;
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    CString shown;
    dlg.GetDlgItemText(IDC_T_NUMBER, shown);
    EXPECT_EQ(shown, CString("243.572"));

    dlg.exchangeFloat = false;
    dlg.exchangeDouble = true;
    dlg.SetDlgItemText(IDC_T_NUMBER, _T("16.09"));
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_DOUBLE_EQ(dlg.dbl, 16.09);
    dlg.SetDlgItemText(IDC_T_NUMBER, _T("1.5.2"));
    EXPECT_FALSE(dlg.UpdateData(TRUE));
    EXPECT_DOUBLE_EQ(dlg.dbl, 16.09);
}
