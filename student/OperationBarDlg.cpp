#include "OperationBarDlg.h"

#include "MainFrame.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(COperationBarDlg, CDialog)
    ON_WM_NCHITTEST()
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
    m_handButton.EnableWindow(connected != 0);
    m_questionButton.EnableWindow(connected != 0);
    UpdateWindow();
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
