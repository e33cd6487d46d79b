#include "QuestionDlg.h"

#include "resource.h"

CQuestionDlg::CQuestionDlg(CWnd* parent) : CDialog(IDD_QUESTION, parent) {}

void CQuestionDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_QUESTION_TEXT, m_strQuestion);
}

void CQuestionDlg::OnOK()
{
    GetDlgItemText(IDC_QUESTION_TEXT, m_strQuestion);
    EndDialog(IDOK);
}
