// Resource ids of the slide catalogue client.
#pragma once

#define IDD_ABOUTBOX            100
#define IDS_SOCKETS_INIT_FAILED 104
#define IDR_MAINFRAME           128
#define IDR_TOOLBAR_MAIN        130
#define IDR_TOOLBAR_LINK        132
#define IDR_MENU_MAIN           134
#define IDD_IPADDR              136

#define IDC_ABOUT_LINK          1000
#define IDC_SERVER_LIST         1006
#define IDC_ADDRESS             1007
#define IDC_ADD                 1008
#define IDC_MODIFY              1009
#define IDC_DELETE              1010
#define IDC_LAN_LOGON           1011
#define IDC_ABOUT_VERSION       1021

#define ID_VIEW_SLICE           32771
#define ID_VIEW_THUMB           32772
#define ID_VIEW_REPORT          32773
#define ID_LINK_ICON            32774
#define ID_VIEW_MENU            32778
#define ID_SET_IP               32780
#define ID_HELP_SYSTEM          32784
#define ID_ABOUT_US             32785
#define ID_CONNECT              32790
#define ID_DISCONNECT           32791
#define ID_UPGRADE              32797

#define ID_VIEW_SMALLICON       59408
#define ID_VIEW_LARGEICON       59409
#define ID_VIEW_LIST            59410
#define ID_VIEW_DETAILS         59411
#define ID_VIEW_LINEUP          59412

#define ID_INDICATOR_CAPS       59137
#define ID_INDICATOR_NUM        59138
#define ID_INDICATOR_SCRL       59139
#define ID_INDICATOR_VERSION    59142

// Icons and the bitmap of ResourceDll.dll.
#define IDI_LIB_ROOT            102
#define IDI_LIB_FOLDER          103
#define IDI_LIB_ABOUT           107
#define IDI_LIB_CONNECTED       108
#define IDI_LIB_DISCONNECTED    109
#define IDI_LIB_HELP            112
#define IDI_LIB_MENU            113
#define IDI_LIB_REPORT          115
#define IDI_LIB_SLICE           116
#define IDI_LIB_THUMB           119
#define IDI_LIB_FOLDER_OPEN     121
#define IDB_LIB_REBAR           122
