#include "OperationBarDlg.h"

#include "MainFrame.h"
#include "resource.h"

namespace {
const COLORREF kDarkGreen = 0x007F00;
const COLORREF kBlack = 0x000000;
const COLORREF kPurple = 0x7F007F;
const COLORREF kRed = 0x0000FF;
} // namespace

BEGIN_MESSAGE_MAP(COperationBarDlg, CDialog)
    ON_WM_NCHITTEST()
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_BN_CLICKED(IDC_BAR_RETURN, OnReturn)
    ON_BN_CLICKED(IDC_BAR_HAND, OnHand)
    ON_BN_CLICKED(IDC_BAR_QUESTION, OnQuestion)
    ON_BN_CLICKED(IDC_BAR_PROMPT, OnPrompt)
    ON_CBN_SELCHANGE(IDC_BAR_ANSWER, OnAnswerChange)
END_MESSAGE_MAP()

BOOL COperationBarDlg::Create(CMainFrame* frame)
{
    m_pFrame = frame;
    return CDialog::Create(IDD_OPERATION_BAR, frame);
}

void COperationBarDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_BAR_ANSWER, m_answerList);
    DDX_Control(dx, IDC_BAR_PROMPT, m_promptButton);
    DDX_Control(dx, IDC_BAR_QUESTION, m_questionButton);
    DDX_Control(dx, IDC_BAR_RETURN, m_returnButton);
    DDX_Control(dx, IDC_BAR_HAND, m_handButton);
}

BOOL COperationBarDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (const char* letter : {"A", "B", "C", "D", "E"}) m_answerList.AddString(letter);
    CRect bar;
    GetWindowRect(&bar);
    SetWindowPos(&wndTopMost, ::GetSystemMetrics(SM_CXSCREEN) - bar.Width() - 60, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    for (CFlatButton* b : {&m_returnButton, &m_questionButton, &m_promptButton}) {
        b->SetColor(CFlatButton::BtnColorInFg, kDarkGreen, FALSE);
        b->SetColor(CFlatButton::BtnColorOutFg, kBlack, FALSE);
    }
    SetHandColors(0);
    m_returnButton.SetTooltipText("教师返回");
    m_handButton.SetTooltipText("向教师示意提问");
    m_questionButton.SetTooltipText("向教师发送简短文字问题");
    m_promptButton.SetTooltipText("提示学生语音通话");
    m_answerList.SetCurSel(-1);
    SetState(m_connected, m_teacherVisit, m_handUp);
    ShowWindow(SW_HIDE);
    return TRUE;
}

void COperationBarDlg::SetState(int connected, int teacherVisit, int handUp)
{
    m_connected = connected;
    m_teacherVisit = teacherVisit;
    m_handUp = handUp;
    if (!m_hWnd) return;
    m_returnButton.EnableWindow(teacherVisit != 0);
    m_promptButton.EnableWindow(teacherVisit != 0);
    SetHandColors(handUp);
    m_handButton.EnableWindow(connected != 0);
    m_questionButton.EnableWindow(connected != 0);
    UpdateWindow();
}

void COperationBarDlg::SetHandColors(int handUp)
{
    m_handButton.SetColor(CFlatButton::BtnColorInFg, handUp ? kPurple : kDarkGreen, FALSE);
    m_handButton.SetColor(CFlatButton::BtnColorOutFg, handUp ? kRed : kBlack, TRUE);
}

void COperationBarDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT dis)
{
    if (!CFlatButton::ReflectDrawItem(dis)) Default();
}

HBRUSH COperationBarDlg::OnCtlColor(HDC dc, CWnd* wnd, UINT ctlColor)
{
    if (HBRUSH brush = wnd ? CFlatButton::ReflectCtlColor(wnd->m_hWnd) : nullptr) return brush;
    return (HBRUSH)Default();
}

void COperationBarDlg::ClearAnswer()
{
    m_answerList.SetCurSel(-1);
    if (m_hWnd) UpdateWindow();
}

LRESULT COperationBarDlg::OnNcHitTest(CPoint p)
{
    Default();
    return HTCAPTION;
}

void COperationBarDlg::PostToFrame(UINT command)
{
    if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_COMMAND, command, 0);
    else if (m_pFrame) m_pFrame->PostMessage(WM_COMMAND, command, 0);
}

void COperationBarDlg::OnReturn()
{
    PostToFrame(ID_TEACHER_RETURN);
}

void COperationBarDlg::OnHand()
{
    PostToFrame(ID_RAISE_HAND);
}

void COperationBarDlg::OnQuestion()
{
    PostToFrame(ID_SEND_QUESTION);
}

void COperationBarDlg::OnPrompt()
{
    AfxMessageBox("请用耳麦与老师通话...");
}

void COperationBarDlg::OnAnswerChange()
{
    int index = m_answerList.GetCurSel();
    if (index >= 0 && m_pFrame) m_pFrame->SendAnswer((BYTE)('A' + index));
}
