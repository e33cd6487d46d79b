// Resource ids of the slide viewer.
#pragma once

#define IDR_MAINFRAME            128
#define IDD_ABOUTBOX             100
#define IDC_VERSION_TEXT         1021

#define ID_VIEW_NAVIGATOR        32771
#define ID_OPEN_CATALOGUE        32772
#define ID_VIEW_EYEPIECE_FIELD   32775
#define ID_VIEW_SETTINGS         32777
#define ID_VIEW_MENU             32778
#define ID_MARK_CAPTION          32782
#define ID_MARK_HOTSPOTS         32783
#define ID_MARK_EDIT             32784
#define ID_MARK_LIST             32785
#define ID_OBJECTIVE_4X          32786
#define ID_OBJECTIVE_10X         32787
#define ID_MARK_REGIONS          32788
#define ID_OBJECTIVE_20X         32789
#define ID_OBJECTIVE_40X         32790
#define ID_OBJECTIVE_100X        32791
#define ID_SNAPSHOT              32793
#define ID_MARK_EDITOR           32794
#define ID_MARK_SHOWALL          32800
#define ID_MEASURE_MANUAL        32801
#define ID_SCREEN_RULER          32802
#define ID_REPORT                32803

#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif
