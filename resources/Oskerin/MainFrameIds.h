// Ids of the main frame's toolbar lists and of the toolbar buttons they replace.
#pragma once

#define IDC_RULER_LIST          103
#define IDC_FIELD_NUMBER_LIST   104
#define IDC_EYEPIECE_LIST       105
#define IDC_OBJECTIVE_LIST      106
#define ID_OBJECTIVE_PLACE      32774
#define ID_EYEPIECE_PLACE       32776
#define ID_FIELD_NUMBER_PLACE   32780
#define ID_RULER_PLACE          32792
