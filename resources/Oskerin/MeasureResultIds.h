// Resource ids of the measurement results dialog.
#pragma once

#define IDD_MEASURE_RESULT       152
#define IDC_MEASURE_LIST         1037
#define IDC_MEASURE_CLEAR        1038
#define IDC_MEASURE_LOAD         1039
#define IDC_MEASURE_SAVE         1040
#define IDC_MEASURE_COLOUR       1041
#define IDC_MEASURE_KIND         1042
#define IDC_MEASURE_EXPORT       1043
