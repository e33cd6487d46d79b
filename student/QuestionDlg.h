// The question dialog: a short text for the teacher.
#pragma once

#include "Framework.h"

class CQuestionDlg : public CDialog {
public:
    explicit CQuestionDlg(CWnd* parent = nullptr);
    // The text as confirmed; empty until then.
    CString GetQuestion() const { return m_strQuestion; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;

private:
    CString m_strQuestion;
};
