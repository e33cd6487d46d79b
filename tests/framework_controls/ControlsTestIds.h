#pragma once
#define IDD_CONTROLS_TEST 200
#define IDC_T_COMBO  1001
#define IDC_T_SLIDER 1002
#define IDC_T_CHECK  1003
#define IDC_T_EDIT   1004
#define IDC_T_NUMBER 1005
