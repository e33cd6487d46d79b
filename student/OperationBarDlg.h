// The operation bar: a small tool window at the top right of the screen with
// the student's commands and the answer list, shown while a teacher is
// logged in.
#pragma once

#include "FlatButton.h"
#include "Framework.h"

class CMainFrame;

class COperationBarDlg : public CDialog {
public:
    COperationBarDlg() = default;
    // Creates the bar hidden, its commands going to the frame.
    BOOL Create(CMainFrame* frame);

    BOOL OnInitDialog() override;
    // Enables the commands for the state and keeps it.
    void SetState(int connected, int teacherVisit, int handUp);
    // The answer list shows no selection.
    void ClearAnswer();

    int Connected() const { return m_connected; }
    int TeacherVisit() const { return m_teacherVisit; }
    int HandUp() const { return m_handUp; }

    CComboBox m_answerList;
    CFlatButton m_returnButton, m_handButton, m_questionButton, m_promptButton;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    // The bar stays up: Enter and Escape do not end it.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT OnNcHitTest(CPoint p);
    void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);
    HBRUSH OnCtlColor(HDC dc, CWnd* wnd, UINT ctlColor);
    void OnReturn();
    void OnHand();
    void OnQuestion();
    void OnPrompt();
    void OnAnswerChange();
    DECLARE_MESSAGE_MAP()

private:
    void PostToFrame(UINT command);
    // The hand button's text colours follow the hand.
    void SetHandColors(int handUp);

    CMainFrame* m_pFrame = nullptr;
    int m_connected = 0, m_teacherVisit = 0, m_handUp = 0;
};
