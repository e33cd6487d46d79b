// Resource ids of the screen size dialog.
#pragma once

#define IDD_SCREEN_SETTINGS      135
#define IDC_EYEPIECE_COMBO       1005
#define IDC_MONITOR_COMBO        1006
#define IDC_MONITOR_TYPE         1007
#define IDC_SCREEN_WIDTH         1008
#define IDC_SCREEN_HEIGHT        1009
#define IDC_DOT_PITCH            1010
#define IDC_MEASURED_WIDTH       1011
#define IDC_MODIFY               1013
#define IDC_DELETE               1014
#define IDC_SAVE                 1015
#define IDC_SIZE_LABEL           1017
#define IDC_ACCEPT               1018
#define IDC_MEASURED_HEIGHT      1019
#define IDC_TYPED_TYPE           1020
#define IDC_MANUAL_MODE          1029
#define IDC_DIAGONAL             1030
#define IDC_DIAGONAL_SLIDER      1031
