#pragma once
#define IDR_TESTFRAME       200
#define IDS_PROMPT          201
#define IDD_TESTDIALOG      202
#define IDC_TEST_EDIT       1001
#define IDC_TEST_EDIT2      1002
#define IDC_VIEW_COMMAND    40001
#define IDC_FRAME_COMMAND   40002
#define IDC_NOBODY_COMMAND  40003
