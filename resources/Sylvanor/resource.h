// Resource ids of the student client.
#pragma once

#define IDR_MAINFRAME 128
#define IDR_TRAY_MENU 102
#define IDD_OPERATION_BAR 130
#define IDD_QUESTION 131
#define IDS_SOCKET_INIT_FAILED 104

// Commands of the tray menu, the operation bar and the frame.
#define ID_TEACHER_RETURN 32772
#define ID_RAISE_HAND 32773
#define ID_SEND_QUESTION 1002
#define ID_SHOW_OPERATION_BAR 32774

// Controls of the operation bar.
#define IDC_BAR_RETURN 1000
#define IDC_BAR_HAND 1001
#define IDC_BAR_QUESTION 1002
#define IDC_BAR_PROMPT 1003
#define IDC_BAR_ANSWER 1008

// The question dialog.
#define IDC_QUESTION_TEXT 1001
